#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/SdkError.h"
#include "services/network/HttpConnection.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/RequestHeaders.h"
#include "services/network/TransportFailureLog.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"

namespace NuvraMobile {
namespace {

constexpr const char* DEFAULT_AGENT = "Mozilla/5.0 (TestDevice; CPU OS 6_1 like Mac OS X; en_US)";

std::string CodeThrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const SdkError& error) {
        return error.GetCode() + ": " + error.GetMessage();
    }
    return "nothing thrown";
}

TEST(NativeNetworkServiceTest, RefusesEveryUrlThatIsNotHttpsBeforeSendingAnything) {
    auto service = CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
    const char* urls[] = {
        "",
        "http://example.com/",
        "http://example.com/https/path",  // the letters https elsewhere do not make it https
        "ftp://https.example.com/",
        "HTTPS://example.com/",
        "https://Example.com/",
        "https://192.168.1.1/",
        "not a url",
    };
    for (const char* url : urls) {
        bool called = false;
        auto callback = [&called](const std::shared_ptr<HttpConnectionInterface>&) { called = true; };
        EXPECT_EQ("std.logic_error.invalid_argument: Invalid url", CodeThrownBy([&] {
                      service->ConnectUrlAsync(url, HttpCommandType::GET, "", {}, 1, 1, callback);
                  }))
            << url;
        EXPECT_EQ("std.logic_error.invalid_argument: Invalid url",
                  CodeThrownBy([&] { service->ConnectUrl(url, HttpCommandType::GET, "", {}, 1, 1); }))
            << url;
        EXPECT_FALSE(called) << url;
    }
}

TEST(NativeNetworkServiceTest, RefusesUnsupportedCommandsAndUnsafeHeaders) {
    auto service = CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
    EXPECT_EQ("network.unsupported_http_command_type: Only support GET and POST NOW", CodeThrownBy([&] {
                  service->ConnectUrl("https://example.com/", static_cast<HttpCommandType>(2), "", {}, 1, 1);
              }));
    EXPECT_EQ("std.logic_error.invalid_argument: Invalid header", CodeThrownBy([&] {
                  service->ConnectUrl("https://example.com/", HttpCommandType::GET, "",
                                      {{"X-A", "1\r\nX-B: 2"}}, 1, 1);
              }));
}

TEST(NativeNetworkServiceTest, ChecksComeFirstEvenAfterDispose) {
    auto service = CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
    EXPECT_TRUE(service->Dispose(0));
    EXPECT_TRUE(service->Dispose(0));
    EXPECT_EQ("std.logic_error.invalid_argument: Invalid url", CodeThrownBy([&] {
                  service->ConnectUrl("http://example.com/", HttpCommandType::GET, "", {}, 1, 1);
              }));
}

TEST(NativeNetworkServiceTest, DisposedServiceAnswersEmptyAtOnceOnTheCallingThread) {
    auto service = CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
    service->Dispose(0);
    EXPECT_EQ(nullptr, service->ConnectUrl("https://example.com/", HttpCommandType::GET, "", {}, 30, 30));
    int calls = 0;
    service->ConnectUrlAsync("https://example.com/", HttpCommandType::POST, "x", {}, 30, 30,
                             [&calls](const std::shared_ptr<HttpConnectionInterface>& connection) {
                                 EXPECT_EQ(nullptr, connection);
                                 ++calls;
                             });
    EXPECT_EQ(1, calls);
}

TEST(NativeNetworkServiceTest, CreationNeedsTheSystemInfoService) {
    EXPECT_EQ("platform_services.missing_service: SystemInfo Service",
              CodeThrownBy([] { CreateNativeNetworkService(nullptr); }));
}

TEST(TransportFailureLogTest, WarnsOfEachHostAndKindOfFailureOncePerInterval) {
    using std::chrono::seconds;
    ScopedCapturingLog log(LoggingMode::Debug);
    TransportFailureLog failures(seconds(60));
    const TransportFailureLog::Clock::time_point start;
    struct Report {
        const char* url;
        int kind;
        seconds at;
        bool warned;
    };
    const Report reports[] = {
        {"https://a.example.com/x", 28, seconds(0), true},
        {"https://a.example.com/y?q=1", 28, seconds(59), false},  // same host and kind, within the minute
        {"https://a.example.com/x", 60, seconds(59), true},       // another kind
        {"https://b.example.com/x", 28, seconds(59), true},       // another host
        {"https://a.example.com/x", 28, seconds(60), true},       // a minute later
    };
    for (const Report& report : reports) {
        log.Service().Clear();
        failures.Report(report.url, report.kind, "reason", start + report.at);
        const auto lines = log.Service().GetLines();
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(report.warned ? LoggingMode::Warning : LoggingMode::Debug, lines[0].level) << report.url;
        EXPECT_NE(std::string::npos,
                  lines[0].message.find(TransportFailureLog::HostOf(report.url) + " failed"));
    }
}

TEST(TransportFailureLogTest, HostOfAUrl) {
    EXPECT_EQ("example.com", TransportFailureLog::HostOf("https://user:pw@example.com:8443/a?b#c"));
    EXPECT_EQ("127.0.0.1", TransportFailureLog::HostOf("https://127.0.0.1:1234/x"));
    EXPECT_EQ("", TransportFailureLog::HostOf("not a url"));
}

TEST(RequestHeadersTest, UserAgentFirstThenCallerFieldsInKeyOrder) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> headers;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"default only", {}, {std::string("User-Agent: ") + DEFAULT_AGENT}},
        {"key order",
         {{"b", "2"}, {"Accept", "a"}, {"a", "1"}},
         {std::string("User-Agent: ") + DEFAULT_AGENT, "Accept: a", "a: 1", "b: 2"}},
        {"caller agent replaces the default in place",
         {{"A", "1"}, {"User-Agent", "mine"}},
         {"User-Agent: mine", "A: 1"}},
        {"names compare without case", {{"user-agent", "mine"}}, {"User-Agent: mine"}},
        {"empty values are not sent",
         {{"X-Empty", ""}, {"X-Full", "v"}},
         {std::string("User-Agent: ") + DEFAULT_AGENT, "X-Full: v"}},
        {"an empty agent removes the default", {{"User-Agent", ""}}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.lines, BuildRequestHeaderLines(DEFAULT_AGENT, c.headers)) << c.name;
    }
}

TEST(RequestHeadersTest, RefusesFieldsThatWouldSplitIntoOtherLines) {
    const std::map<std::string, std::string> refused[] = {
        {{"X-A", "1\r\nX-B: 2"}},
        {{"X-A", "line\nbreak"}},
        {{"X-A", std::string("nul\0byte", 8)}},
        {{"X-A\r\nX-B", "1"}},
        {{"", "1"}},
        {{"X A", "1"}},
        {{"X:A", "1"}},
    };
    for (const auto& headers : refused) {
        EXPECT_EQ("std.logic_error.invalid_argument: Invalid header",
                  CodeThrownBy([&] { BuildRequestHeaderLines(DEFAULT_AGENT, headers); }))
            << headers.begin()->first;
    }
}

TEST(HttpConnectionTest, AnswersFromTheResponseAsItArrived) {
    HttpConnection connection(404, {{"Content-Type", "text/plain"}, {"Set-Cookie", "a"}, {"set-cookie", "b"}},
                              "missing");
    EXPECT_EQ(404, connection.GetResponseCode());
    EXPECT_EQ("Not Found", connection.GetResponseMessage());
    EXPECT_EQ("missing", connection.GetResponse());
    EXPECT_EQ("text/plain", connection.GetResponsePropertyValue("content-type"));
    EXPECT_EQ("a, b", connection.GetResponsePropertyValue("Set-Cookie"));
    EXPECT_EQ("", connection.GetResponsePropertyValue("ETag"));
}

TEST(HttpConnectionTest, RawDataCopiesAtMostTheBody) {
    HttpConnection connection(200, {}, "abcdef");
    auto data = connection.GetResponseRawData();
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(6u, data->GetSize());
    char buffer[16] = {};
    EXPECT_EQ(6u, data->GetData(sizeof(buffer), buffer));
    EXPECT_EQ("abcdef", std::string(buffer));
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(3u, data->GetData(3, small));
    EXPECT_EQ("abcx", std::string(small, 4));
    EXPECT_EQ(0u, data->GetData(0, nullptr));

    HttpConnection empty(204, {}, "");
    EXPECT_EQ(0u, empty.GetResponseRawData()->GetSize());
    EXPECT_EQ(0u, empty.GetResponseRawData()->GetData(10, buffer));
    EXPECT_EQ("", empty.GetResponse());
}

TEST(HttpConnectionTest, BodyThatIsNotUtf8GivesNoTextButKeepsEveryByte) {
    const std::string body("\xff\xfe\x00\x41", 4);
    HttpConnection connection(200, {}, body);
    EXPECT_EQ("", connection.GetResponse());
    std::string copy(4, '\0');
    EXPECT_EQ(4u, connection.GetResponseRawData()->GetData(4, copy.data()));
    EXPECT_EQ(body, copy);
}

}  // namespace
}  // namespace NuvraMobile
