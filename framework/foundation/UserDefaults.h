#pragma once
// The application's settings store: values by key, with registered defaults
// that answer for keys never set. The programs use a store over the user's
// configuration files; tests use the in-memory one.

#include "framework/foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // The stored value, else the registered default, else nothing.
    std::optional<Value> objectForKey(std::string_view key) const;
    // Storing null removes the key.
    void setObject(const Value& value, std::string_view key);
    void removeObject(std::string_view key);

    // Defaults answer for keys that hold no stored value; registering again
    // replaces the entries of the same keys. Registered values are never stored.
    void registerDefaults(const Value::Map& defaults);
    const Value::Map& registeredDefaults() const { return m_Registered; }

    // Typed reads with the platform's conversions: numbers from numbers or
    // numeric text, text from text or numbers; absent or unusable values read
    // "" / 0 / false / an empty map or list.
    std::string stringForKey(std::string_view key) const;
    std::int64_t integerForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;
    bool boolForKey(std::string_view key) const;
    Value::Map dictionaryForKey(std::string_view key) const;
    Value::List arrayForKey(std::string_view key) const;

    void setString(std::string_view value, std::string_view key) { setObject(Value(value), key); }
    void setInteger(std::int64_t value, std::string_view key) { setObject(Value(value), key); }
    void setDouble(double value, std::string_view key) { setObject(Value(value), key); }
    void setBool(bool value, std::string_view key) { setObject(Value(value), key); }

    // Writes pending changes to permanent storage, where there is any.
    virtual void synchronize() {}

protected:
    virtual std::optional<Value> storedObjectForKey(std::string_view key) const = 0;
    virtual void storeObject(const Value& value, std::string_view key) = 0;
    virtual void removeStoredObject(std::string_view key) = 0;

private:
    Value::Map m_Registered;
};

class InMemoryUserDefaults : public UserDefaults {
public:
    const Value::Map& storedValues() const { return m_Values; }

protected:
    std::optional<Value> storedObjectForKey(std::string_view key) const override;
    void storeObject(const Value& value, std::string_view key) override;
    void removeStoredObject(std::string_view key) override;

private:
    Value::Map m_Values;
};

} // namespace qv
