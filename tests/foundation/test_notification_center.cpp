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

TEST(NotificationCenter, FiltersByNameAndObject) {
    NotificationCenter center;
    int senderA = 0, senderB = 0;
    std::vector<std::string> log;
    center.addObserver(&log, "Ping", &senderA,
                       [&](const Notification& n) { log.push_back("a:" + n.name); });
    center.addObserver(&log, "Ping", nullptr, [&](const Notification& n) {
        log.push_back(std::string("any:") + (n.isFrom(&senderB) ? "B" : "?"));
    });
    center.addObserver(&log, "", &senderB,
                       [&](const Notification& n) { log.push_back("allNames:" + n.name); });

    center.postNotification("Ping", &senderA);
    center.postNotification("Ping", &senderB);
    center.postNotification("Pong", &senderB);
    center.postNotification("Pong", &senderA);
    EXPECT_EQ(log, (std::vector<std::string>{"a:Ping", "any:?", "any:B", "allNames:Ping",
                                             "allNames:Pong"}));
}

TEST(NotificationCenter, ObjectIdentityIgnoresTheBaseClassSeen) {
    NotificationCenter center;
    Sender sender;
    const Base2* asBase2 = &sender;
    int calls = 0;
    center.addObserver(&calls, "Changed", asBase2, [&](const Notification& n) {
        ++calls;
        EXPECT_TRUE(n.isFrom(static_cast<const Base1*>(&sender)));
    });
    center.postNotification("Changed", static_cast<const Base1*>(&sender));
    center.postNotification("Changed", &sender);
    EXPECT_EQ(calls, 2);
    // The shared center delivers like any other.
    NotificationCenter& shared = NotificationCenter::defaultCenter();
    const auto token =
        shared.addObserver(&calls, "Shared", nullptr, [&](const Notification&) { ++calls; });
    NotificationCenter::defaultCenter().postNotification("Shared", nullptr);
    shared.removeObserver(token);
    EXPECT_EQ(calls, 3);
}

TEST(NotificationCenter, RemovalByTokenOwnerAndFilter) {
    NotificationCenter center;
    int owner1 = 0, owner2 = 0, object = 0;
    int calls1 = 0, calls2 = 0;
    auto t1 = center.addObserver(&owner1, "N", nullptr, [&](const Notification&) { ++calls1; });
    center.addObserver(&owner1, "M", &object, [&](const Notification&) { ++calls1; });
    center.addObserver(&owner2, "N", nullptr, [&](const Notification&) { ++calls2; });
    EXPECT_NE(t1, 0u);
    EXPECT_EQ(center.observerCount(), 3u);

    center.removeObserver(&owner1, "M", &object);
    center.postNotification("M", &object);
    EXPECT_EQ(calls1, 0);
    center.removeObserver(t1);
    center.postNotification("N", nullptr);
    EXPECT_EQ(calls1, 0);
    EXPECT_EQ(calls2, 1);
    center.removeObserver(&owner2);
    EXPECT_EQ(center.observerCount(), 0u);

    // Removal of a name matches every object when none is given.
    int owner = 0, o1 = 0, o2 = 0;
    center.addObserver(&owner, "N", &o1, [](const Notification&) {});
    center.addObserver(&owner, "N", &o2, [](const Notification&) {});
    center.addObserver(&owner, "K", &o2, [](const Notification&) {});
    center.removeObserver(&owner, "N", nullptr);
    EXPECT_EQ(center.observerCount(), 1u);
    center.removeObserver(&owner, "", &o2);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, RemovalDuringDeliveryIsSafeAndHonoured) {
    NotificationCenter center;
    std::vector<int> calls;
    NotificationCenter::Token second = 0;
    int owner = 0;
    // The first removes itself and the second; the third still runs.
    NotificationCenter::Token first = 0;
    first = center.addObserver(&owner, "N", nullptr, [&](const Notification&) {
        calls.push_back(1);
        center.removeObserver(first);
        center.removeObserver(second);
    });
    second =
        center.addObserver(&owner, "N", nullptr, [&](const Notification&) { calls.push_back(2); });
    center.addObserver(&owner, "N", nullptr, [&](const Notification&) { calls.push_back(3); });
    center.postNotification("N", nullptr);
    center.postNotification("N", nullptr);
    EXPECT_EQ(calls, (std::vector<int>{1, 3, 3}));

    // Observers added during delivery wait for the next post.
    int added = 0, outer = 0;
    center.addObserver(&owner, "M", nullptr, [&](const Notification&) {
        if (outer++ == 0)
            center.addObserver(&owner, "M", nullptr, [&](const Notification&) { ++added; });
    });
    center.postNotification("M", nullptr);
    EXPECT_EQ(added, 0);
    center.postNotification("M", nullptr);
    EXPECT_EQ(added, 1);
}

TEST(NotificationCenter, NestedPostsDeliverInsideTheOuterCall) {
    NotificationCenter center;
    int owner = 0;
    std::vector<std::string> log;
    center.addObserver(&owner, "Outer", nullptr, [&](const Notification&) {
        log.push_back("outer-begin");
        center.postNotification("Inner", nullptr);
        log.push_back("outer-end");
    });
    center.addObserver(&owner, "Inner", nullptr,
                       [&](const Notification&) { log.push_back("inner"); });
    center.postNotification("Outer", nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"outer-begin", "inner", "outer-end"}));
}

} // namespace
} // namespace qv
