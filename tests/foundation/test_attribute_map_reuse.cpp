// Filling one attribute map element after element, as the reader does: the
// result is always exactly the entries given, whatever the map held before.

#include "framework/foundation/AttributeMap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace qv;

TEST(AttributeMapReuse, AssignedEntriesReplaceWhateverWasThere) {
    std::mt19937 rng(3);
    AttributeMap reused;
    for (int round = 0; round < 200; ++round) {
        const std::size_t count = rng() % 7;
        AttributeMap fresh;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string key = "key" + std::to_string(rng() % 100);
            const std::string value(rng() % 30, char('a' + rng() % 26));
            fresh.append(key, value);
            reused.assignTextAt(i, key, value);
        }
        reused.truncate(count);
        EXPECT_EQ(reused, fresh) << round;
        // Numbers stored by a writer give way to text as well.
        if (round % 10 == 0) {
            reused.setFloatValue(0.5, "number");
            reused.setIntValue(7, "integer");
        }
    }
}

TEST(AttributeMapReuse, NumberEntriesBecomeText) {
    AttributeMap map;
    map.setFloatValue(2.5, "w");
    map.setIntValue(3, "n");
    map.assignTextAt(0, "x", "12");
    map.assignTextAt(1, "y", "abc");
    map.assignTextAt(2, "z", "");
    map.truncate(3);
    ASSERT_EQ(map.size(), 3u);
    EXPECT_EQ(map.stringValueForKey("x"), "12");
    EXPECT_EQ(map.stringValueForKey("y"), "abc");
    EXPECT_EQ(map.stringValueForKey("z"), "");
    EXPECT_FALSE(map.contains("w"));
    EXPECT_TRUE(std::holds_alternative<std::string>(*map.find("x")));
    map.truncate(5); // more than there are: nothing changes
    EXPECT_EQ(map.size(), 3u);
    map.truncate(0);
    EXPECT_TRUE(map.empty());
}
