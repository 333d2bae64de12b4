#include "framework/foundation/KeyValueCoding.h"

#include <algorithm>

namespace qv {

std::pair<std::string_view, std::string_view> splitKeyPath(std::string_view keyPath) {
    std::size_t dot = keyPath.find('.');
    if (dot == std::string_view::npos)
        return {keyPath, {}};
    return {keyPath.substr(0, dot), keyPath.substr(dot + 1)};
}

bool keyPathsOverlap(std::string_view a, std::string_view b) {
    if (a.size() > b.size())
        std::swap(a, b);
    if (!b.starts_with(a))
        return false;
    return a.size() == b.size() || b[a.size()] == '.';
}

Value KeyValueCoding::valueForKey(std::string_view) const {
    return {};
}

bool KeyValueCoding::setValueForKey(const Value&, std::string_view) {
    return false;
}

KeyValueCoding* KeyValueCoding::childForKey(std::string_view) const {
    return nullptr;
}

Value KeyValueCoding::valueForKeyPath(std::string_view keyPath) const {
    auto [key, rest] = splitKeyPath(keyPath);
    if (key.size() == keyPath.size())
        return valueForKey(key);
    if (KeyValueCoding* child = childForKey(key))
        return child->valueForKeyPath(rest);
    // A plain value with more path: a map entry, or nothing.
    return valueForKey(key).valueForKeyPath(rest);
}

bool KeyValueCoding::setValueForKeyPath(const Value& value, std::string_view keyPath) {
    auto [key, rest] = splitKeyPath(keyPath);
    if (key.size() == keyPath.size())
        return setValueForKey(value, key);
    if (KeyValueCoding* child = childForKey(key))
        return child->setValueForKeyPath(value, rest);
    return false;
}

KeyValueObservable::KeyValueObservable() : m_AliveToken(std::make_shared<int>(0)) {}

KeyValueObservable::KeyValueObservable(const KeyValueObservable& other)
    : KeyValueCoding(other), m_AliveToken(std::make_shared<int>(0)) {}

KeyValueObservable& KeyValueObservable::operator=(const KeyValueObservable& other) {
    // Observers watch this object, not the values it takes over.
    KeyValueCoding::operator=(other);
    return *this;
}

KeyValueObservable::~KeyValueObservable() = default;

void KeyValueObservable::addObserver(KeyValueObserver* observer, std::string keyPath,
                                     unsigned options) {
    if (!observer)
        return;
    m_Registrations.push_back({m_NextRegistrationId++, observer, std::move(keyPath), options});
}

bool KeyValueObservable::removeObserver(KeyValueObserver* observer, std::string_view keyPath) {
    // The newest registration goes first, as it would with nested add/remove pairs.
    for (auto it = m_Registrations.rbegin(); it != m_Registrations.rend(); ++it) {
        if (it->observer == observer && it->keyPath == keyPath) {
            m_Registrations.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

void KeyValueObservable::removeObserver(KeyValueObserver* observer) {
    std::erase_if(m_Registrations, [&](const Registration& r) { return r.observer == observer; });
}

bool KeyValueObservable::isObservedBy(const KeyValueObserver* observer,
                                      std::string_view keyPath) const {
    return std::any_of(m_Registrations.begin(), m_Registrations.end(), [&](const Registration& r) {
        return r.observer == observer && r.keyPath == keyPath;
    });
}

std::vector<std::string>
KeyValueObservable::observedKeyPaths(const KeyValueObserver* observer) const {
    std::vector<std::string> paths;
    for (const Registration& r : m_Registrations)
        if (r.observer == observer)
            paths.push_back(r.keyPath);
    return paths;
}

const KeyValueObservable::Registration* KeyValueObservable::registration(std::uint64_t id) const {
    // Ids grow with registration order, so the vector is sorted by id.
    auto it = std::lower_bound(m_Registrations.begin(), m_Registrations.end(), id,
                               [](const Registration& r, std::uint64_t v) { return r.id < v; });
    return it != m_Registrations.end() && it->id == id ? &*it : nullptr;
}

void KeyValueObservable::willChangeValueForKeyPath(std::string_view keyPath) {
    OpenChange change{std::string(keyPath), {}};
    // Reading old values runs model code, which must not see a half-built list.
    std::vector<Registration> concerned;
    for (const Registration& r : m_Registrations)
        if (keyPathsOverlap(r.keyPath, keyPath))
            concerned.push_back(r);
    change.pending.reserve(concerned.size());
    for (const Registration& r : concerned) {
        Value old = (r.options & KeyValueObservingOptionOld) ? valueForKeyPath(r.keyPath) : Value();
        change.pending.push_back({r.id, std::move(old)});
    }
    m_OpenChanges.push_back(std::move(change));
}

void KeyValueObservable::didChangeValueForKeyPath(std::string_view keyPath) {
    auto it = std::find_if(m_OpenChanges.rbegin(), m_OpenChanges.rend(),
                           [&](const OpenChange& c) { return c.keyPath == keyPath; });
    if (it == m_OpenChanges.rend())
        return;
    OpenChange change = std::move(*it);
    m_OpenChanges.erase(std::next(it).base());

    std::weak_ptr<int> alive = m_AliveToken;
    for (const Pending& pending : change.pending) {
        if (alive.expired())
            return; // an observer destroyed the object
        const Registration* r = registration(pending.registrationId);
        if (!r)
            continue; // removed since the change began
        KeyValueObserver* observer = r->observer;
        const std::string observedPath = r->keyPath;
        Value newValue =
            (r->options & KeyValueObservingOptionNew) ? valueForKeyPath(observedPath) : Value();
        observer->observeValueForKeyPath(observedPath, *this, pending.oldValue, newValue);
    }
}

KeyValueChangeScope::KeyValueChangeScope(KeyValueObservable* object, std::string keyPath)
    : m_Object(object), m_KeyPath(std::move(keyPath)) {
    if (m_Object)
        m_Object->willChangeValueForKeyPath(m_KeyPath);
}

KeyValueChangeScope::~KeyValueChangeScope() {
    if (m_Object)
        m_Object->didChangeValueForKeyPath(m_KeyPath);
}

} // namespace qv
