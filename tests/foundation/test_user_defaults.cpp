#include "framework/foundation/UserDefaults.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(UserDefaults, StoredValuesHideRegisteredDefaults) {
    InMemoryUserDefaults defaults;
    EXPECT_FALSE(defaults.objectForKey("QVUpdateCheckMode").has_value());
    defaults.registerDefaults({{"QVUpdateCheckMode", Value(1)}});
    EXPECT_EQ(defaults.integerForKey("QVUpdateCheckMode"), 1);
    defaults.setInteger(3, "QVUpdateCheckMode");
    EXPECT_EQ(defaults.integerForKey("QVUpdateCheckMode"), 3);
    defaults.removeObject("QVUpdateCheckMode");
    EXPECT_EQ(defaults.integerForKey("QVUpdateCheckMode"), 1);
    defaults.setInteger(2, "QVUpdateCheckMode");
    defaults.setObject(Value(), "QVUpdateCheckMode"); // storing null removes
    EXPECT_EQ(defaults.integerForKey("QVUpdateCheckMode"), 1);
    EXPECT_TRUE(defaults.storedValues().empty());

    // Registering again replaces per key and never stores.
    defaults.registerDefaults({{"QVUpdateCheckMode", Value(2)}, {"other", Value(true)}});
    EXPECT_EQ(defaults.integerForKey("QVUpdateCheckMode"), 2);
    EXPECT_TRUE(defaults.boolForKey("other"));
    EXPECT_TRUE(defaults.storedValues().empty());
}

TEST(UserDefaults, TypedReadsConvertLikeThePlatform) {
    InMemoryUserDefaults d;
    d.setString("12", "text");
    d.setDouble(2.75, "real");
    d.setBool(true, "flag");
    d.setObject(Value(Value::Map{{"Position", Value("{5, 700}")}}), "Toolbox");
    d.setObject(Value(Value::List{Value(1), Value(2)}), "list");

    EXPECT_EQ(d.integerForKey("text"), 12);
    EXPECT_EQ(d.doubleForKey("text"), 12.0);
    EXPECT_EQ(d.integerForKey("real"), 2);
    EXPECT_EQ(d.stringForKey("real"), "2.75");
    EXPECT_EQ(d.stringForKey("flag"), "1");
    EXPECT_TRUE(d.boolForKey("text"));
    EXPECT_EQ(d.dictionaryForKey("Toolbox").at("Position"), Value("{5, 700}"));
    EXPECT_EQ(d.arrayForKey("list").size(), 2u);

    // Absent or unusable: the zero of the type.
    EXPECT_EQ(d.stringForKey("missing"), "");
    EXPECT_EQ(d.integerForKey("Toolbox"), 0);
    EXPECT_FALSE(d.boolForKey("list"));
    EXPECT_TRUE(d.dictionaryForKey("text").empty());
    EXPECT_EQ(d.stringForKey("Toolbox"), "");
}

} // namespace
} // namespace qv
