// Registering a shared list of key paths must behave exactly like
// registering its paths one by one, in list order.
#include "framework/foundation/KeyValueCoding.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {
namespace {

// "a" and "b" are numbers, "c" a map with "x" and "y".
class Thing : public KeyValueObservable {
public:
    std::int64_t a = 0, b = 0, x = 0, y = 0;

    void set(std::string_view path, std::int64_t v) {
        KeyValueChangeScope scope(this, std::string(path));
        if (path == "a")
            a = v;
        else if (path == "b")
            b = v;
        else if (path == "c.x")
            x = v;
        else if (path == "c.y")
            y = v;
        else if (path == "c")
            x = y = v;
    }
    Value valueForKey(std::string_view key) const override {
        if (key == "a")
            return a;
        if (key == "b")
            return b;
        if (key == "c")
            return Value(Value::Map{{"x", Value(x)}, {"y", Value(y)}});
        return {};
    }
};

struct Log : KeyValueObserver {
    Log(std::string n, std::vector<std::string>* e) : name(std::move(n)), entries(e) {}
    std::string name;
    std::vector<std::string>* entries = nullptr;
    std::function<void(std::string_view, KeyValueObservable&)> onChange;
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                const Value& oldValue, const Value& newValue) override {
        entries->push_back(name + " " + std::string(keyPath) + " " + oldValue.description() +
                           " -> " + newValue.description());
        if (onChange)
            onChange(keyPath, object);
    }
};

const std::vector<std::string> kPaths = {"a", "c.x", "c", "b", "c.y", "a"};

// Runs the same edits on an object observed per path or by one list and
// returns what the observers were told, in order.
std::vector<std::string> run(bool asList, unsigned options,
                             const std::function<void(Thing&, Log&, Log&)>& tweak = {}) {
    std::vector<std::string> entries;
    Thing t;
    Log first("first", &entries), second("second", &entries);
    t.addObserver(&second, "c.x");
    if (asList)
        t.addObserver(&first, internKeyPathList(kPaths), options);
    else
        for (const std::string& p : kPaths)
            t.addObserver(&first, p, options);
    t.addObserver(&second, "c");
    if (tweak)
        tweak(t, first, second);

    t.set("a", 1);
    t.set("c", 2);   // reaches c.x, c and c.y
    t.set("c.y", 3); // reaches c.y and c, not c.x
    t.willChangeValueForKeyPath("b");
    t.set("a", 4);
    t.willChangeValueForKeyPath("c.x");
    t.x = 5;
    t.b = 6;
    t.didChangeValueForKeyPath("c.x");
    t.didChangeValueForKeyPath("b");
    entries.push_back("count " + std::to_string(t.observationCount()));
    for (const std::string& p : t.observedKeyPaths(&first))
        entries.push_back("path " + p);
    return entries;
}

TEST(KeyValueObservationLists, NotifyLikeOneRegistrationPerPath) {
    for (unsigned options : {0u, unsigned(KeyValueObservingOptionOld),
                             unsigned(KeyValueObservingOptionOld | KeyValueObservingOptionNew)}) {
        const std::vector<std::string> single = run(false, options);
        EXPECT_GT(single.size(), 20u);
        EXPECT_EQ(run(true, options), single) << "options " << options;
    }
}

TEST(KeyValueObservationLists, RemovalsMatchOneRegistrationPerPath) {
    // One path taken out beforehand: the newest of a repeated path goes.
    auto removeOne = [](Thing& t, Log& first, Log&) {
        EXPECT_TRUE(t.removeObserver(&first, "a"));
        EXPECT_TRUE(t.removeObserver(&first, "c"));
        EXPECT_FALSE(t.removeObserver(&first, "nothing"));
    };
    EXPECT_EQ(run(true, KeyValueObservingOptionOld, removeOne),
              run(false, KeyValueObservingOptionOld, removeOne));

    // Paths removed while a change is being delivered are not told; the
    // rest of the list still is.
    auto removeDuring = [](Thing&, Log& first, Log& second) {
        second.onChange = [&first](std::string_view path, KeyValueObservable& o) {
            if (path == "c.x") {
                o.removeObserver(&first, "c.y");
                o.removeObserver(&first, "c");
            }
        };
    };
    const std::vector<std::string> single = run(false, KeyValueObservingOptionOld, removeDuring);
    EXPECT_EQ(run(true, KeyValueObservingOptionOld, removeDuring), single);

    // Removing the observer as a whole during delivery stops the whole list.
    auto removeAll = [](Thing&, Log& first, Log&) {
        first.onChange = [&first](std::string_view path, KeyValueObservable& o) {
            if (path == "c.x")
                o.removeObserver(&first);
        };
    };
    EXPECT_EQ(run(true, 0, removeAll), run(false, 0, removeAll));
}

TEST(KeyValueObservationLists, EqualListsAreSharedAndEmptyOnesIgnored) {
    const KeyPathList one = internKeyPathList(kPaths);
    EXPECT_EQ(internKeyPathList(kPaths).get(), one.get());
    EXPECT_EQ(*one, kPaths);
    EXPECT_NE(internKeyPathList({"a"}).get(), one.get());

    Thing t;
    std::vector<std::string> entries;
    Log log("log", &entries);
    t.addObserver(&log, internKeyPathList({}));
    t.addObserver(&log, KeyPathList());
    EXPECT_EQ(t.observationCount(), 0u);
    t.set("a", 1);
    EXPECT_TRUE(entries.empty());
}

} // namespace
} // namespace qv
