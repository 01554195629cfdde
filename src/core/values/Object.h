#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * The concrete base of every implementation class: identity equality, shared ownership of itself and
 * a default description naming its address and run-time type. Objects live in shared pointers.
 * Stateless: callable from any thread.
 */
class Object : public std::enable_shared_from_this<Object>, public virtual ObjectInterface {
public:
    /** True only when `other` is this very object. */
    bool Equals(const ObjectInterface& other) const override;

    std::shared_ptr<ObjectInterface> SharedPtrToThisObjectInterface() override;

    /** { class: "Object", this: <address in decimal>, typeid: "<run-time type name>" } */
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

}  // namespace NuvraMobile
