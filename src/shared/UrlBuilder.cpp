#include "shared/UrlBuilder.h"

#include "core/values/SdkError.h"
#include "util/StringUtils.h"
#include "util/UrlEncoder.h"

namespace NuvraMobile {

UrlBuilder& UrlBuilder::EnableSsl(bool ssl) {
    ThrowIfAlreadyBuilt();
    ssl_ = ssl;
    return *this;
}

UrlBuilder& UrlBuilder::SetHost(const std::string& host) {
    ThrowIfAlreadyBuilt();
    host_ = StringUtils::ToLower(host);
    return *this;
}

UrlBuilder& UrlBuilder::AddPath(const std::string& segment) {
    ThrowIfAlreadyBuilt();
    if (!segment.empty()) {
        path_ += '/';
        path_ += UrlEncoder::Encode(segment);
    }
    return *this;
}

UrlBuilder& UrlBuilder::AddQueryParameter(const std::string& key, const std::string& value) {
    ThrowIfAlreadyBuilt();
    if (!key.empty() && !value.empty()) {
        AddQuery(UrlEncoder::Encode(key) + "=" + UrlEncoder::Encode(value), EncodeType::NONE);
    }
    return *this;
}

UrlBuilder& UrlBuilder::AddQueryParameters(const std::map<std::string, std::string>& parameters) {
    ThrowIfAlreadyBuilt();
    for (const auto& [key, value] : parameters) {
        AddQueryParameter(key, value);
    }
    return *this;
}

UrlBuilder& UrlBuilder::AddQuery(const std::string& text, EncodeType encodeType) {
    ThrowIfAlreadyBuilt();
    if (text.empty()) {
        return *this;
    }
    const std::string piece = encodeType == EncodeType::ENCODE ? UrlEncoder::Encode(text) : text;
    if (!query_.empty()) {
        query_ += '&';
    }
    query_ += piece;
    return *this;
}

std::string UrlBuilder::Build() {
    ThrowIfAlreadyBuilt();
    built_ = true;
    if (host_.empty()) {
        return std::string();
    }
    url_ = StringUtils::FormatString("%s://%s%s%s%s", ssl_ ? "https" : "http", host_, path_,
                                     query_.empty() ? "" : "?", query_);
    return StringUtils::StringIsUrl(url_) ? url_ : std::string();
}

void UrlBuilder::ThrowIfAlreadyBuilt() const {
    if (built_) {
        Throw("general.unexpected", "attempted to call methods on UrlBuilder after Build() was called");
    }
}

}  // namespace NuvraMobile
