#pragma once

#include <type_traits>
#include <utility>
#include <variant>

#include "core/values/SdkError.h"

namespace NuvraMobile {

namespace ExpectedInternal {
[[noreturn]] void ThrowValueNotAvailable();
[[noreturn]] void ThrowErrorNotAvailable();
}  // namespace ExpectedInternal

/**
 * Either a value or an error, or nothing yet: carries results through asynchronous callbacks and
 * conversions that can fail. Reading the side that is not held throws SdkError "std.bad_cast".
 * A plain value.
 */
template <typename T, typename E = SdkError>
class Expected {
public:
    /** Holds nothing. */
    Expected() = default;
    /** Holds a value made from `value` (a derived pointer, a literal ...). */
    template <typename U = T, typename = std::enable_if_t<std::is_constructible_v<T, U&&> &&
                                                          !std::is_same_v<std::decay_t<U>, Expected> &&
                                                          !std::is_same_v<std::decay_t<U>, E>>>
    Expected(U&& value) : content_(std::in_place_index<1>, std::forward<U>(value)) {}
    Expected(const E& error) : content_(std::in_place_index<2>, error) {}

    /** Holds a value or an error. */
    bool IsSet() const { return content_.index() != 0; }
    bool HasValue() const { return content_.index() == 1; }
    bool HasError() const { return content_.index() == 2; }

    T& Value() {
        if (!HasValue()) {
            ExpectedInternal::ThrowValueNotAvailable();
        }
        return std::get<1>(content_);
    }
    const T& Value() const { return ConstValue(); }
    const T& ConstValue() const {
        if (!HasValue()) {
            ExpectedInternal::ThrowValueNotAvailable();
        }
        return std::get<1>(content_);
    }
    const E& Error() const {
        if (!HasError()) {
            ExpectedInternal::ThrowErrorNotAvailable();
        }
        return std::get<2>(content_);
    }

private:
    std::variant<std::monostate, T, E> content_;
};

}  // namespace NuvraMobile
