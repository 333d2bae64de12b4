// User defaults in a JSON settings file: what is stored reads back after
// reopening; what has no stored form, and damaged files, leave nothing.
#include "platform/qt/SettingsUserDefaults.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SettingsUserDefaults, ValuesReadBackAsStoredAfterReopening) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("drawapp.json"));
    const Value::Map toolbox{{"Position", Value("{5, 700}")}, {"Visible", Value(true)}};
    const std::pair<const char*, Value> objects[] = {
        {"Toolbox", Value(toolbox)},
        {"RecentDocuments", Value(Value::List{Value("/a"), Value("/b")})},
        {"frame", Value(Rect(1, 2, 3.5, 4))},
        {"colour", Value(Color(1, 0.5, 0, 0.25))},
    };
    {
        auto defaults = SettingsUserDefaults::withFile(file);
        defaults->setInteger(3, "count");
        defaults->setDouble(0.25, "zoom");
        defaults->setBool(false, "flag");
        defaults->setString("caf\u00e9", "name");
        for (const auto& [key, value] : objects)
            defaults->setObject(value, key);
        defaults->setInteger(9, "gone");
        defaults->removeObject("gone");
    }
    auto defaults = SettingsUserDefaults::withFile(file);
    EXPECT_EQ(*defaults->objectForKey("count"), Value(3));
    EXPECT_EQ(*defaults->objectForKey("zoom"), Value(0.25));
    EXPECT_EQ(*defaults->objectForKey("flag"), Value(false));
    EXPECT_EQ(defaults->stringForKey("name"), "caf\u00e9");
    for (const auto& [key, value] : objects)
        EXPECT_EQ(defaults->objectForKey(key), value) << key;
    EXPECT_EQ(defaults->arrayForKey("RecentDocuments").size(), 2u);
    EXPECT_FALSE(defaults->objectForKey("gone").has_value());
    // Registered defaults still answer for keys never stored.
    defaults->registerDefaults({{"toolClickOption", Value(1)}});
    EXPECT_EQ(defaults->integerForKey("toolClickOption"), 1);
}

TEST(SettingsUserDefaults, UnstorableValuesAndDamagedFilesLeaveAnEmptyStore) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("broken.json"));
    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{ not json");
    damaged.close();
    auto defaults = SettingsUserDefaults::withFile(file);
    EXPECT_FALSE(defaults->objectForKey("anything").has_value());
    // A selection marker, or a list holding one, has no stored form.
    defaults->setObject(Value::multipleValues(), "marker");
    defaults->setObject(Value(Value::List{Value(1), Value::noSelection()}), "list");
    EXPECT_FALSE(defaults->objectForKey("marker").has_value());
    EXPECT_FALSE(defaults->objectForKey("list").has_value());
    // A one-key map that only looks like a point stays a map.
    const Value odd(Value::Map{{"@Point", Value("x")}});
    defaults->setObject(odd, "odd");
    EXPECT_EQ(*defaults->objectForKey("odd"), odd);
}

} // namespace
} // namespace qv
