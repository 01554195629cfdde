#pragma once

#include <string>
#include <utility>

namespace NuvraMobile {

/** The outcome of a view prefetch: the views' JSON text, or an error text. A plain value. */
class PivoraPrefetchResult {
public:
    PivoraPrefetchResult(std::string result, std::string error)
        : result_(std::move(result)), error_(std::move(error)) {}

    const std::string& GetResult() const { return result_; }
    const std::string& GetError() const { return error_; }

private:
    std::string result_;
    std::string error_;
};

}  // namespace NuvraMobile
