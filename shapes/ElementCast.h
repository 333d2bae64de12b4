#pragma once
// Down-casts that reading does for every element and shape of a file. A
// file holds thousands of objects of a dozen classes, so the class itself is
// tried first and the classes already seen to fail are remembered; only the
// rest pay for dynamic_cast's walk of the hierarchy. The answers match
// dynamic_cast for classes whose bases are each inherited once.

#include <typeinfo>
#include <vector>

namespace qv {

template <class To, class From> To* elementCast(From* object) {
    if (!object)
        return nullptr;
    const std::type_info& type = typeid(*object);
    if (&type == &typeid(To))
        return static_cast<To*>(object);
    // Per thread, so that no lock is needed; a list of a few classes. A
    // class with a second type_info object (from another library) gets an
    // entry of its own.
    thread_local std::vector<const std::type_info*> notTo;
    for (const std::type_info* seen : notTo)
        if (seen == &type)
            return nullptr;
    if (type == typeid(To))
        return static_cast<To*>(object);
    To* result = dynamic_cast<To*>(object);
    if (!result)
        notTo.push_back(&type);
    return result;
}

} // namespace qv
