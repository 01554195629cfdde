#pragma once

#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** Splits a URL into its parts; each answer is empty when the URL lacks the part or cannot be parsed. */
class URLServiceInterface : public virtual ObjectInterface {
public:
    /** The query, without the leading question mark. */
    virtual std::string GetQuery(const std::string& url) = 0;
    virtual std::string GetPath(const std::string& url) = 0;
    virtual std::string GetScheme(const std::string& url) = 0;
    virtual std::string GetHost(const std::string& url) = 0;
};

}  // namespace NuvraMobile
