#pragma once
// One address per object, whatever base-class pointer it is seen through, so
// that a shape posting as `Shape*` matches an observer that filters on the
// same shape seen as a `KeyValueObservable*`.

#include <type_traits>

namespace qv {

template <class T> const void* objectIdentity(const T* object) {
    if constexpr (std::is_void_v<T>) {
        return object;
    } else if constexpr (std::is_polymorphic_v<T>) {
        return object ? dynamic_cast<const void*>(object) : nullptr;
    } else {
        return object;
    }
}

} // namespace qv
