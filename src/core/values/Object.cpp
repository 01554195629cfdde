#include "core/values/Object.h"

#include <cstdint>
#include <sstream>
#include <typeinfo>

#include "util/StringUtils.h"

namespace NuvraMobile {

std::string ObjectInterface::ToString() const { return StringUtils::ToString(*this); }

std::string ObjectInterface::ToString(const ToStringOptions& options) const {
    return StringUtils::ToString(*this, options);
}

bool IsEqual(const ObjectInterface* first, const ObjectInterface* second) {
    if (first == second) {
        return true;
    }
    if (first == nullptr || second == nullptr) {
        return false;
    }
    return first->Equals(*second);
}

bool IsEqual(const ObjectInterface& first, const ObjectInterface& second) {
    return &first == &second || first.Equals(second);
}

void ToStringImpl(std::ostream& stream, const ObjectInterface& object, const ToStringOptions& options) {
    stream << object.ToStringImpl(options);
}

bool Object::Equals(const ObjectInterface& other) const {
    return static_cast<const ObjectInterface*>(this) == &other;
}

std::shared_ptr<ObjectInterface> Object::SharedPtrToThisObjectInterface() { return shared_from_this(); }

std::string Object::ToStringImpl(const ToStringOptions& options) const {
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(this));
    return StringUtils::FormatString(options, "{ class: \"Object\", this: %s, typeid: %q }", address,
                                     StringUtils::Quotify(typeid(*this).name(), options.maxStringLength));
}

}  // namespace NuvraMobile
