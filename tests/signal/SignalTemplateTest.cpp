// Requests made from "pb" and "pii" consequence details: which details give a request, and the
// timeout, body and content type of the request.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Variant.h"
#include "rulesengine/Consequence.h"
#include "services/url/NativeUrlService.h"
#include "signal/SignalHit.h"
#include "signal/SignalTemplate.h"

namespace NuvraMobile {
namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

std::shared_ptr<SignalHit> HitOf(const std::string& type, const VariantMap& detail) {
    const auto consequence = std::make_shared<Consequence>("c1", type, "", detail);
    const auto signalTemplate =
        SignalTemplate::CreateSignalTemplateFromConsequence(consequence, CreateNativeUrlService());
    return signalTemplate ? signalTemplate->GetSignalHit() : nullptr;
}

VariantMap PostbackTo(const std::string& url) { return {{"templateurl", Variant::FromString(url)}}; }

TEST(SignalTemplateTest, TimeoutIsAWholePositiveNumberOfSecondsUpToAMinute) {
    struct Case {
        const char* name;
        std::shared_ptr<Variant> timeout;
        std::int64_t seconds;
    };
    const Case cases[] = {
        {"absent", nullptr, 2},
        {"zero", Variant::FromInteger(0), 2},
        {"negative", Variant::FromInteger(-5), 2},
        {"string", Variant::FromString("5"), 2},
        {"boolean", Variant::FromBoolean(true), 2},
        {"null", Variant::FromNull(), 2},
        {"below one half", Variant::FromDouble(0.4), 2},
        {"integer", Variant::FromInteger(7), 7},
        {"long", Variant::FromLong(9), 9},
        {"double rounds", Variant::FromDouble(3.6), 4},
        {"a minute", Variant::FromInteger(60), 60},
        {"huge", Variant::FromInteger(1000000000), 60},
        {"huge double", Variant::FromDouble(1e300), 60},
    };
    for (const auto& testCase : cases) {
        auto detail = PostbackTo("https://pb.example.com/x");
        if (testCase.timeout) {
            detail["timeout"] = testCase.timeout;
        }
        const auto hit = HitOf("pb", detail);
        ASSERT_NE(nullptr, hit) << testCase.name;
        EXPECT_EQ(testCase.seconds, hit->timeout) << testCase.name;
    }
}

TEST(SignalTemplateTest, OnlyDetailsWithAUsableUrlGiveARequest) {
    struct Case {
        const char* name;
        const char* type;
        VariantMap detail;
        bool made;
    };
    const Case cases[] = {
        {"https postback", "pb", PostbackTo("https://pb.example.com/x"), true},
        {"plain http postback: the network service decides", "pb", PostbackTo("http://pb.example.com/x"),
         true},
        {"custom scheme postback", "pb", PostbackTo("app://x"), true},
        {"https pii", "pii", PostbackTo("https://pb.example.com/x"), true},
        {"plain http pii", "pii", PostbackTo("http://pb.example.com/x"), false},
        {"upper-case scheme pii", "pii", PostbackTo("HTTPS://pb.example.com/x"), false},
        {"no scheme", "pb", PostbackTo("pb.example.com/x"), false},
        {"empty url", "pb", PostbackTo(""), false},
        {"url not a string", "pb", {{"templateurl", Variant::FromInteger(1)}}, false},
        {"key spelled differently",
         "pb",
         {{"templateUrl", Variant::FromString("https://pb.example.com")}},
         false},
        {"empty detail", "pb", {}, false},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(testCase.made, HitOf(testCase.type, testCase.detail) != nullptr) << testCase.name;
    }
}

TEST(SignalTemplateTest, ContentTypeGoesWithABodyOnly) {
    auto detail = PostbackTo("https://pb.example.com/x");
    detail["contenttype"] = Variant::FromString("application/json");
    const auto get = HitOf("pb", detail);
    ASSERT_NE(nullptr, get);
    EXPECT_EQ("", get->contentType);
    EXPECT_EQ(HttpCommandType::GET, get->GetHttpCommand());

    detail["templatebody"] = Variant::FromString("{\"a\":1}");
    const auto post = HitOf("pb", detail);
    ASSERT_NE(nullptr, post);
    EXPECT_EQ("application/json", post->contentType);
    EXPECT_EQ("{\"a\":1}", post->postBody);
    EXPECT_EQ(HttpCommandType::POST, post->GetHttpCommand());
}

TEST(SignalTemplateTest, NoConsequenceOrNoUrlServiceGivesNoRequest) {
    EXPECT_EQ(nullptr,
              SignalTemplate::CreateSignalTemplateFromConsequence(nullptr, CreateNativeUrlService()));
    const auto consequence =
        std::make_shared<Consequence>("c1", "pb", "", PostbackTo("https://pb.example.com/x"));
    EXPECT_EQ(nullptr, SignalTemplate::CreateSignalTemplateFromConsequence(consequence, nullptr));
}

}  // namespace
}  // namespace NuvraMobile
