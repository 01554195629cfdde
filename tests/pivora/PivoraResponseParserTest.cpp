// Reading the delivery server's answers: which connections give a response, and what is picked out of it.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "pivora/PivoraResponseParser.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/network/HttpConnection.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeHttpConnection.h"

namespace NuvraMobile {
namespace {

using nlohmann::json;
using StringMap = std::map<std::string, std::string>;

class PivoraResponseParserTest : public ::testing::Test {
protected:
    std::shared_ptr<JsonObject> Response(const std::string& text) { return json_->CreateJsonObject(text); }

    /** The lines the parser wrote under the module's tag, in order. */
    std::vector<std::string> ParserLines() {
        std::vector<std::string> lines;
        for (const auto& line : log_.Service().GetLines()) {
            if (line.tag == "com.nuvra.module.pivora") {
                lines.push_back(line.message);
            }
        }
        return lines;
    }

    std::shared_ptr<JsonUtilityServiceInterface> json_ = CreateNativeJsonUtilityService();
    PivoraResponseParser parser_{json_};
    ScopedCapturingLog log_;
};

TEST_F(PivoraResponseParserTest, OnlyAStatus200JsonBodyGivesAResponse) {
    struct Case {
        const char* name;
        int code;
        const char* body;
        bool parsed;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"204 with an empty body", 204, "", false, {"Response code (204) from Pivora server was invalid"}},
        {"503 with an empty body", 503, "", false, {"Response code (503) from Pivora server was invalid"}},
        {"200 with an empty body", 200, "", false, {"Response was empty"}},
        {"500 with a body",
         500,
         R"({"message": "x"})",
         false,
         {"Response code (500) from Pivora server was invalid"}},
        {"201 with a body", 201, "{}", false, {"Response code (201) from Pivora server was invalid"}},
        {"200 with plain text",
         200,
         "not json",
         false,
         {"Unable to parse Pivora Response:\nnot json\nError - json.serialization_error",
          "Invalid json response (Teapot)"}},
        {"200 with a JSON array",
         200,
         "[1]",
         false,
         {"Unable to parse Pivora Response:\n[1]\nError - json.serialization_error",
          "Invalid json response (Teapot)"}},
        {"200 with an object",
         200,
         R"({"edgeHost": "h"})",
         true,
         {"Pivora response was received ({\"edgeHost\": \"h\"})"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log_.Service().Clear();
        const auto connection = std::make_shared<FakeHttpConnection>(c.code, c.body, "Teapot");
        EXPECT_EQ(c.parsed, parser_.ParseResponseToJson(connection) != nullptr);
        const auto messages = ParserLines();
        ASSERT_EQ(c.lines.size(), messages.size());
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(0u, messages[i].find(c.lines[i])) << messages[i];
        }
        EXPECT_EQ(0, connection->Closes());
    }
}

// The connection answers no text for such a body; the log must not call it empty.
TEST_F(PivoraResponseParserTest, ABodyThatIsNotUtf8IsReportedAsSuch) {
    const auto connection =
        std::make_shared<HttpConnection>(200, HttpConnection::HeaderFields{}, "{\"a\": \"\xff\"}");
    EXPECT_EQ(nullptr, parser_.ParseResponseToJson(connection));
    EXPECT_EQ(std::vector<std::string>{"Response of 10 bytes was not UTF-8"}, ParserLines());
}

TEST_F(PivoraResponseParserTest, MboxBlocks) {
    struct Case {
        const char* name;
        const char* response;
        std::vector<std::string> names;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"no execute block", R"({})", {}, {}},
        {"execute without mboxes", R"({"execute": {}})", {}, {"Empty or invalid json array under execute"}},
        {"mboxes that is no array", R"({"execute": {"mboxes": {}}})", {}, {"Empty or invalid json array under execute"}},
        {"empty mboxes", R"({"execute": {"mboxes": []}})", {}, {}},
        {"empty and missing names skipped", R"({"execute": {"mboxes": [{"name": ""}, {"x": 1}, {"name": "a"}]}})", {"a"}, {}},
        {"a string item is skipped with a warning", R"({"execute": {"mboxes": ["a", {"name": "b"}]}})", {"b"}, {"Invalid mbox item"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log_.Service().Clear();
        std::vector<std::string> names;
        for (const auto& [name, mbox] : parser_.ExtractBatchedMBoxes(Response(c.response))) {
            names.push_back(name);
        }
        EXPECT_EQ(c.names, names);
        EXPECT_EQ(c.warnings, ParserLines());
    }
}

TEST_F(PivoraResponseParserTest, LastOfANameWinsAndErrorTypesEmptyTheContent) {
    const auto response = Response(R"({"prefetch": {"mboxes": [
        {"name": "a", "state": "first"}, {"name": "a", "state": "second"},
        {"name": "b", "errorType": "timeout", "content": "old", "options": [{"type": "html", "content": "kept"}]}]}})");
    const auto mboxes = parser_.ExtractPrefetchedMboxes(response);
    ASSERT_EQ(2u, mboxes.size());
    EXPECT_EQ("second", mboxes.at("a")->GetString("state"));
    EXPECT_EQ("", mboxes.at("b")->OptString("content", "absent"));
    EXPECT_EQ("kept", parser_.ExtractMboxContent(mboxes.at("b")));
    EXPECT_EQ(std::vector<std::string>{"Received error code timeout for mbox b."}, ParserLines());
    EXPECT_EQ((StringMap{{"b", "timeout"}}), parser_.GetErrorTypesForMboxes(mboxes));
}

TEST_F(PivoraResponseParserTest, ContentOfTheHtmlAndJsonOptionsInOrder) {
    struct Case {
        const char* name;
        const char* mbox;
        std::string content;
    };
    const Case cases[] = {
        {"html, json and another type",
         R"({"options": [{"type": "html", "content": "A"}, {"type": "json", "content": {"k": 1}}, {"type": "text", "content": "B"}]})",
         "A" + json_->CreateJsonObject(std::string(R"({"k": 1})"))->ToString()},
        {"two html options joined", R"({"options": [{"type": "html", "content": "A"}, {"type": "html", "content": "C"}]})", "AC"},
        {"html content that is a number", R"({"options": [{"type": "html", "content": 3}]})", ""},
        {"json content that is text", R"({"options": [{"type": "json", "content": "x"}]})", ""},
        {"types compared exactly", R"({"options": [{"type": "HTML", "content": "A"}, 5]})", ""},
        {"no options", R"({"name": "m"})", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.content, parser_.ExtractMboxContent(Response(c.mbox)));
    }
    EXPECT_EQ("", parser_.ExtractMboxContent(nullptr));
}

TEST_F(PivoraResponseParserTest, AnalyticsPayloadKeysArePrefixed) {
    EXPECT_EQ((StringMap{{"&&pe", "tnt"}, {"&&tnta", "1"}}),
              parser_.GetAnalyticsForPivoraPayload(Response(R"({"analytics": {"payload": {"pe": "tnt", "tnta": "1", "": "x"}}})")));
    EXPECT_TRUE(parser_.GetAnalyticsForPivoraPayload(Response(R"({"analytics": {}})")).empty());
    EXPECT_TRUE(parser_.GetAnalyticsForPivoraPayload(Response(R"({"analytics": {"payload": "x"}})")).empty());
}

TEST_F(PivoraResponseParserTest, IdsHostMessageAndViews) {
    struct Case {
        const char* name;
        const char* response;
        std::string qtxId;
        std::string edgeHost;
        std::string message;
        bool views;
    };
    const Case cases[] = {
        {"all present", R"({"id": {"qtxId": "q.1"}, "edgeHost": "mboxedge1.example", "message": "Notification failed",
                            "prefetch": {"views": [{"name": "v"}]}})",
         "q.1", "mboxedge1.example", "Notification failed", true},
        {"numeric qtx id", R"({"id": {"qtxId": 17}})", "", "", "", false},
        {"no id", R"({"edgeHost": 3})", "", "", "", false},
        {"views that are no array", R"({"prefetch": {"views": {}}})", "", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto response = Response(c.response);
        EXPECT_EQ(c.qtxId, parser_.GetQtxId(response));
        EXPECT_EQ(c.edgeHost, parser_.GetEdgeHost(response));
        EXPECT_EQ(c.message, parser_.GetErrorMessage(response));
        const std::string views = parser_.ExtractPrefetchedViews(response);
        EXPECT_EQ(c.views, !views.empty());
        if (c.views) {
            EXPECT_EQ(json::parse(R"([{"name": "v"}])"), json::parse(views));
        }
    }
    EXPECT_EQ("", parser_.GetErrorMessage(nullptr));
    EXPECT_EQ("", parser_.ExtractPrefetchedViews(nullptr));
}

TEST_F(PivoraResponseParserTest, NotificationsToRetryAreThoseThatTimedOut) {
    const auto retry = parser_.GetNotificationsNeedRetry(Response(R"({"notificationErrors": [
        {"errorCode": "time_out", "notification": {"id": "n1"}},
        {"errorCode": "bad_request", "notification": {"id": "n2"}},
        {"errorCode": "time_out"}, null, 4]})"));
    ASSERT_EQ(1u, retry.size());
    EXPECT_EQ("n1", retry[0]->GetString("id"));
    EXPECT_EQ((std::vector<std::string>{"Invalid notification error item", "Invalid notification error item"}),
              ParserLines());
    EXPECT_TRUE(parser_.GetNotificationsNeedRetry(Response("{}")).empty());
}

}  // namespace
}  // namespace NuvraMobile
