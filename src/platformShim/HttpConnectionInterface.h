#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** The body of an HTTP answer as bytes. Immutable: any thread may read it. */
class HttpConnectionDataInterface : public virtual ObjectInterface {
public:
    /** Copies up to `maxSize` bytes from the start of the body into `buffer`; returns the count copied. */
    virtual std::uint64_t GetData(std::uint64_t maxSize, void* buffer) const = 0;
    /** The body length in bytes. */
    virtual std::uint64_t GetSize() const = 0;
};

/** One HTTP answer: status, header fields and body. Immutable: any thread may read it. */
class HttpConnectionInterface : public virtual ObjectInterface {
public:
    /** The body as UTF-8 text; empty when the body is not valid UTF-8. */
    virtual std::string GetResponse() const = 0;
    virtual std::shared_ptr<HttpConnectionDataInterface> GetResponseRawData() const = 0;
    /** The HTTP status, for example 200. */
    virtual std::int32_t GetResponseCode() const = 0;
    /** A reason phrase for the status code. */
    virtual std::string GetResponseMessage() const = 0;
    /** The value of the named response header field; empty when absent. */
    virtual std::string GetResponsePropertyValue(const std::string& name) const = 0;
    virtual void Close() const = 0;
};

}  // namespace NuvraMobile
