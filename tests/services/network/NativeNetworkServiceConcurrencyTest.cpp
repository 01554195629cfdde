#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "services/network/NativeNetworkService.h"
#include "services/network/NetworkTestSettings.h"
#include "support/CapturingLoggingService.h"
#include "support/ChildProcess.h"
#include "support/FakeSystemInfoService.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using Connection = std::shared_ptr<HttpConnectionInterface>;
constexpr const char* DEFAULT_AGENT = "Mozilla/5.0 (TestDevice; CPU OS 6_1 like Mac OS X; en_US)";

/** A network service that trusts a loopback server's authority; disposed before the server stops. */
class NetworkLoopbackTest : public testing::Test {
protected:
    NetworkLoopbackTest() {
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
    }

    ~NetworkLoopbackTest() override {
        release_.Open();
        service_->Dispose(0);
        NetworkTestSettings::SetTrustedCertificateAuthority("");
        NetworkTestSettings::SetMaxResponseBodyBytes(std::nullopt);
    }

    Connection Get(const std::string& path, const std::map<std::string, std::string>& headers = {}) {
        return service_->ConnectUrl(server_.Url(path), HttpCommandType::GET, "", headers, 30, 30);
    }

    /** A handler that opens arrived_ and answers only once release_ opens. */
    LoopbackHandler BlockingHandler() {
        return [this](const LoopbackRequest&) {
            arrived_.Open();
            release_.Hold();
            return LoopbackResponse{200, {}, "late"};
        };
    }

    // Declared before the server, so that they outlive its handlers.
    Gate arrived_;
    Gate release_;
    LoopbackHttpsServer server_;
    std::shared_ptr<NetworkServiceInterface> service_ =
        CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
};

TEST_F(NetworkLoopbackTest, GetSendsTheUserAgentFirstThenTheCallerHeadersAndNoBody) {
    server_.Handle("/get", [](const LoopbackRequest&) {
        return LoopbackResponse{200, {{"ETag", "\"ab\""}, {"Content-Type", "text/plain"}}, "hello"};
    });
    Connection connection =
        service_->ConnectUrl(server_.Url("/get?q=1"), HttpCommandType::GET, "dropped payload",
                             {{"b-second", "2"}, {"A-First", "1"}}, 30, 30);
    ASSERT_NE(nullptr, connection);
    EXPECT_EQ(200, connection->GetResponseCode());
    EXPECT_EQ("OK", connection->GetResponseMessage());
    EXPECT_EQ("hello", connection->GetResponse());
    EXPECT_EQ("\"ab\"", connection->GetResponsePropertyValue("ETag"));

    LoopbackRequest request = server_.Requests().at(0);
    EXPECT_EQ("GET", request.method);
    EXPECT_EQ("", request.body);
    EXPECT_FALSE(request.HasHeader("Content-Length"));
    std::vector<std::string> order;
    for (const auto& field : request.headers) {
        if (field.first == "User-Agent" || field.first == "A-First" || field.first == "b-second") {
            order.push_back(field.first + ": " + field.second);
        }
    }
    EXPECT_EQ(
        (std::vector<std::string>{std::string("User-Agent: ") + DEFAULT_AGENT, "A-First: 1", "b-second: 2"}),
        order);
}

TEST_F(NetworkLoopbackTest, OnlyAPostWithAPayloadHasABody) {
    struct Case {
        HttpCommandType command;
        std::string payload;
        std::string method;
        std::string body;
    };
    const Case cases[] = {
        {HttpCommandType::POST, "a=1&b=2", "POST", "a=1&b=2"},
        {HttpCommandType::POST, "", "POST", ""},
        {HttpCommandType::GET, "a=1", "GET", ""},
    };
    for (const Case& c : cases) {
        Connection connection = service_->ConnectUrl(server_.Url("/echo"), c.command, c.payload, {}, 30, 30);
        ASSERT_NE(nullptr, connection);
        LoopbackRequest request = server_.Requests().back();
        EXPECT_EQ(c.method, request.method);
        EXPECT_EQ(c.body, request.body);
        EXPECT_EQ(c.method == "POST" ? std::to_string(c.body.size()) : "", request.Header("Content-Length"));
    }
}

TEST_F(NetworkLoopbackTest, ErrorStatusesStillReturnTheirConnectionAndBody) {
    server_.Handle("/missing", [](const LoopbackRequest&) {
        return LoopbackResponse{404, {}, "no such page"};
    });
    server_.Handle("/broken", [](const LoopbackRequest&) { return LoopbackResponse{500, {}, "\xff\xfe"}; });
    Connection missing = Get("/missing");
    ASSERT_NE(nullptr, missing);
    EXPECT_EQ(404, missing->GetResponseCode());
    EXPECT_EQ("no such page", missing->GetResponse());
    Connection broken = Get("/broken");
    ASSERT_NE(nullptr, broken);
    EXPECT_EQ(500, broken->GetResponseCode());
    EXPECT_EQ("", broken->GetResponse());
    EXPECT_EQ(2u, broken->GetResponseRawData()->GetSize());
}

TEST_F(NetworkLoopbackTest, AsyncCallbackRunsOnceOnAThreadOfTheService) {
    server_.Handle("/async", [](const LoopbackRequest&) { return LoopbackResponse{200, {}, "async"}; });
    std::promise<std::pair<std::string, std::thread::id>> answered;
    service_->ConnectUrlAsync(
        server_.Url("/async"), HttpCommandType::GET, "", {}, 30, 30,
        [&answered](const Connection& connection) {
            answered.set_value({connection ? connection->GetResponse() : "null", std::this_thread::get_id()});
        });
    auto [body, thread] = answered.get_future().get();
    EXPECT_EQ("async", body);
    EXPECT_NE(std::this_thread::get_id(), thread);
}

// One session serves every request whatever its time-outs, which come from configuration and rules:
// no thread or connection pool per time-out pair.
TEST_F(NetworkLoopbackTest, RequestsShareTheirConnectionWhateverTheirTimeouts) {
    ASSERT_NE(nullptr, service_->ConnectUrl(server_.Url("/a"), HttpCommandType::GET, "", {}, 30, 30));
    ASSERT_NE(nullptr, service_->ConnectUrl(server_.Url("/b"), HttpCommandType::POST, "x", {}, 30, 30));
    ASSERT_NE(nullptr, service_->ConnectUrl(server_.Url("/c"), HttpCommandType::GET, "", {}, 30, 10));
    ASSERT_NE(nullptr, service_->ConnectUrl(server_.Url("/d"), HttpCommandType::GET, "", {}, 7, 3));
    std::vector<LoopbackRequest> requests = server_.Requests();
    ASSERT_EQ(4u, requests.size());
    for (const LoopbackRequest& request : requests) {
        EXPECT_EQ(requests[0].connection, request.connection) << request.path;
    }
}

TEST_F(NetworkLoopbackTest, DisposeFreesABlockedSynchronousCallAndCancelsTheOthers) {
    server_.Handle("/slow", BlockingHandler());
    auto blocked = std::async(std::launch::async, [this] { return Get("/slow"); });
    std::promise<Connection> asyncAnswer;
    service_->ConnectUrlAsync(
        server_.Url("/slow"), HttpCommandType::GET, "", {}, 30, 30,
        [&asyncAnswer](const Connection& connection) { asyncAnswer.set_value(connection); });
    ASSERT_TRUE(arrived_.Wait());
    EXPECT_TRUE(service_->Dispose(0));
    EXPECT_EQ(nullptr, blocked.get());
    EXPECT_EQ(nullptr, asyncAnswer.get_future().get());
}

// What process exit does first: the requests of every service end at once, and no request starts any more,
// on those services or a new one. Final for the process, which runs this test alone.
TEST_F(NetworkLoopbackTest, AbortingEveryRequestEndsEveryServicesRequestsAndRefusesNewOnes) {
    // The abort is final for the process: the tests after it in a whole-program run must not see it.
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    server_.Handle("/slow", BlockingHandler());
    server_.Handle("/fast", [](const LoopbackRequest&) { return LoopbackResponse{200, {}, "fast"}; });
    const auto other = CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
    auto blocked = std::async(std::launch::async, [this] { return Get("/slow"); });
    std::promise<Connection> otherAnswer;
    other->ConnectUrlAsync(server_.Url("/slow"), HttpCommandType::GET, "", {}, 30, 30,
                           [&otherAnswer](const Connection& connection) { otherAnswer.set_value(connection); });
    arrived_.Wait();

    CurlSession::AbortEveryRequest();

    // Without the abort, each would wait out its 30 s time-outs.
    ASSERT_EQ(std::future_status::ready, blocked.wait_for(std::chrono::seconds(10)));
    EXPECT_EQ(nullptr, blocked.get());
    auto otherFuture = otherAnswer.get_future();
    ASSERT_EQ(std::future_status::ready, otherFuture.wait_for(std::chrono::seconds(10)));
    EXPECT_EQ(nullptr, otherFuture.get());
    EXPECT_EQ(nullptr, Get("/fast"));
    EXPECT_EQ(nullptr, other->ConnectUrl(server_.Url("/fast"), HttpCommandType::GET, "", {}, 30, 30));
    const auto later = CreateNativeNetworkService(std::make_shared<FakeSystemInfoService>());
    EXPECT_EQ(nullptr, later->ConnectUrl(server_.Url("/fast"), HttpCommandType::GET, "", {}, 30, 30));
    // The second /slow may still reach the server after the abort; no /fast may.
    const auto requests = server_.Requests();
    EXPECT_TRUE(std::none_of(requests.begin(), requests.end(),
                             [](const LoopbackRequest& request) { return request.path == "/fast"; }));
    other->Dispose(0);
    later->Dispose(0);
}

TEST_F(NetworkLoopbackTest, SynchronousCallGivesUpAfterItsTimeoutsWhileTheRequestGoesOn) {
    server_.Handle("/slow", BlockingHandler());
    EXPECT_EQ(nullptr, service_->ConnectUrl(server_.Url("/slow"), HttpCommandType::GET, "", {}, 0, 0));
}

// Each failure gives an empty connection and a warning that names the host and curl's reason.
TEST_F(NetworkLoopbackTest, TransportFailuresAreWarnedOfWithHostAndReason) {
    const std::string plainUrl = "http://127.0.0.1:" + std::to_string(server_.Port()) + "/target";
    server_.Handle("/to-http", [plainUrl](const LoopbackRequest&) {
        return LoopbackResponse{302, {{"Location", plainUrl}}, ""};
    });
    server_.Handle("/loop", [this](const LoopbackRequest&) {
        return LoopbackResponse{302, {{"Location", server_.Url("/loop")}}, ""};
    });
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* path;
        const char* reason;
    };
    const Case cases[] = {
        {"untrusted certificate",
         // the system store does not know the test authority
         [] { NetworkTestSettings::SetTrustedCertificateAuthority(""); }, "/any", "certificate"},
        {"redirect to http", nullptr, "/to-http", "Protocol \"http\""},
        {"redirect loop", nullptr, "/loop", "redirects"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        if (c.arrange) {
            c.arrange();
        }
        ScopedCapturingLog log(LoggingMode::Warning);
        EXPECT_EQ(nullptr, Get(c.path));
        const auto lines = log.Service().GetLines();
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(LoggingMode::Warning, lines[0].level);
        EXPECT_EQ(0u, lines[0].message.find("Request to 127.0.0.1 failed: ")) << lines[0].message;
        EXPECT_NE(std::string::npos, lines[0].message.find(c.reason)) << lines[0].message;
    }
}

// A host app retrying offline must not flood its log: the same failure is warned of once a minute.
TEST_F(NetworkLoopbackTest, ARepeatedFailureIsWarnedOfOnce) {
    ScopedCapturingLog log(LoggingMode::Warning);
    NetworkTestSettings::SetTrustedCertificateAuthority("");
    EXPECT_EQ(nullptr, Get("/first"));
    EXPECT_EQ(nullptr, Get("/second"));
    EXPECT_EQ(1u, log.Service().GetLines().size());
}

// A limit of some kilobytes, not the production one: a body of tens of megabytes through TLS takes minutes
// under the thread sanitizer on a loaded machine, so its time-out, not the limit, would end the request.
TEST_F(NetworkLoopbackTest, AnOversizedBodyFailsTheRequest) {
    constexpr size_t LIMIT = 256 * 1024;
    NetworkTestSettings::SetMaxResponseBodyBytes(LIMIT);
    ScopedCapturingLog log(LoggingMode::Debug);
    server_.Handle("/huge", [](const LoopbackRequest&) {
        return LoopbackResponse{200, {}, std::string(LIMIT + 1, 'x')};
    });
    server_.Handle("/limit", [](const LoopbackRequest&) {
        return LoopbackResponse{200, {}, std::string(LIMIT, 'x')};
    });
    EXPECT_EQ(nullptr, Get("/huge"));
    EXPECT_TRUE(
        log.Service().Contains("Error encountered while loading url: " + server_.Url("/huge") + " error: "));
    EXPECT_TRUE(log.Service().Contains("Request to 127.0.0.1 failed: response body exceeds 262144 bytes"))
        << testing::PrintToString(log.Service().GetMessages());
    Connection limit = Get("/limit");
    ASSERT_NE(nullptr, limit);
    EXPECT_EQ(LIMIT, limit->GetResponseRawData()->GetSize());
}

TEST_F(NetworkLoopbackTest, AnOversizedHeaderIsReportedAsSuch) {
    ScopedCapturingLog log(LoggingMode::Debug);
    server_.Handle("/header", [](const LoopbackRequest&) {
        return LoopbackResponse{200, {{"X-Large", std::string(200 * 1024, 'h')}}, "{}"};
    });
    EXPECT_EQ(nullptr, Get("/header"));
    EXPECT_TRUE(log.Service().Contains("Request to 127.0.0.1 failed: response header exceeds 102400 bytes"))
        << testing::PrintToString(log.Service().GetMessages());
}

TEST_F(NetworkLoopbackTest, RedirectsAreFollowedToHttpsOnly) {
    std::string plainUrl = "http://127.0.0.1:" + std::to_string(server_.Port()) + "/target";
    server_.Handle("/to-https", [this](const LoopbackRequest&) {
        return LoopbackResponse{302, {{"Location", server_.Url("/target")}}, ""};
    });
    server_.Handle("/to-http", [plainUrl](const LoopbackRequest&) {
        return LoopbackResponse{302, {{"Location", plainUrl}}, ""};
    });
    server_.Handle("/target", [](const LoopbackRequest&) { return LoopbackResponse{200, {}, "arrived"}; });
    Connection followed = Get("/to-https");
    ASSERT_NE(nullptr, followed);
    EXPECT_EQ("arrived", followed->GetResponse());
    EXPECT_EQ(nullptr, Get("/to-http"));
}

TEST_F(NetworkLoopbackTest, AThrowingCallbackIsSwallowed) {
    std::promise<void> thrown;
    service_->ConnectUrlAsync(server_.Url("/a"), HttpCommandType::GET, "", {}, 30, 30,
                              [&thrown](const Connection&) {
                                  thrown.set_value();
                                  throw std::runtime_error("callback failure");
                              });
    thrown.get_future().wait();
    Connection next = Get("/b");
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(404, next->GetResponseCode());
}

}  // namespace
}  // namespace NuvraMobile
