#include "platform/qt/SettingsUserDefaults.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSettings>

#include <cmath>
#include <initializer_list>

namespace qv {

namespace {

bool readJson(QIODevice& device, QSettings::SettingsMap& map) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(device.readAll(), &error);
    // An empty file is an empty store; anything else must be one JSON object.
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return device.size() == 0;
    const QVariantMap values = document.object().toVariantMap();
    for (auto it = values.begin(); it != values.end(); ++it)
        map.insert(it.key(), it.value());
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map) {
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), QJsonValue::fromVariant(it.value()));
    return device.write(QJsonDocument(object).toJson()) >= 0;
}

QSettings::Format jsonFormat() {
    static const QSettings::Format format = QSettings::registerFormat("json", readJson, writeJson);
    return format;
}

QVariant tagged(const char* tag, std::initializer_list<double> numbers) {
    QVariantList list;
    for (double n : numbers)
        list.append(n);
    return QVariantMap{{QString::fromLatin1(tag), list}};
}

// The numbers of a one-key map {"@Tag": [..]} with exactly `count` finite
// entries; empty otherwise.
std::vector<double> untagged(const QVariantMap& map, const char* tag, qsizetype count) {
    if (map.size() != 1 || map.firstKey() != QLatin1String(tag))
        return {};
    const QVariantList list = map.first().toList();
    if (list.size() != count)
        return {};
    std::vector<double> numbers;
    for (const QVariant& v : list) {
        bool ok = false;
        const double n = v.toDouble(&ok);
        if (!ok || !std::isfinite(n))
            return {};
        numbers.push_back(n);
    }
    return numbers;
}

QString keyText(std::string_view key) {
    return QString::fromUtf8(key.data(), qsizetype(key.size()));
}

} // namespace

QVariant variantFromValue(const Value& value) {
    switch (value.kind()) {
    case Value::Kind::Bool:
        return value.toBool();
    case Value::Kind::Int:
        return qlonglong(value.toInt());
    case Value::Kind::Double:
        // JSON has no infinities or NaN.
        return std::isfinite(value.toDouble()) ? QVariant(value.toDouble()) : QVariant();
    case Value::Kind::String:
        return QString::fromStdString(value.toString());
    case Value::Kind::Point: {
        const Point p = value.toPoint();
        return tagged("@Point", {p.x, p.y});
    }
    case Value::Kind::Size: {
        const Size s = value.toSize();
        return tagged("@Size", {s.width, s.height});
    }
    case Value::Kind::Rect: {
        const Rect r = value.toRect();
        return tagged("@Rect", {r.origin.x, r.origin.y, r.size.width, r.size.height});
    }
    case Value::Kind::Color: {
        const Color c = value.toColor();
        return tagged("@Color", {c.red, c.green, c.blue, c.alpha});
    }
    case Value::Kind::List: {
        QVariantList list;
        for (const Value& item : value.toList()) {
            QVariant v = variantFromValue(item);
            if (!v.isValid())
                return {};
            list.append(std::move(v));
        }
        return list;
    }
    case Value::Kind::Map: {
        QVariantMap map;
        for (const auto& [key, item] : value.toMap()) {
            QVariant v = variantFromValue(item);
            if (!v.isValid())
                return {};
            map.insert(QString::fromStdString(key), std::move(v));
        }
        return map;
    }
    default:
        return {};
    }
}

Value valueFromVariant(const QVariant& variant) {
    switch (variant.typeId()) {
    case QMetaType::Bool:
        return variant.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return std::int64_t(variant.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return variant.toDouble();
    case QMetaType::QString:
        return variant.toString().toStdString();
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        Value::List list;
        for (const QVariant& item : variant.toList())
            list.push_back(valueFromVariant(item));
        return Value(std::move(list));
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = variant.toMap();
        if (auto n = untagged(map, "@Point", 2); !n.empty())
            return Point(n[0], n[1]);
        if (auto n = untagged(map, "@Size", 2); !n.empty())
            return Size(n[0], n[1]);
        if (auto n = untagged(map, "@Rect", 4); !n.empty())
            return Rect(n[0], n[1], n[2], n[3]);
        if (auto n = untagged(map, "@Color", 4); !n.empty())
            return Color(n[0], n[1], n[2], n[3]);
        Value::Map result;
        for (auto it = map.begin(); it != map.end(); ++it)
            result.emplace(it.key().toStdString(), valueFromVariant(it.value()));
        return Value(std::move(result));
    }
    default:
        return {};
    }
}

SettingsUserDefaults::SettingsUserDefaults(const QString& application)
    : SettingsUserDefaults(std::make_unique<QSettings>(jsonFormat(), QSettings::UserScope,
                                                       QStringLiteral("Quorvik"), application)) {}

SettingsUserDefaults::SettingsUserDefaults(std::unique_ptr<QSettings> settings)
    : m_Settings(std::move(settings)) {}

std::unique_ptr<SettingsUserDefaults> SettingsUserDefaults::withFile(const QString& path) {
    return std::unique_ptr<SettingsUserDefaults>(
        new SettingsUserDefaults(std::make_unique<QSettings>(path, jsonFormat())));
}

SettingsUserDefaults::~SettingsUserDefaults() {
    m_Settings->sync();
}

QString SettingsUserDefaults::fileName() const {
    return m_Settings->fileName();
}

void SettingsUserDefaults::synchronize() {
    m_Settings->sync();
}

std::optional<Value> SettingsUserDefaults::storedObjectForKey(std::string_view key) const {
    const QVariant v = m_Settings->value(keyText(key));
    if (!v.isValid())
        return std::nullopt;
    Value value = valueFromVariant(v);
    if (value.isNull())
        return std::nullopt;
    return value;
}

void SettingsUserDefaults::storeObject(const Value& value, std::string_view key) {
    const QVariant v = variantFromValue(value);
    if (v.isValid())
        m_Settings->setValue(keyText(key), v);
}

void SettingsUserDefaults::removeStoredObject(std::string_view key) {
    m_Settings->remove(keyText(key));
}

} // namespace qv
