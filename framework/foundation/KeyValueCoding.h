#pragma once
// Key-value coding: reading and writing named properties of model objects by
// text key and dotted key path ("fill.color"), and observing changes of key
// paths with the values before and after.
//
// Traversal: valueForKeyPath("a.b.c") asks childForKey("a") for the object
// behind "a" and hands it the rest of the path ("b.c"); an object without
// such a child answers its own valueForKey("a"), read as a map when the path
// goes on. Classes that route whole paths elsewhere (a group sends "fill."
// paths to a selection proxy over its members) override valueForKeyPath /
// setValueForKeyPath.

#include "framework/foundation/Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class KeyValueCoding {
public:
    KeyValueCoding() = default;
    KeyValueCoding(const KeyValueCoding&) = default;
    KeyValueCoding& operator=(const KeyValueCoding&) = default;
    virtual ~KeyValueCoding() = default;

    // Null for unknown keys.
    virtual Value valueForKey(std::string_view key) const;
    // False for unknown keys and values the key cannot take.
    virtual bool setValueForKey(const Value& value, std::string_view key);
    // The object behind a key, for traversal; null when the key is a plain value.
    virtual KeyValueCoding* childForKey(std::string_view key) const;

    virtual Value valueForKeyPath(std::string_view keyPath) const;
    // False when a step of the path does not lead to an object or the last
    // key is refused.
    virtual bool setValueForKeyPath(const Value& value, std::string_view keyPath);
};

// The first key of a path and the rest after its first dot ("" when none).
std::pair<std::string_view, std::string_view> splitKeyPath(std::string_view keyPath);

// Whether a change announced at one of the paths concerns an observer of the
// other: equal paths, or one a dotted prefix of the other ("fill" and
// "fill.color", but not "fill" and "fillColor").
bool keyPathsOverlap(std::string_view a, std::string_view b);

using KeyPathList = std::shared_ptr<const std::vector<std::string>>;
// The process-wide copy of a list of key paths (equal lists give the same
// copy, kept for the life of the process), for objects that all register
// the same paths.
KeyPathList internKeyPathList(std::vector<std::string> keyPaths);

class KeyValueObservable;

class KeyValueObserver {
public:
    virtual ~KeyValueObserver() = default;
    // keyPath is the path as the observer registered it; values that the
    // observer did not ask for are null.
    virtual void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                        const Value& oldValue, const Value& newValue) = 0;
};

enum KeyValueObservingOptions : unsigned {
    KeyValueObservingOptionNew = 1,
    KeyValueObservingOptionOld = 2,
};

// An object whose key paths can be observed. Mutators bracket every change
// with willChangeValueForKeyPath / didChangeValueForKeyPath (or a
// KeyValueChangeScope); pairs may nest. The will-call records the old values
// of every observed path that the change concerns, the did-call reads the
// new values and tells the observers, in registration order. An observer
// removed meanwhile (also by another observer's callback) is not told; one
// added meanwhile is told only of later changes.
//
// Observation is not copied: a copy starts without observers. Observers do
// not own the object and must remove themselves before they go away.
class KeyValueObservable : public KeyValueCoding {
public:
    KeyValueObservable();
    KeyValueObservable(const KeyValueObservable& other);
    KeyValueObservable& operator=(const KeyValueObservable& other);
    ~KeyValueObservable() override;

    void addObserver(KeyValueObserver* observer, std::string keyPath,
                     unsigned options = KeyValueObservingOptionNew | KeyValueObservingOptionOld);
    // Registers every path of the list, as that many single registrations
    // in list order would, but in one record sharing the list.
    void addObserver(KeyValueObserver* observer, KeyPathList keyPaths,
                     unsigned options = KeyValueObservingOptionNew | KeyValueObservingOptionOld);
    // Removes one registration of the observer for exactly this path; false
    // when there was none.
    bool removeObserver(KeyValueObserver* observer, std::string_view keyPath);
    // Removes every registration of the observer.
    void removeObserver(KeyValueObserver* observer);
    bool isObservedBy(const KeyValueObserver* observer, std::string_view keyPath) const;
    // Registered paths, counting each path of a list.
    std::size_t observationCount() const;
    // The paths registered by an observer, in registration order.
    std::vector<std::string> observedKeyPaths(const KeyValueObserver* observer) const;

    void willChangeValueForKeyPath(std::string_view keyPath);
    // Closes the most recent open change of the same path; a did-call
    // without a matching will-call is ignored.
    void didChangeValueForKeyPath(std::string_view keyPath);

private:
    // One record stands for one registration per path of its list, with
    // the ids firstId, firstId + 1, ...; a single path is a list of one.
    struct Registration {
        std::uint64_t firstId;
        KeyValueObserver* observer;
        KeyPathList list;
        unsigned options;

        std::size_t count() const { return list->size(); }
        const std::string& pathAt(std::size_t i) const { return (*list)[i]; }
    };
    struct Pending {
        std::uint64_t registrationId;
        Value oldValue;
    };
    struct OpenChange {
        std::string keyPath;
        std::vector<Pending> pending;
    };

    // The record holding a path registration id and the path's index in it.
    std::pair<const Registration*, std::size_t> registration(std::uint64_t id) const;

    std::vector<Registration> m_Registrations;
    std::vector<OpenChange> m_OpenChanges;
    std::uint64_t m_NextRegistrationId = 1;
    // Lets a delivery notice that an observer's callback destroyed the
    // object; made at the first delivery, as most objects never see one.
    std::shared_ptr<int> m_AliveToken;
};

// Calls willChangeValueForKeyPath on construction and the matching
// didChangeValueForKeyPath on destruction. A null object does nothing.
class KeyValueChangeScope {
public:
    KeyValueChangeScope(KeyValueObservable* object, std::string keyPath);
    ~KeyValueChangeScope();
    KeyValueChangeScope(const KeyValueChangeScope&) = delete;
    KeyValueChangeScope& operator=(const KeyValueChangeScope&) = delete;

private:
    KeyValueObservable* m_Object;
    std::string m_KeyPath;
};

} // namespace qv
