#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "services/url/NativeUrlService.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using testing::ElementsAre;

TEST(NativeUrlServiceTest, SplitsUrlsIntoTheirParts) {
    const struct {
        const char* url;
        const char* scheme;
        const char* host;
        const char* path;
        const char* query;
    } cases[] = {
        {"https://example.com/a/b?x=1&y=%20#frag", "https", "example.com", "/a/b", "x=1&y=%20"},
        {"https://example.com", "https", "example.com", "", ""},
        {"https://user:pw@example.com:8443/p", "https", "example.com", "/p", ""},
        {"http://[2001:db8::1]:80/v6", "http", "2001:db8::1", "/v6", ""},
        {"https://example.com/with%20space/%C3%A9", "https", "example.com", "/with space/\xC3\xA9", ""},
        {"https://example.com?only=query", "https", "example.com", "", "only=query"},
        {"https://example.com/?", "https", "example.com", "/", ""},
        {"mailto:someone@example.com", "mailto", "", "someone@example.com", ""},
        {"nvbinapp://preview?token=abc", "nvbinapp", "preview", "", "token=abc"},
        {"relative/path?q", "", "", "relative/path", "q"},
        {"/absolute/path", "", "", "/absolute/path", ""},
        {"//host.only/x", "", "host.only", "/x", ""},
    };
    auto service = CreateNativeUrlService();
    for (const auto& urlCase : cases) {
        SCOPED_TRACE(urlCase.url);
        EXPECT_EQ(service->GetScheme(urlCase.url), urlCase.scheme);
        EXPECT_EQ(service->GetHost(urlCase.url), urlCase.host);
        EXPECT_EQ(service->GetPath(urlCase.url), urlCase.path);
        EXPECT_EQ(service->GetQuery(urlCase.url), urlCase.query);
    }
}

TEST(NativeUrlServiceTest, MissingPartIsEmptyWithoutALogLine) {
    ScopedCapturingLog log(LoggingMode::Trace);
    EXPECT_EQ(CreateNativeUrlService()->GetQuery("https://example.com/path"), "");
    EXPECT_TRUE(log.Service().GetLines().empty());
}

TEST(NativeUrlServiceTest, InvalidUrlsGiveEmptyPartsAndOneDebugLineEach) {
    const std::string invalidUrls[] = {
        "",
        "https://exa mple.com/",
        "https://example.com/a b",
        "https://example.com/%zz",
        "https://example.com/%4",
        "https://example.com/?q=<tag>",
        "https://example.com/#a#b",
        "https://[::1/",
        "https://example.com:80a/",
        "1https://example.com",
        "ht tp://example.com",
        "https://example.com/\xC3\xA9",
        std::string("h\0ttps://example.com", 20),
        std::string("https://exa\0mple.com", 20),
    };
    auto service = CreateNativeUrlService();
    for (const std::string& url : invalidUrls) {
        SCOPED_TRACE(url);
        ScopedCapturingLog log(LoggingMode::Debug);
        EXPECT_EQ(service->GetQuery(url), "");
        EXPECT_EQ(service->GetPath(url), "");
        EXPECT_EQ(service->GetScheme(url), "");
        EXPECT_EQ(service->GetHost(url), "");
        // The logger cuts a message at its first NUL byte.
        const auto line = [&url](const std::string& part) {
            const std::string message = "Provided URL (" + url + ") is invalid, couldn't extract " + part;
            return message.substr(0, message.find('\0'));
        };
        EXPECT_THAT(log.Service().GetMessages(),
                    ElementsAre(line("query params"), line("url path"), line("scheme"), line("host")));
        EXPECT_EQ(log.Service().GetLines()[0].tag, "NativeUrlService");
    }
}

}  // namespace
}  // namespace NuvraMobile
