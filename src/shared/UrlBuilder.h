#pragma once

#include <map>
#include <string>

namespace NuvraMobile {

/**
 * Assembles a request URL from a scheme choice, a host, path segments and query parts, percent-encoding
 * each piece, and checks the result. One-shot: every call after Build throws SdkError
 * "general.unexpected". A plain value; use it from one thread.
 */
class UrlBuilder {
public:
    enum class EncodeType : int32_t {
        NONE = 1,    // the text is added as it is
        ENCODE = 2,  // the whole text is percent-encoded
    };

    UrlBuilder& EnableSsl(bool ssl);
    /** Stored lower-cased. */
    UrlBuilder& SetHost(const std::string& host);
    /** Appends "/" and the encoded segment; an empty segment adds nothing. */
    UrlBuilder& AddPath(const std::string& segment);
    /** Adds encoded key "=" encoded value; nothing when either is empty. */
    UrlBuilder& AddQueryParameter(const std::string& key, const std::string& value);
    /** AddQueryParameter for each entry in key order. */
    UrlBuilder& AddQueryParameters(const std::map<std::string, std::string>& parameters);
    /** Appends a non-empty text to the query, joined by "&". */
    UrlBuilder& AddQuery(const std::string& text, EncodeType encodeType = EncodeType::ENCODE);

    /** The URL, or an empty string when there is no host or the result is not an acceptable URL. */
    std::string Build();

    /** Throws SdkError "general.unexpected" once Build was called. */
    void ThrowIfAlreadyBuilt() const;

private:
    bool ssl_ = false;
    std::string path_;
    std::string host_;
    std::string query_;
    std::string url_;
    bool built_ = false;
};

}  // namespace NuvraMobile
