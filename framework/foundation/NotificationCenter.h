#pragma once
// Synchronous broadcast of named notifications. Observers register for a
// name (or every name) and an object (or every object); a post calls the
// matching observers at once, in registration order, on the posting thread.
//
// Removing observers during a delivery is safe, also the one being called:
// a removed observer is not called again, not even by the post in progress.
// Observers added during a delivery are called from the next post on.
//
// Object identity is the address of the most-derived object (objectIdentity),
// so the object may be given through any of its base classes.

#include "framework/foundation/ObjectIdentity.h"
#include "framework/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

struct Notification {
    std::string name;
    const void* object = nullptr;
    // A map, or null when there is no user information.
    Value userInfo;

    template <class T> bool isFrom(const T* sender) const {
        return object == objectIdentity(sender);
    }
};

class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The application's centre; lives until the process ends.
    static NotificationCenter& defaultCenter();

    // `owner` groups registrations for removeObserver(owner) and may be null;
    // an empty name means every name, a null object every object. Answers a
    // token for removing just this registration (never 0).
    template <class Owner, class Sender>
    Token addObserver(const Owner* owner, std::string name, const Sender* object,
                      Callback callback) {
        return addObserverImpl(objectIdentity(owner), std::move(name), objectIdentity(object),
                               std::move(callback));
    }
    template <class Owner>
    Token addObserver(const Owner* owner, std::string name, std::nullptr_t, Callback callback) {
        return addObserverImpl(objectIdentity(owner), std::move(name), nullptr,
                               std::move(callback));
    }

    void removeObserver(Token token);
    // Every registration of the owner.
    template <class Owner> void removeObserver(const Owner* owner) {
        removeOwnerImpl(objectIdentity(owner), nullptr, nullptr);
    }
    // The owner's registrations for this name and object; an empty name
    // matches registrations of every name, a null object those of every object.
    template <class Owner, class Sender>
    void removeObserver(const Owner* owner, std::string_view name, const Sender* object) {
        removeOwnerImpl(objectIdentity(owner), &name, objectIdentity(object));
    }
    template <class Owner>
    void removeObserver(const Owner* owner, std::string_view name, std::nullptr_t) {
        removeOwnerImpl(objectIdentity(owner), &name, nullptr);
    }

    template <class Sender>
    void postNotification(std::string_view name, const Sender* object, Value userInfo = {}) {
        postImpl(name, objectIdentity(object), std::move(userInfo));
    }
    void postNotification(std::string_view name, std::nullptr_t, Value userInfo = {}) {
        postImpl(name, nullptr, std::move(userInfo));
    }

    std::size_t observerCount() const { return m_Entries.size(); }

private:
    struct Entry {
        const void* owner;
        std::string name;
        const void* object;
        std::shared_ptr<Callback> callback;
    };

    Token addObserverImpl(const void* owner, std::string name, const void* object,
                          Callback callback);
    void removeOwnerImpl(const void* owner, const std::string_view* name, const void* object);
    void postImpl(std::string_view name, const void* object, Value userInfo);

    // Ordered by token, which is the registration order.
    std::map<Token, Entry> m_Entries;
    Token m_NextToken = 1;
};

} // namespace qv
