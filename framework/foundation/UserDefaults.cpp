#include "framework/foundation/UserDefaults.h"

#include "framework/foundation/AttributeMap.h"

namespace qv {

std::optional<Value> UserDefaults::objectForKey(std::string_view key) const {
    if (std::optional<Value> stored = storedObjectForKey(key))
        return stored;
    auto it = m_Registered.find(key);
    if (it != m_Registered.end())
        return it->second;
    return std::nullopt;
}

void UserDefaults::setObject(const Value& value, std::string_view key) {
    if (value.isNull())
        removeStoredObject(key);
    else
        storeObject(value, key);
}

void UserDefaults::removeObject(std::string_view key) {
    removeStoredObject(key);
}

void UserDefaults::registerDefaults(const Value::Map& defaults) {
    for (const auto& [key, value] : defaults)
        m_Registered.insert_or_assign(key, value);
}

std::string UserDefaults::stringForKey(std::string_view key) const {
    std::optional<Value> v = objectForKey(key);
    if (!v)
        return {};
    switch (v->kind()) {
    case Value::Kind::String:
        return v->toString();
    case Value::Kind::Int:
        return formatInteger(v->toInt());
    case Value::Kind::Double:
        return formatReal(v->toDouble());
    case Value::Kind::Bool:
        return v->toBool() ? "1" : "0";
    default:
        return {};
    }
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const {
    std::optional<Value> v = objectForKey(key);
    return v ? v->toInt(0) : 0;
}

double UserDefaults::doubleForKey(std::string_view key) const {
    std::optional<Value> v = objectForKey(key);
    return v ? v->toDouble(0) : 0;
}

bool UserDefaults::boolForKey(std::string_view key) const {
    std::optional<Value> v = objectForKey(key);
    return v ? v->toBool(false) : false;
}

Value::Map UserDefaults::dictionaryForKey(std::string_view key) const {
    std::optional<Value> v = objectForKey(key);
    return v ? v->toMap() : Value::Map();
}

Value::List UserDefaults::arrayForKey(std::string_view key) const {
    std::optional<Value> v = objectForKey(key);
    return v ? v->toList() : Value::List();
}

std::optional<Value> InMemoryUserDefaults::storedObjectForKey(std::string_view key) const {
    auto it = m_Values.find(key);
    if (it == m_Values.end())
        return std::nullopt;
    return it->second;
}

void InMemoryUserDefaults::storeObject(const Value& value, std::string_view key) {
    m_Values.insert_or_assign(std::string(key), value);
}

void InMemoryUserDefaults::removeStoredObject(std::string_view key) {
    auto it = m_Values.find(key);
    if (it != m_Values.end())
        m_Values.erase(it);
}

} // namespace qv
