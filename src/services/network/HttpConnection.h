#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/HttpConnectionInterface.h"

namespace NuvraMobile {

/** The body bytes of one answer, shared with its connection. Immutable: any thread may read it. */
class HttpConnectionData : public Object, public virtual HttpConnectionDataInterface {
public:
    explicit HttpConnectionData(std::shared_ptr<const std::string> body);

    std::uint64_t GetData(std::uint64_t maxSize, void* buffer) const override;
    std::uint64_t GetSize() const override;

private:
    const std::shared_ptr<const std::string> body_;
};

/** One HTTP answer as it arrived: status, header fields and body. Immutable: any thread may read it. */
class HttpConnection : public Object, public virtual HttpConnectionInterface {
public:
    using HeaderFields = std::vector<std::pair<std::string, std::string>>;

    HttpConnection(std::int32_t statusCode, HeaderFields headers, std::string body);

    std::string GetResponse() const override;
    std::shared_ptr<HttpConnectionDataInterface> GetResponseRawData() const override;
    std::int32_t GetResponseCode() const override;
    std::string GetResponseMessage() const override;
    /** Names compare without regard to case; several fields of one name are joined by ", ". */
    std::string GetResponsePropertyValue(const std::string& name) const override;
    void Close() const override;

    /** The standard reason phrase of a status code; "" for a code without one. */
    static std::string ReasonPhrase(std::int32_t statusCode);

private:
    const std::int32_t statusCode_;
    const HeaderFields headers_;
    const std::shared_ptr<const std::string> body_;
};

}  // namespace NuvraMobile
