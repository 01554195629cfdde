// The delivery request body and the notification objects, compared as parsed JSON of the text that
// goes on the wire.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraParameters.h"
#include "pivora/PivoraPreviewManager.h"
#include "pivora/PivoraRequestBuilder.h"
#include "services/json/NativeJsonUtilityService.h"
#include "shared/VisitorId.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "support/ScopedTimeZone.h"
#include "support/VariantShorthands.h"

namespace NuvraMobile {
namespace {

using nlohmann::json;
using StringMap = std::map<std::string, std::string>;
using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

/** A preview state the test sets, standing in for the preview UI. */
class SetPreviewManager : public PivoraPreviewManager {
public:
    SetPreviewManager() : PivoraPreviewManager(nullptr, nullptr, nullptr, nullptr, nullptr) {}
    std::string parameters;
    std::string token;
    std::string GetPreviewParameters() const override { return parameters; }
    std::string GetPreviewToken() const override { return token; }
};


json Parse(const std::shared_ptr<JsonObject>& object) { return json::parse(object->ToString()); }

/** A builder over the native JSON service, a fake device and a preview state the test sets. */
struct BuilderHarness {
    std::shared_ptr<JsonUtilityServiceInterface> json_ = CreateNativeJsonUtilityService();
    std::shared_ptr<FakeSystemInfoService> system_ = std::make_shared<FakeSystemInfoService>();
    std::shared_ptr<SetPreviewManager> preview_ = std::make_shared<SetPreviewManager>();
    PivoraRequestBuilder builder_{json_, system_, preview_};

    /** A record as the server delivers it. */
    std::shared_ptr<JsonObject> Record(const std::string& text) { return json_->CreateJsonObject(text); }

    /** The body without its context block, which has tests of its own. */
    json Body(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetch,
              const std::vector<std::shared_ptr<PivoraRequest>>& requests, bool views,
              const std::shared_ptr<PivoraParameters>& parameters,
              const PivoraRequestBuilder::JsonObjects& notifications, const std::string& token) {
        json body = Parse(builder_.GetRequestPayload(prefetch, requests, views, parameters, notifications, token));
        EXPECT_TRUE(body.contains("context"));
        body.erase("context");
        return body;
    }
};

class PivoraRequestBuilderTest : public ::testing::Test, public BuilderHarness {};

std::shared_ptr<PivoraRequest> Request(const std::string& name, std::shared_ptr<PivoraParameters> parameters = nullptr) {
    return std::make_shared<PivoraRequest>(name, "default", std::move(parameters), nullptr);
}

std::shared_ptr<PivoraPrefetch> Prefetch(const std::string& name, std::shared_ptr<PivoraParameters> parameters = nullptr) {
    return std::make_shared<PivoraPrefetch>(name, std::move(parameters));
}

std::shared_ptr<PivoraParameters> Mbox(StringMap parameters) {
    return std::make_shared<PivoraParameters>(std::move(parameters));
}

const json kSkyloom = json::parse(R"({"analytics": {"logging": "client_side"}})");

TEST_F(PivoraRequestBuilderTest, GoldenBodies) {
    struct Case {
        const char* name;
        std::function<json(BuilderHarness&)> build;
        const char* expected;
    };
    const Case cases[] = {
        {"no ids: the minimal skyloom block and nothing else",
         [](auto& t) { return t.Body({}, {}, false, nullptr, {}, ""); },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}})"},
        {"environment id 0 is left out",
         [](auto& t) {
             t.builder_.SetConfigParameters(0);
             return t.Body({}, {}, false, nullptr, {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}})"},
        {"a negative environment id is written",
         [](auto& t) {
             t.builder_.SetConfigParameters(-4);
             return t.Body({}, {}, false, nullptr, {}, "");
         },
         R"({"environmentId": -4, "skyloom": {"analytics": {"logging": "client_side"}}})"},
        {"ids, customer ids and the audience values",
         [](auto& t) {
             t.builder_.SetPivoraInternalParameters("client", "qtx.1", "third");
             t.builder_.SetIdentityParameters(
                 "mid-1", "blob-1", "9",
                 {std::make_shared<VisitorId>("origin", "crm", "c-1", VisitorIdAuthenticationState::AUTHENTICATED),
                  std::make_shared<VisitorId>("origin", "loyalty", "l-1", VisitorIdAuthenticationState::LOGGED_OUT)});
             return t.Body({}, {}, false, nullptr, {}, "");
         },
         R"({"id": {"qtxId": "qtx.1", "thirdPartyId": "third", "glenmoorVisitorId": "mid-1",
                    "customerIds": [{"id": "c-1", "integrationCode": "crm", "authenticatedState": "authenticated"},
                                    {"id": "l-1", "integrationCode": "loyalty", "authenticatedState": "logged_out"}]},
             "skyloom": {"analytics": {"logging": "client_side"}, "cohortix": {"blob": "blob-1", "locationHint": "9"}}})"},
        {"two execute mboxes, indexed 0 and 1, each merged with the call's parameters",
         [](auto& t) {
             const auto call = std::make_shared<PivoraParameters>(
                 StringMap{{"shared", "call"}}, StringMap{{"age", "30"}}, std::make_shared<PivoraProduct>("p", "c"),
                 nullptr);
             return t.Body({}, {Request("first", Mbox({{"shared", "own"}, {"own", "1"}})), Request("second")}, false,
                           call, {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "execute": {"mboxes": [
               {"index": 0, "name": "first", "parameters": {"shared": "call", "own": "1"},
                "profileParameters": {"age": "30"}, "product": {"id": "p", "categoryId": "c"}},
               {"index": 1, "name": "second", "parameters": {"shared": "call"},
                "profileParameters": {"age": "30"}, "product": {"id": "p", "categoryId": "c"}}]}})"},
        {"prefetch and execute in one call",
         [](auto& t) { return t.Body({Prefetch("p0"), Prefetch("p1")}, {Request("e0")}, false, nullptr, {}, ""); },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "prefetch": {"mboxes": [{"index": 0, "name": "p0"}, {"index": 1, "name": "p1"}]},
             "execute": {"mboxes": [{"index": 0, "name": "e0"}]}})"},
        {"views only",
         [](auto& t) { return t.Body({}, {}, true, nullptr, {}, ""); },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}, "prefetch": {"views": [{}]}})"},
        {"views with parameters next to prefetch mboxes",
         [](auto& t) { return t.Body({Prefetch("p0")}, {}, true, Mbox({{"k", "v"}}), {}, ""); },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "prefetch": {"mboxes": [{"index": 0, "name": "p0", "parameters": {"k": "v"}}],
                          "views": [{"parameters": {"k": "v"}}]}})"},
        {"lifecycle data goes over an mbox parameter and into mboxes without parameters",
         [](auto& t) {
             t.builder_.SetLifecycleParameters({{"a.Launches", "3"}, {"", "dropped"}});
             return t.Body({}, {Request("a", Mbox({{"a.Launches", "9"}, {"x", "1"}})), Request("b")}, false, nullptr,
                           {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "execute": {"mboxes": [{"index": 0, "name": "a", "parameters": {"a.Launches": "3", "x": "1"}},
                                    {"index": 1, "name": "b", "parameters": {"a.Launches": "3"}}]}})"},
        {"the old-API marker never reaches the server",
         [](auto& t) {
             return t.Body({}, {Request("a", Mbox({{"__oldPivoraSdkApiCompatParam__", "__oldPivoraSdkApiCompatParam__"}}))},
                           false, nullptr, {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}, "execute": {"mboxes": [{"index": 0, "name": "a"}]}})"},
        {"kw_property becomes the property token and leaves the parameters",
         [](auto& t) {
             return t.Body({}, {Request("a", Mbox({{"kw_property", "tok-a"}})), Request("b", Mbox({{"kw_property", "tok-b"}, {"k", "v"}}))},
                           false, nullptr, {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}, "property": {"token": "tok-a"},
             "execute": {"mboxes": [{"index": 0, "name": "a"}, {"index": 1, "name": "b", "parameters": {"k": "v"}}]}})"},
        {"a given property token wins over kw_property",
         [](auto& t) { return t.Body({}, {Request("a", Mbox({{"kw_property", "tok-a"}}))}, false, nullptr, {}, "configured"); },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}, "property": {"token": "configured"},
             "execute": {"mboxes": [{"index": 0, "name": "a"}]}})"},
        {"the last block present decides the token: a notification without kw_property clears it",
         [](auto& t) {
             const auto notification = t.json_->CreateJsonObject(std::string(R"({"id": "n1", "type": "display"})"));
             return t.Body({Prefetch("p", Mbox({{"kw_property", "tok-p"}}))}, {}, false, nullptr, {notification}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "prefetch": {"mboxes": [{"index": 0, "name": "p"}]},
             "notifications": [{"id": "n1", "type": "display"}]})"},
        {"order total 0 left out and only non-empty text product ids kept",
         [](auto& t) {
             const auto order = std::make_shared<PivoraOrder>(
                 "o-1", 0.0, std::vector<std::shared_ptr<Variant>>{Text("p1"), Variant::FromInteger(5), Text("")});
             return t.Body({}, {Request("a")}, false,
                           std::make_shared<PivoraParameters>(StringMap{}, StringMap{}, nullptr, order), {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "execute": {"mboxes": [{"index": 0, "name": "a", "order": {"id": "o-1", "purchasedProductIds": ["p1"]}}]}})"},
        {"an order with a total and no product ids",
         [](auto& t) {
             const auto order = std::make_shared<PivoraOrder>("o-1", 12.5, std::vector<std::shared_ptr<Variant>>{});
             return t.Body({}, {Request("a")}, false,
                           std::make_shared<PivoraParameters>(StringMap{}, StringMap{}, nullptr, order), {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "execute": {"mboxes": [{"index": 0, "name": "a", "order": {"id": "o-1", "total": 12.5}}]}})"},
        {"display and click notifications ride in list order",
         [](auto& t) {
             const auto record = t.Record(R"({"name": "m", "state": "st", "options": [{"eventToken": "e1"}, {"eventToken": ""}],
                                            "metrics": [{"type": "click", "eventToken": "c1"}, {"type": "display", "eventToken": "d1"}]})");
             const auto display = t.builder_.GetDisplayNotificationJsonObject("m", record, Mbox({{"k", "v"}}), "id-1", 1700000000123);
             const auto click = t.builder_.GetClickNotificationJsonObject(record, nullptr, "id-2", 1700000000456);
             return t.Body({}, {}, false, nullptr, {display, click}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}},
             "notifications": [
               {"id": "id-1", "timestamp": 1700000000123, "type": "display", "parameters": {"k": "v"},
                "mbox": {"name": "m", "state": "st"}, "tokens": ["e1"]},
               {"id": "id-2", "timestamp": 1700000000456, "type": "click", "mbox": {"name": "m"}, "tokens": ["c1"]}]})"},
        {"preview blocks are added while a preview token is held",
         [](auto& t) {
             t.preview_->parameters = R"({"qaMode": {"token": "q"}, "skyloom": {"replaced": true}})";
             t.preview_->token = "preview-token";
             return t.Body({}, {}, false, nullptr, {}, "");
         },
         R"({"skyloom": {"replaced": true}, "qaMode": {"token": "q"}})"},
        {"preview parameters without a preview token add nothing",
         [](auto& t) {
             t.preview_->parameters = R"({"qaMode": {"token": "q"}})";
             return t.Body({}, {}, false, nullptr, {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}})"},
        {"preview blocks before one that is not an object stay",
         [](auto& t) {
             t.preview_->parameters = R"({"a": {"x": 1}, "b": 3, "c": {"y": 2}})";
             t.preview_->token = "preview-token";
             return t.Body({}, {}, false, nullptr, {}, "");
         },
         R"({"skyloom": {"analytics": {"logging": "client_side"}}, "a": {"x": 1}})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BuilderHarness fresh;
        EXPECT_EQ(json::parse(c.expected), c.build(fresh));
    }
}

TEST_F(PivoraRequestBuilderTest, ContextBlockFollowsTheDevice) {
    struct Case {
        const char* name;
        std::function<void(FakeSystemInfoService::Answers&)> change;
        const char* expected;
    };
    const Case cases[] = {
        {"phone in portrait, bundle id lower-cased",
         [](auto& a) { a.applicationBundleId = "Com.Example.MyApp"; },
         R"J({"channel": "mobile", "mobilePlatform": {"platformType": "ios", "deviceName": "TestDevice", "deviceType": "phone"},
             "application": {"id": "com.example.myapp", "name": "TestApp", "version": "1.0"},
             "screen": {"width": 1080, "height": 1920, "colorDepth": 32, "orientation": "portrait"},
             "userAgent": "Mozilla/5.0 (TestDevice; CPU OS 6_1 like Mac OS X; en_US)"})J"},
        {"tablet in landscape without display information or app facts",
         [](auto& a) {
             a.deviceType = DeviceType::TABLET;
             a.currentOrientation = DisplayOrientation::LANDSCAPE;
             a.displayInformation = nullptr;
             a.applicationBundleId = a.applicationName = a.applicationVersion = a.defaultUserAgent = "";
         },
         R"J({"channel": "mobile", "mobilePlatform": {"platformType": "ios", "deviceName": "TestDevice", "deviceType": "tablet"},
             "application": {}, "screen": {"colorDepth": 32, "orientation": "landscape"}})J"},
        {"unknown device type and orientation",
         [](auto& a) {
             a.deviceType = static_cast<DeviceType>(3);
             a.currentOrientation = DisplayOrientation::UNKNOWN;
         },
         R"J({"channel": "mobile", "mobilePlatform": {"platformType": "ios", "deviceName": "TestDevice", "deviceType": "unknown"},
             "application": {"id": "com.example.testapp", "name": "TestApp", "version": "1.0"},
             "screen": {"width": 1080, "height": 1920, "colorDepth": 32},
             "userAgent": "Mozilla/5.0 (TestDevice; CPU OS 6_1 like Mac OS X; en_US)"})J"},
        {"watch", [](auto& a) { a.deviceType = static_cast<DeviceType>(2); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BuilderHarness fresh;
        fresh.system_->Update(c.change);
        json context = Parse(fresh.builder_.GetRequestPayload({}, {}, false, nullptr, {}, ""))["context"];
        ASSERT_TRUE(context["timeOffsetInMinutes"].is_number_integer());
        context.erase("timeOffsetInMinutes");
        if (c.expected) {
            EXPECT_EQ(json::parse(c.expected), context);
        } else {
            EXPECT_EQ("watch", context["mobilePlatform"]["deviceType"]);
        }
    }
}

TEST(PivoraTimeOffsetTest, IsTheLocalOffsetFromUtcInMinutesEastPositive) {
    // POSIX zone strings count west as positive: "XXX-1" is one hour east of UTC.
    const std::pair<const char*, int> cases[] = {{"UTC0", 0}, {"XXX-1", 60}, {"XXX5", -300}, {"XXX-5:30", 330}};
    for (const auto& [zone, minutes] : cases) {
        SCOPED_TRACE(zone);
        ScopedTimeZone scoped(zone);
        EXPECT_EQ(minutes, PivoraRequestBuilder::GetLocalTimeOffsetInMinutes());
    }
}

TEST_F(PivoraRequestBuilderTest, StoredValuesLastUntilClearPropertiesButEnvironmentStays) {
    builder_.SetPivoraInternalParameters("client", "q", "t");
    builder_.SetIdentityParameters("mid", "blob", "", {});
    builder_.SetConfigParameters(7);
    builder_.SetLifecycleParameters({{"a.Launches", "1"}});
    EXPECT_EQ("mid", Body({}, {}, false, nullptr, {}, "")["id"]["glenmoorVisitorId"]);
    EXPECT_EQ("blob", Body({}, {}, false, nullptr, {}, "")["skyloom"]["cohortix"]["blob"]);

    builder_.ClearProperties();
    EXPECT_EQ(json::parse(R"({"environmentId": 7, "skyloom": {"analytics": {"logging": "client_side"}},
                              "execute": {"mboxes": [{"index": 0, "name": "a"}]}})"),
              Body({}, {Request("a")}, false, nullptr, {}, ""));
    builder_.SetPivoraInternalParameters("client", "q2", "");
    EXPECT_EQ(json::parse(R"({"qtxId": "q2"})"), Body({}, {}, false, nullptr, {}, "")["id"]);
}

TEST_F(PivoraRequestBuilderTest, PayloadLeavesTheCallersNotificationsAlone) {
    const auto notification = json_->CreateJsonObject(std::string(R"({"id": "n", "parameters": {"kw_property": "k"}})"));
    const auto body = Body({}, {}, false, nullptr, {notification, notification}, "");
    EXPECT_EQ(2u, body["notifications"].size());
    EXPECT_EQ("k", body["property"]["token"]);
    EXPECT_EQ("k", notification->GetJsonObject("parameters")->GetString("kw_property"));
}

TEST_F(PivoraRequestBuilderTest, DisplayNotificationNeedsNameRecordAndOptionToken) {
    ScopedCapturingLog log;
    const auto record = Record(R"({"options": [{"eventToken": "e"}]})");
    EXPECT_EQ(nullptr, builder_.GetDisplayNotificationJsonObject("", record, nullptr, "id", 1));
    EXPECT_EQ(nullptr, builder_.GetDisplayNotificationJsonObject("m", nullptr, nullptr, "id", 1));
    EXPECT_FALSE(log.Service().Contains("token is null or empty"));
    EXPECT_EQ(nullptr, builder_.GetDisplayNotificationJsonObject("m", Record(R"({"options": [{"content": "x"}, 3]})"),
                                                                 nullptr, "id", 1));
    EXPECT_TRUE(log.Service().Contains("Unable to create display notification as token is null or empty"));
    EXPECT_NE(nullptr, builder_.GetDisplayNotificationJsonObject("m", record, nullptr, "id", 1));
}

TEST_F(PivoraRequestBuilderTest, ClickNotificationWithoutClickTokenOrName) {
    ScopedCapturingLog log;
    const auto withoutToken = builder_.GetClickNotificationJsonObject(
        Record(R"({"name": "m", "metrics": [{"type": "display", "eventToken": "d"}, {"type": "click", "eventToken": ""}]})"),
        nullptr, "id", 5);
    ASSERT_NE(nullptr, withoutToken);
    EXPECT_EQ(json::parse(R"({"id": "id", "timestamp": 5, "type": "click", "mbox": {"name": "m"}})"), Parse(withoutToken));

    EXPECT_EQ(nullptr, builder_.GetClickNotificationJsonObject(nullptr, nullptr, "id", 5));
    for (const char* record : {R"({"metrics": []})", R"({"name": 3})"}) {
        SCOPED_TRACE(record);
        EXPECT_EQ(nullptr, builder_.GetClickNotificationJsonObject(Record(record), nullptr, "id", 5));
    }
    EXPECT_TRUE(log.Service().Contains("Unable to create click notification as the mbox has no name"));
}

TEST_F(PivoraRequestBuilderTest, ViewNotificationsKeepOnlyValidEntries) {
    const auto valid = [](VariantMap changes) {
        VariantMap entry{{"id", Text("v1")},
                         {"type", Text("click")},
                         {"timestamp", Variant::FromLong(1700000000000)},
                         {"tokens", Variant::FromStringVector({"", "t1"})},
                         {"viewparameters", Variant::FromStringMap({{"view", "home"}})}};
        for (auto& [key, value] : changes) {
            if (value) {
                entry[key] = value;
            } else {
                entry.erase(key);
            }
        }
        return Variant::FromVariantMap(entry);
    };
    struct Case {
        const char* name;
        std::shared_ptr<Variant> entry;
        const char* expected;  // null: dropped
    };
    const Case cases[] = {
        {"valid", valid({}),
         R"({"id": "v1", "type": "click", "timestamp": 1700000000000, "tokens": ["t1"], "view": {"view": "home"}})"},
        {"with separate parameters",
         valid({{"mboxparameters", Variant::FromStringMap({{"m", "1"}})}, {"productparameters", Variant::FromStringMap({{"id", "p"}})}}),
         R"({"id": "v1", "type": "click", "timestamp": 1700000000000, "tokens": ["t1"], "view": {"view": "home"},
             "parameters": {"m": "1"}, "product": {"id": "p"}})"},
        {"timestamp 0", valid({{"timestamp", Variant::FromInteger(0)}}), nullptr},
        {"timestamp as text", valid({{"timestamp", Text("17")}}), nullptr},
        {"type view", valid({{"type", Text("view")}}), nullptr},
        {"only empty tokens", valid({{"tokens", Variant::FromStringVector({"", ""})}}), nullptr},
        {"no id", valid({{"id", nullptr}}), nullptr},
        {"empty view parameters", valid({{"viewparameters", Variant::FromStringMap({})}}), nullptr},
        {"not a map", Text("x"), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto notifications = builder_.GetViewNotifications({c.entry, valid({{"id", Text("last")}})});
        ASSERT_EQ(c.expected ? 2u : 1u, notifications.size());
        EXPECT_EQ("last", notifications.back()->GetString("id"));
        if (c.expected) {
            EXPECT_EQ(json::parse(c.expected), Parse(notifications.front()));
        }
    }
}

}  // namespace
}  // namespace NuvraMobile
