// Observation: key-value coding through children and maps, key paths
// observed path by path or as one shared list (one edit script must tell the
// same), changes of observers during delivery, the selection proxy, and the
// notification centre's filters, removals and delivery-time changes.
#include "framework/foundation/KeyValueCoding.h"
#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/SelectionProxy.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {
namespace {

class Widget;

// A style-like part: coded, not observable itself; it announces through its owner.
struct Paint : KeyValueCoding {
    Widget* owner = nullptr;
    std::int64_t color = 0, style = 1;
    Value valueForKey(std::string_view key) const override {
        return key == "color" ? Value(color) : key == "style" ? Value(style) : Value();
    }
    bool setValueForKey(const Value& v, std::string_view key) override;
};

class Widget : public KeyValueObservable {
public:
    std::int64_t size = 0;
    Paint fill;
    Widget() { fill.owner = this; }
    // "size", "fill.color", "fill.style", or "fill" for both of its numbers.
    void set(const std::string& path, std::int64_t v) {
        KeyValueChangeScope scope(this, path);
        (path == "size" ? size : path == "fill.style" ? fill.style : fill.color) = v;
        fill.style = path == "fill" ? v : fill.style;
    }
    Value valueForKey(std::string_view key) const override {
        return key == "size"   ? Value(size)
               : key == "info" ? Value(Value::Map{{"name", Value("w")}})
                               : Value();
    }
    bool setValueForKey(const Value& v, std::string_view key) override {
        return key == "size" && v.kind() == Value::Kind::Int && (set("size", v.toInt()), true);
    }
    KeyValueCoding* childForKey(std::string_view key) const override {
        return key == "fill" ? const_cast<Paint*>(&fill) : nullptr;
    }
};

bool Paint::setValueForKey(const Value& v, std::string_view key) {
    const bool known = (key == "color" || key == "style") && v.kind() == Value::Kind::Int;
    return known && (owner->set("fill." + std::string(key), v.toInt()), true);
}

// Writes "name path old -> new" for every change it is told of.
struct Recorder : KeyValueObserver {
    Recorder(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
    std::vector<std::string>* log;
    std::string name;
    std::function<void(std::string_view, KeyValueObservable&)> onChange = {};
    void observeValueForKeyPath(std::string_view path, KeyValueObservable& object,
                                const Value& oldValue, const Value& newValue) override {
        log->push_back(name + " " + std::string(path) + " " + oldValue.description() + " -> " +
                       newValue.description());
        if (onChange)
            onChange(path, object);
    }
};

TEST(KeyValueCoding, PathsTraverseChildrenAndMapsAndOverlapByWholeKeys) {
    Widget w;
    w.set("size", 3);
    const std::pair<const char*, Value> reads[] = {{"size", Value(3)},
                                                   {"fill.style", Value(1)},
                                                   {"info.name", Value("w")},
                                                   {"fill.nothing", Value()},
                                                   {"size.x", Value()},
                                                   {"nothing.at.all", Value()},
                                                   {"fill.color.deeper", Value()}};
    for (const auto& [path, value] : reads)
        EXPECT_EQ(w.valueForKeyPath(path), value) << path;
    EXPECT_TRUE(w.setValueForKeyPath(Value(5), "fill.color"));
    EXPECT_EQ(w.fill.color, 5);
    for (const char* refused : {"fill.unknown", "info.name", "nothing", "size.x"})
        EXPECT_FALSE(w.setValueForKeyPath(Value(1), refused)) << refused;

    const std::tuple<const char*, const char*, bool> overlaps[] = {
        {"fill", "fill", true},
        {"fill", "fill.color", true},
        {"fill.color", "fill", true},
        {"fill", "fillColor", false},
        {"fill.color", "fill.colorSpace", false},
        {"fill.color", "stroke.color", false}};
    for (const auto& [a, b, overlap] : overlaps)
        EXPECT_EQ(keyPathsOverlap(a, b), overlap) << a << " " << b;
}

std::string joined(const std::vector<std::string>& log) {
    std::string out;
    for (const std::string& line : log)
        out += line + "; ";
    return out;
}

const std::vector<std::string> kPaths = {"size", "fill.color", "fill",
                                         "info", "fill.style", "size"};

// Runs one edit script on a widget observed by `first` path by path or by one
// list of kPaths, `second` registered around it; answers what they were told.
std::vector<std::string> run(bool asList, unsigned options,
                             const std::function<void(Widget&, Recorder&, Recorder&)>& tweak = {}) {
    std::vector<std::string> log;
    Widget w;
    Recorder first{&log, "first"}, second{&log, "second"};
    w.addObserver(&second, "fill.color");
    if (asList)
        w.addObserver(&first, internKeyPathList(kPaths), options);
    else
        for (const std::string& p : kPaths)
            w.addObserver(&first, p, options);
    w.addObserver(&second, "fill");
    if (tweak)
        tweak(w, first, second);
    w.didChangeValueForKeyPath("size"); // unmatched: ignored
    w.set("size", 1);
    w.set("fill", 2);       // the whole part concerns the observers of its properties
    w.set("fill.style", 3); // a property concerns the whole part, not its sibling
    // Nested pairs keep their own old values, also for the same path.
    w.willChangeValueForKeyPath("size");
    w.set("fill.color", 4);
    w.willChangeValueForKeyPath("fill.color");
    w.fill.color = 5;
    w.set("size", 6);
    w.didChangeValueForKeyPath("fill.color");
    w.didChangeValueForKeyPath("size");
    Widget copy(w); // observation is not copied
    copy.set("size", 7);
    log.push_back("count " + std::to_string(w.observationCount()) + " observes size " +
                  std::to_string(w.isObservedBy(&first, "size")));
    for (const std::string& p : w.observedKeyPaths(&first))
        log.push_back("path " + p);
    return log;
}

TEST(KeyValueObservation, ListsTellWhatOneRegistrationPerPathTells) {
    const unsigned both = KeyValueObservingOptionOld | KeyValueObservingOptionNew;
    EXPECT_EQ(joined(run(false, both)),
              "first size 0 -> 1; first size 0 -> 1; second fill.color 0 -> 2; "
              "first fill.color 0 -> 2; first fill null -> null; first fill.style 1 -> 2; "
              "second fill null -> null; first fill null -> null; first fill.style 2 -> 3; "
              "second fill null -> null; second fill.color 2 -> 4; first fill.color 2 -> 4; "
              "first fill null -> null; second fill null -> null; first size 1 -> 6; "
              "first size 1 -> 6; second fill.color 4 -> 5; first fill.color 4 -> 5; "
              "first fill null -> null; second fill null -> null; first size 1 -> 6; "
              "first size 1 -> 6; count 8 observes size 1; path size; path fill.color; path fill; "
              "path info; "
              "path fill.style; path size; ");
    EXPECT_EQ(run(false, KeyValueObservingOptionOld)[0], "first size 0 -> null");
    for (unsigned options : {0u, unsigned(KeyValueObservingOptionOld), both})
        EXPECT_EQ(run(true, options), run(false, options)) << "options " << options;

    // One path taken out beforehand: the newest of a repeated path goes.
    auto removeOne = [](Widget& w, Recorder& first, Recorder&) {
        EXPECT_TRUE(w.removeObserver(&first, "size"));
        EXPECT_TRUE(w.removeObserver(&first, "fill"));
        EXPECT_FALSE(w.removeObserver(&first, "nothing"));
    };
    // Paths removed while a change is being delivered are not told; the
    // rest of the list still is.
    auto removeDuring = [](Widget&, Recorder& first, Recorder& second) {
        second.onChange = [&first](std::string_view path, KeyValueObservable& o) {
            if (path == "fill.color") {
                o.removeObserver(&first, "fill.style");
                o.removeObserver(&first, "fill");
            }
        };
    };
    // Removing the observer as a whole during delivery stops the whole list.
    auto removeAll = [](Widget&, Recorder& first, Recorder&) {
        first.onChange = [&first](std::string_view path, KeyValueObservable& o) {
            if (path == "fill.color")
                o.removeObserver(&first);
        };
    };
    using Tweak = std::function<void(Widget&, Recorder&, Recorder&)>;
    for (const Tweak& tweak : std::vector<Tweak>{removeOne, removeDuring, removeAll})
        EXPECT_EQ(run(true, both, tweak), run(false, both, tweak));

    // Equal lists are shared; empty ones register nothing.
    const KeyPathList one = internKeyPathList(kPaths);
    EXPECT_EQ(internKeyPathList(kPaths).get(), one.get());
    EXPECT_EQ(*one, kPaths);
    EXPECT_NE(internKeyPathList({"size"}).get(), one.get());
    Widget w;
    std::vector<std::string> log;
    Recorder r{&log, "r"};
    w.addObserver(&r, internKeyPathList({}));
    w.addObserver(&r, KeyPathList());
    EXPECT_EQ(w.observationCount(), 0u);
}

TEST(KeyValueObservation, ObserversChangedDuringDeliveryAndRemovedOneByOne) {
    // Removed: not told; added between will and did: told of later changes.
    std::vector<std::string> log;
    Widget w;
    Recorder first{&log, "first"}, second{&log, "second"}, third{&log, "third"}, late{&log, "late"};
    first.onChange = [&](std::string_view, KeyValueObservable& object) {
        object.removeObserver(&second, "size");
        object.removeObserver(&first);
    };
    for (Recorder* r : {&first, &second, &third})
        w.addObserver(r, "size");
    w.willChangeValueForKeyPath("size");
    w.addObserver(&late, "size");
    w.didChangeValueForKeyPath("size");
    w.set("size", 2);
    EXPECT_EQ(log, (std::vector<std::string>{"first size 0 -> 0", "third size 0 -> 0",
                                             "third size 0 -> 2", "late size 0 -> 2"}));
    EXPECT_EQ(w.observationCount(), 2u);

    // An observer may destroy the object it is told about.
    auto doomed = std::make_unique<Widget>();
    Recorder killer{&log, "killer"}, after{&log, "after"};
    killer.onChange = [&](std::string_view, KeyValueObservable&) { doomed.reset(); };
    doomed->addObserver(&killer, "size");
    doomed->addObserver(&after, "size");
    log.clear();
    doomed->set("size", 1);
    EXPECT_EQ(log, std::vector<std::string>{"killer size 0 -> 1"});

    // One registration goes per removal.
    w.addObserver(&third, "size");
    EXPECT_TRUE(w.removeObserver(&third, "size"));
    EXPECT_TRUE(w.isObservedBy(&third, "size"));
    EXPECT_TRUE(w.removeObserver(&third, "size"));
    EXPECT_FALSE(w.removeObserver(&third, "size") || w.isObservedBy(&third, "size"));
}

TEST(SelectionProxy, MarkersCommonValuesNestingProvidersAndObservedWrites) {
    Widget a, b, c;
    SelectionProxy none;
    EXPECT_TRUE(none.valueForKeyPath("fill.color").isNoSelection());
    EXPECT_FALSE(none.setValueForKeyPath(Value(1), "fill.color"));
    SelectionProxy proxy(SelectionProxy::ObjectList{&a, &b});
    EXPECT_EQ(proxy.valueForKeyPath("fill.color"), Value(0));
    b.set("fill.color", 7);
    EXPECT_TRUE(proxy.valueForKeyPath("fill.color").isMultipleValues());
    EXPECT_EQ(proxy.valueForKey("fill.style"), Value(1));
    // A group answers its members' marker; a selection of it and another
    // shape must answer the marker too.
    SelectionProxy outer(SelectionProxy::ObjectList{&proxy, &c});
    EXPECT_TRUE(outer.valueForKeyPath("fill.color").isMultipleValues());

    // Writes reach every object, observed there; a marker handed back by a
    // control is not a value to store.
    std::vector<std::string> log;
    Recorder r{&log, "r"};
    a.addObserver(&r, "fill.color");
    c.addObserver(&r, "fill");
    EXPECT_TRUE(outer.setValueForKeyPath(Value(9), "fill.color"));
    EXPECT_EQ(outer.valueForKeyPath("fill.color"), Value(9));
    EXPECT_EQ(b.fill.color, 9);
    EXPECT_EQ(log, (std::vector<std::string>{"r fill.color 0 -> 9", "r fill null -> null"}));
    EXPECT_FALSE(proxy.setValueForKeyPath(Value::multipleValues(), "fill.color"));
    EXPECT_EQ(a.fill.color, 9);

    // A provider follows the current list.
    SelectionProxy::ObjectList current;
    SelectionProxy following([&] { return current; });
    EXPECT_TRUE(following.valueForKeyPath("size").isNoSelection());
    current = {&a};
    a.set("size", 4);
    EXPECT_EQ(following.valueForKeyPath("size"), Value(4));
    current = {&a, &b};
    EXPECT_TRUE(following.valueForKeyPath("size").isMultipleValues());
}

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
