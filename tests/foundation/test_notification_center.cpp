// The notification centre: filtering by name and sender (whatever base the
// sender is seen as), removal by token, owner and filter, and changes of
// observers and nested posts during delivery.
#include "framework/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

struct Base1 {
    virtual ~Base1() = default;
    int a = 0;
};
struct Base2 {
    virtual ~Base2() = default;
    int b = 0;
};
struct Sender : Base1, Base2 {};

struct NotificationCenterTest : ::testing::Test {
    NotificationCenter center;
    std::vector<std::string> log;
    Sender a, b;
    int owner = 0, other = 0;
    // Logs "tag:name", and " b" when the sender is b.
    NotificationCenter::Callback note(std::string tag) {
        return [this, tag](const Notification& n) {
            log.push_back(tag + ":" + n.name +
                          (n.isFrom(static_cast<const Base1*>(&b)) ? " b" : ""));
        };
    }
};

TEST_F(NotificationCenterTest, FiltersByNameAndSender) {
    center.addObserver(&owner, "Ping", static_cast<const Base2*>(&a), note("a"));
    center.addObserver(&owner, "Ping", nullptr, note("any"));
    center.addObserver(&owner, "", &b, note("b"));
    center.postNotification("Ping", static_cast<const Base1*>(&a));
    center.postNotification("Ping", &b);
    center.postNotification("Pong", static_cast<const Base2*>(&b));
    center.postNotification("Pong", &a);
    EXPECT_EQ(log, (std::vector<std::string>{"a:Ping", "any:Ping", "any:Ping b", "b:Ping b",
                                             "b:Pong b"}));
    // The shared centre delivers like any other.
    NotificationCenter& shared = NotificationCenter::defaultCenter();
    const auto token = shared.addObserver(&owner, "Shared", nullptr, note("shared"));
    NotificationCenter::defaultCenter().postNotification("Shared", nullptr);
    shared.removeObserver(token);
    NotificationCenter::defaultCenter().postNotification("Shared", nullptr);
    EXPECT_EQ(log.back(), "shared:Shared");
    EXPECT_EQ(log.size(), 6u);
}

TEST_F(NotificationCenterTest, RemovalByTokenOwnerAndFilter) {
    const auto token = center.addObserver(&owner, "N", nullptr, note("owner"));
    center.addObserver(&owner, "M", &a, note("owner"));
    center.addObserver(&other, "N", nullptr, note("other"));
    EXPECT_NE(token, 0u);
    center.removeObserver(&owner, "M", &a);
    center.postNotification("M", &a);
    center.removeObserver(token);
    center.postNotification("N", nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"other:N"});
    center.removeObserver(&other);
    EXPECT_EQ(center.observerCount(), 0u);

    // A name without an object matches every object; an empty name every name.
    center.addObserver(&owner, "N", &a, note(""));
    center.addObserver(&owner, "N", &b, note(""));
    center.addObserver(&owner, "K", &b, note(""));
    center.removeObserver(&owner, "N", nullptr);
    EXPECT_EQ(center.observerCount(), 1u);
    center.removeObserver(&owner, "", &b);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST_F(NotificationCenterTest, ChangesAndPostsDuringDelivery) {
    // The first removes itself and the second; the third still runs.
    NotificationCenter::Token first = 0, second = 0;
    first = center.addObserver(&owner, "N", nullptr, [&](const Notification& n) {
        note("1")(n);
        center.removeObserver(first);
        center.removeObserver(second);
    });
    second = center.addObserver(&owner, "N", nullptr, note("2"));
    center.addObserver(&owner, "N", nullptr, note("3"));
    // Observers added during delivery wait for the next post.
    center.addObserver(&owner, "M", nullptr, [&](const Notification&) {
        center.addObserver(&owner, "M", nullptr, note("added"));
    });
    // Nested posts are delivered inside the outer call.
    center.addObserver(&owner, "Outer", nullptr, [&](const Notification& n) {
        note("begin")(n);
        center.postNotification("N", nullptr);
        note("end")(n);
    });
    center.postNotification("N", nullptr);
    center.postNotification("M", nullptr);
    center.postNotification("M", nullptr);
    center.postNotification("Outer", nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"1:N", "3:N", "added:M", "begin:Outer", "3:N",
                                             "end:Outer"}));
}

} // namespace
} // namespace qv
