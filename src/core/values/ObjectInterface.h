#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "util/ToStringOptions.h"

namespace NuvraMobile {

/**
 * The abstract root of every interface: comparable, able to hand out shared owners of itself and to
 * describe itself as text. Interfaces inherit it virtually so that every object has exactly one.
 * Thread safety is that of the implementing class.
 */
class ObjectInterface {
public:
    virtual ~ObjectInterface() = default;

    virtual bool Equals(const ObjectInterface& other) const = 0;

    /** A new owner of this object; throws std::bad_weak_ptr when no shared pointer owns it. */
    virtual std::shared_ptr<ObjectInterface> SharedPtrToThisObjectInterface() = 0;

    /** This object's own text; callers use ToString, which adds the depth guard and error handling. */
    virtual std::string ToStringImpl(const ToStringOptions& options) const = 0;

    /** Renders the object with the default options; never throws from the rendering. */
    std::string ToString() const;
    std::string ToString(const ToStringOptions& options) const;
};

/** A shared owner of `object` as `T` (empty when the object is not a `T`). */
template <typename T = ObjectInterface>
std::shared_ptr<T> ObjectToSharedPtr(ObjectInterface& object) {
    return std::dynamic_pointer_cast<T>(object.SharedPtrToThisObjectInterface());
}

/** Null-aware equality: equal when both are the same pointer, else decided by the left operand. */
bool IsEqual(const ObjectInterface* first, const ObjectInterface* second);

/** Equal when both are the same object, else decided by the left operand's Equals. */
bool IsEqual(const ObjectInterface& first, const ObjectInterface& second);

template <typename T, typename U>
bool IsEqual(const std::shared_ptr<T>& first, const std::shared_ptr<U>& second) {
    const ObjectInterface* left = first.get();
    const ObjectInterface* right = second.get();
    return IsEqual(left, right);
}

/** Writes the object's own text; the hook through which StringUtils::ToString renders any object. */
void ToStringImpl(std::ostream& stream, const ObjectInterface& object, const ToStringOptions& options);

}  // namespace NuvraMobile
