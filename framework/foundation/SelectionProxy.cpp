#include "framework/foundation/SelectionProxy.h"

namespace qv {

void SelectionProxy::setObjects(ObjectList objects) {
    m_Objects = std::move(objects);
    m_Provider = nullptr;
}

SelectionProxy::ObjectList SelectionProxy::objects() const {
    return m_Provider ? m_Provider() : m_Objects;
}

Value SelectionProxy::valueForKey(std::string_view key) const {
    return valueForKeyPath(key);
}

bool SelectionProxy::setValueForKey(const Value& value, std::string_view key) {
    return setValueForKeyPath(value, key);
}

Value SelectionProxy::valueForKeyPath(std::string_view keyPath) const {
    const ObjectList list = objects();
    if (list.empty())
        return Value::noSelection();
    Value common = list.front()->valueForKeyPath(keyPath);
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (!(list[i]->valueForKeyPath(keyPath) == common))
            return Value::multipleValues();
    }
    return common;
}

bool SelectionProxy::setValueForKeyPath(const Value& value, std::string_view keyPath) {
    if (value.isMarker())
        return false;
    bool any = false;
    for (KeyValueCoding* object : objects())
        any = object->setValueForKeyPath(value, keyPath) || any;
    return any;
}

} // namespace qv
