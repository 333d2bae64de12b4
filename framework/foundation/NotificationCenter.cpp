#include "framework/foundation/NotificationCenter.h"

#include <vector>

namespace qv {

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: objects that outlive main may still remove themselves.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserverImpl(const void* owner, std::string name,
                                                              const void* object,
                                                              Callback callback) {
    Token token = m_NextToken++;
    m_Entries.emplace(token, Entry{owner, std::move(name), object,
                                   std::make_shared<Callback>(std::move(callback))});
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    m_Entries.erase(token);
}

void NotificationCenter::removeOwnerImpl(const void* owner, const std::string_view* name,
                                         const void* object) {
    for (auto it = m_Entries.begin(); it != m_Entries.end();) {
        const Entry& e = it->second;
        bool match = e.owner == owner && (!name || name->empty() || e.name == *name) &&
                     (!object || e.object == object);
        it = match ? m_Entries.erase(it) : std::next(it);
    }
}

void NotificationCenter::postImpl(std::string_view name, const void* object, Value userInfo) {
    // The receivers are fixed when the post starts; each is checked again
    // just before its call, since an earlier one may have removed it. Most
    // posts have one receiver or none, which need no list on the heap.
    Token first = 0;
    std::vector<Token> more;
    for (const auto& [token, e] : m_Entries) {
        if ((e.name.empty() || e.name == name) && (!e.object || e.object == object)) {
            if (first == 0)
                first = token;
            else
                more.push_back(token);
        }
    }
    if (first == 0)
        return;
    const Notification notification{std::string(name), object, std::move(userInfo)};
    auto deliver = [&](Token token) {
        auto it = m_Entries.find(token);
        if (it == m_Entries.end())
            return;
        // Held here so that removing the registration inside the call does
        // not destroy the function being run.
        std::shared_ptr<Callback> callback = it->second.callback;
        if (*callback)
            (*callback)(notification);
    };
    deliver(first);
    for (Token token : more)
        deliver(token);
}

} // namespace qv
