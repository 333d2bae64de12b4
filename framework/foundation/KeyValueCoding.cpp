#include "framework/foundation/KeyValueCoding.h"

#include <algorithm>
#include <mutex>
#include <set>

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

namespace {

// Orders shared lists by their paths, and finds them by a plain list.
struct KeyPathListLess {
    using is_transparent = void;
    using Paths = std::vector<std::string>;
    bool operator()(const KeyPathList& a, const KeyPathList& b) const { return *a < *b; }
    bool operator()(const KeyPathList& a, const Paths& b) const { return *a < b; }
    bool operator()(const Paths& a, const KeyPathList& b) const { return a < *b; }
};

} // namespace

KeyPathList internKeyPathList(std::vector<std::string> keyPaths) {
    static std::mutex mutex;
    static std::set<KeyPathList, KeyPathListLess> table;
    std::lock_guard lock(mutex);
    auto it = table.find(keyPaths);
    if (it == table.end())
        it = table.insert(std::make_shared<const std::vector<std::string>>(std::move(keyPaths)))
                 .first;
    return *it;
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

KeyValueObservable::KeyValueObservable() = default;

KeyValueObservable::KeyValueObservable(const KeyValueObservable& other) : KeyValueCoding(other) {}

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
    m_Registrations.push_back(
        {m_NextRegistrationId++, observer, internKeyPathList({std::move(keyPath)}), options});
}

void KeyValueObservable::addObserver(KeyValueObserver* observer, KeyPathList keyPaths,
                                     unsigned options) {
    if (!observer || !keyPaths || keyPaths->empty())
        return;
    const std::uint64_t first = m_NextRegistrationId;
    m_NextRegistrationId += keyPaths->size();
    m_Registrations.push_back({first, observer, std::move(keyPaths), options});
}

bool KeyValueObservable::removeObserver(KeyValueObserver* observer, std::string_view keyPath) {
    // The newest registration goes first, as it would with nested add/remove pairs.
    for (auto it = m_Registrations.rbegin(); it != m_Registrations.rend(); ++it) {
        if (it->observer != observer)
            continue;
        for (std::size_t i = it->count(); i-- > 0;) {
            if (it->pathAt(i) != keyPath)
                continue;
            auto at = std::next(it).base();
            if (at->count() == 1) {
                m_Registrations.erase(at);
                return true;
            }
            // Taking one path out of a list: the others become single
            // records with their ids, so order and pending changes hold.
            const Registration whole = *at;
            std::vector<Registration> rest;
            rest.reserve(whole.count() - 1);
            for (std::size_t j = 0; j < whole.count(); ++j)
                if (j != i)
                    rest.push_back({whole.firstId + j, observer,
                                    internKeyPathList({whole.pathAt(j)}), whole.options});
            at = m_Registrations.erase(at);
            m_Registrations.insert(at, rest.begin(), rest.end());
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
    for (const Registration& r : m_Registrations)
        if (r.observer == observer)
            for (std::size_t i = 0; i < r.count(); ++i)
                if (r.pathAt(i) == keyPath)
                    return true;
    return false;
}

std::size_t KeyValueObservable::observationCount() const {
    std::size_t n = 0;
    for (const Registration& r : m_Registrations)
        n += r.count();
    return n;
}

std::vector<std::string>
KeyValueObservable::observedKeyPaths(const KeyValueObserver* observer) const {
    std::vector<std::string> paths;
    for (const Registration& r : m_Registrations)
        if (r.observer == observer)
            for (std::size_t i = 0; i < r.count(); ++i)
                paths.push_back(r.pathAt(i));
    return paths;
}

std::pair<const KeyValueObservable::Registration*, std::size_t>
KeyValueObservable::registration(std::uint64_t id) const {
    // Ids grow with registration order, so the records are sorted by their
    // first id; the one before the first record starting past id may hold it.
    auto it =
        std::upper_bound(m_Registrations.begin(), m_Registrations.end(), id,
                         [](std::uint64_t v, const Registration& r) { return v < r.firstId; });
    if (it == m_Registrations.begin())
        return {nullptr, 0};
    --it;
    const std::uint64_t index = id - it->firstId;
    if (index >= it->count())
        return {nullptr, 0};
    return {&*it, static_cast<std::size_t>(index)};
}

void KeyValueObservable::willChangeValueForKeyPath(std::string_view keyPath) {
    // Without registrations there is nothing to record, and no open change
    // can still reach an observer: ids are never reused, so every pending
    // entry refers to a registration that is gone. Skipping the record thus
    // changes no delivery, and objects nobody watches (a shape being read)
    // pay nothing for their announcements.
    if (m_Registrations.empty())
        return;
    OpenChange change{std::string(keyPath), {}};
    // Reading old values runs model code, which must not see a half-built
    // list; the lists stay alive even if their records go meanwhile.
    struct Concerned {
        std::uint64_t id;
        const std::string* path;
        unsigned options;
    };
    std::vector<Concerned> concerned;
    std::vector<KeyPathList> lists;
    for (const Registration& r : m_Registrations) {
        bool any = false;
        for (std::size_t i = 0; i < r.count(); ++i) {
            const std::string& path = r.pathAt(i);
            if (keyPathsOverlap(path, keyPath)) {
                concerned.push_back({r.firstId + i, &path, r.options});
                any = true;
            }
        }
        if (any)
            lists.push_back(r.list);
    }
    change.pending.reserve(concerned.size());
    for (const Concerned& c : concerned) {
        Value old = (c.options & KeyValueObservingOptionOld) ? valueForKeyPath(*c.path) : Value();
        change.pending.push_back({c.id, std::move(old)});
    }
    m_OpenChanges.push_back(std::move(change));
}

void KeyValueObservable::didChangeValueForKeyPath(std::string_view keyPath) {
    if (m_OpenChanges.empty())
        return;
    auto it = std::find_if(m_OpenChanges.rbegin(), m_OpenChanges.rend(),
                           [&](const OpenChange& c) { return c.keyPath == keyPath; });
    if (it == m_OpenChanges.rend())
        return;
    OpenChange change = std::move(*it);
    m_OpenChanges.erase(std::next(it).base());

    if (change.pending.empty())
        return;
    if (!m_AliveToken)
        m_AliveToken = std::make_shared<int>(0);
    std::weak_ptr<int> alive = m_AliveToken;
    for (const Pending& pending : change.pending) {
        if (alive.expired())
            return; // an observer destroyed the object
        auto [r, index] = registration(pending.registrationId);
        if (!r)
            continue; // removed since the change began
        KeyValueObserver* observer = r->observer;
        // The callback may remove the record; the path outlives it.
        const KeyPathList list = r->list;
        const std::string& observedPath = (*list)[index];
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
