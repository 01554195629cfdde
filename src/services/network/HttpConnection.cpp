#include "services/network/HttpConnection.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "util/Utf8.h"

namespace NuvraMobile {

HttpConnectionData::HttpConnectionData(std::shared_ptr<const std::string> body) : body_(std::move(body)) {}

std::uint64_t HttpConnectionData::GetData(std::uint64_t maxSize, void* buffer) const {
    std::uint64_t count = std::min<std::uint64_t>(GetSize(), maxSize);
    if (count > 0) {
        std::memcpy(buffer, body_->data(), count);
    }
    return count;
}

std::uint64_t HttpConnectionData::GetSize() const { return body_ ? body_->size() : 0; }

HttpConnection::HttpConnection(std::int32_t statusCode, HeaderFields headers, std::string body)
    : statusCode_(statusCode),
      headers_(std::move(headers)),
      body_(std::make_shared<const std::string>(std::move(body))) {}

std::string HttpConnection::GetResponse() const { return IsValidUtf8(*body_) ? *body_ : std::string(); }

std::shared_ptr<HttpConnectionDataInterface> HttpConnection::GetResponseRawData() const {
    return std::make_shared<HttpConnectionData>(body_);
}

std::int32_t HttpConnection::GetResponseCode() const { return statusCode_; }

std::string HttpConnection::GetResponseMessage() const { return ReasonPhrase(statusCode_); }

std::string HttpConnection::GetResponsePropertyValue(const std::string& name) const {
    std::string value;
    bool found = false;
    for (const auto& [fieldName, fieldValue] : headers_) {
        if (strcasecmp(fieldName.c_str(), name.c_str()) == 0) {
            value += found ? ", " + fieldValue : fieldValue;
            found = true;
        }
    }
    return value;
}

void HttpConnection::Close() const {}

std::string HttpConnection::ReasonPhrase(std::int32_t statusCode) {
    struct Phrase {
        std::int32_t code;
        const char* text;
    };
    static constexpr Phrase PHRASES[] = {
        {100, "Continue"},
        {101, "Switching Protocols"},
        {200, "OK"},
        {201, "Created"},
        {202, "Accepted"},
        {203, "Non-Authoritative Information"},
        {204, "No Content"},
        {205, "Reset Content"},
        {206, "Partial Content"},
        {300, "Multiple Choices"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {305, "Use Proxy"},
        {307, "Temporary Redirect"},
        {308, "Permanent Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {402, "Payment Required"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {406, "Not Acceptable"},
        {407, "Proxy Authentication Required"},
        {408, "Request Timeout"},
        {409, "Conflict"},
        {410, "Gone"},
        {411, "Length Required"},
        {412, "Precondition Failed"},
        {413, "Content Too Large"},
        {414, "URI Too Long"},
        {415, "Unsupported Media Type"},
        {416, "Range Not Satisfiable"},
        {417, "Expectation Failed"},
        {421, "Misdirected Request"},
        {422, "Unprocessable Content"},
        {426, "Upgrade Required"},
        {428, "Precondition Required"},
        {429, "Too Many Requests"},
        {431, "Request Header Fields Too Large"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
        {505, "HTTP Version Not Supported"},
    };
    for (const Phrase& phrase : PHRASES) {
        if (phrase.code == statusCode) {
            return phrase.text;
        }
    }
    return "";
}

}  // namespace NuvraMobile
