#pragma once
// The programs' user defaults: QSettings in the XDG configuration folder
// ($XDG_CONFIG_HOME/Quorvik/<program>.json). The file is JSON, so that
// numbers, booleans, lists and maps read back as what was stored; points,
// sizes, rectangles and colours are kept as one-key maps ("@Point": [x, y]).
// Values that have no such form (paths, objects, selection markers) are not
// stored.

#include "framework/foundation/UserDefaults.h"

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace qv {

class SettingsUserDefaults : public UserDefaults {
public:
    // The user's store for the program `application` of organisation "Quorvik".
    explicit SettingsUserDefaults(const QString& application);
    // A store in the given file (tests, tools).
    static std::unique_ptr<SettingsUserDefaults> withFile(const QString& path);
    ~SettingsUserDefaults() override;

    QString fileName() const;
    void synchronize() override;

protected:
    std::optional<Value> storedObjectForKey(std::string_view key) const override;
    void storeObject(const Value& value, std::string_view key) override;
    void removeStoredObject(std::string_view key) override;

private:
    explicit SettingsUserDefaults(std::unique_ptr<QSettings> settings);

    std::unique_ptr<QSettings> m_Settings;
};

// The conversions at the store's edge; an invalid variant for a value that
// cannot be stored, a null value for a variant that cannot be read.
QVariant variantFromValue(const Value& value);
Value valueFromVariant(const QVariant& variant);

} // namespace qv
