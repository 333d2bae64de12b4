#pragma once
// Stands for a list of objects in key-value coding: reading a key path
// answers the value the objects have in common, the multiple-values marker
// when they differ and the no-selection marker when there are none; writing
// sets the value on every object. Inspector controls bind through it.

#include "framework/foundation/KeyValueCoding.h"

#include <functional>
#include <vector>

namespace qv {

class SelectionProxy : public KeyValueCoding {
public:
    using ObjectList = std::vector<KeyValueCoding*>;
    using Provider = std::function<ObjectList()>;

    SelectionProxy() = default;
    // A fixed list (not owned).
    explicit SelectionProxy(ObjectList objects) : m_Objects(std::move(objects)) {}
    // A list asked for anew on every access, so the proxy follows a
    // controller's current selection.
    explicit SelectionProxy(Provider provider) : m_Provider(std::move(provider)) {}

    void setObjects(ObjectList objects);
    ObjectList objects() const;

    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;
    Value valueForKeyPath(std::string_view keyPath) const override;
    // Marker values are never written to the objects (a control showing
    // "multiple values" hands the marker back unchanged); answers whether
    // at least one object took the value.
    bool setValueForKeyPath(const Value& value, std::string_view keyPath) override;

private:
    ObjectList m_Objects;
    Provider m_Provider;
};

} // namespace qv
