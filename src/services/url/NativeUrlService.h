#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/URLServiceInterface.h"

namespace NuvraMobile {

/**
 * Splits URLs (RFC 3986 references, absolute or relative) into query, path, scheme and host. A URL that
 * does not parse, the empty one included, gives the empty string and a debug line. The path is
 * percent-decoded; the query and host are given as written. Holds no state; safe from any thread.
 */
class NativeUrlService : public Object, public virtual URLServiceInterface {
public:
    std::string GetQuery(const std::string& url) override;
    std::string GetPath(const std::string& url) override;
    std::string GetScheme(const std::string& url) override;
    std::string GetHost(const std::string& url) override;
};

std::shared_ptr<URLServiceInterface> CreateNativeUrlService();

}  // namespace NuvraMobile
