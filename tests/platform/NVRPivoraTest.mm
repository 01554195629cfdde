#import "platform/NVRPivora.h"

#include <algorithm>

#include "ModuleClassTestSupport.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraParameters.h"
#include "pivora/PivoraSerializers.h"
#include "platform/ValueConversions.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

constexpr const char* LOAD = "PivoraLoadRequests";
constexpr const char* PREFETCH = "PivoraPrefetchContent";

using NVRPivoraTest = ModuleClassTest;

std::shared_ptr<PivoraParameters> SentParameters(const std::shared_ptr<EventData>& data) {
    if (!data) {
        ADD_FAILURE() << "no request was sent";
        return nullptr;
    }
    auto parameters = data->GetTypedObject<PivoraParameters>("pivoraparams");
    EXPECT_TRUE(parameters.HasValue());
    return parameters.HasValue() ? parameters.Value() : nullptr;
}

std::size_t CountOf(const std::vector<std::string>& names, const char* name) {
    return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
}

/** Answers every location of a load with the content the table gives its name. */
ModuleClassTest::Responder ContentByName(std::map<std::string, std::string> contents) {
    return [contents](const Event& request) {
        std::vector<std::shared_ptr<Event>> responses;
        const auto requests = request.GetData()->GetTypedVector<PivoraRequest>("request");
        if (!requests.HasValue()) {
            return responses;
        }
        for (const auto& location : requests.Value()) {
            auto data = std::make_shared<EventData>();
            data->PutString("content", contents.at(location->GetName()));
            auto response = EventBuilder("Answer", EventType::PIVORA, EventSource::RESPONSE_CONTENT)
                                .SetData(data)
                                .Build();
            response->SetPairID(location->GetResponsePairId());
            responses.push_back(response);
        }
        return responses;
    };
}

TEST_F(NVRPivoraTest, AnEmptyPrefetchGivesNoAtOnceAndSendsNothing) {
    __block int calls = 0;
    __block BOOL success = YES;
    [NVRPivora prefetchContent:[NSArray array]
         withProfileParameters:nil
                      callback:^(BOOL prefetched) {
                        ++calls;
                        success = prefetched;
                      }];
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(success);

    __block NSError* failure = nil;
    NSArray* nameless =
        [NSArray arrayWithObjects:[NVRPivoraPrefetchObject prefetchObjectWithName:nil mboxParameters:nil],
                                  [NVRPivoraPrefetchObject prefetchObjectWithName:@"" mboxParameters:nil],
                                  [NSNull null], nil];
    [NVRPivora prefetchContent:nameless
                withParameters:nil
                      callback:^(NSError* error) {
                        failure = [error retain];
                      }];
    ASSERT_NE(failure, nil);
    EXPECT_TRUE([[failure domain] isEqualToString:@"com.nuvra.pivora"]);
    EXPECT_EQ([failure code], -47);
    EXPECT_TRUE([[failure localizedDescription] isEqualToString:@"Empty or null prefetch requests list"]);
    [failure release];

    [NVRPivora prefetchContent:nil withParameters:nil callback:nil];
    EXPECT_EQ(CountOf(NamesSoFar(), PREFETCH), 0u);
}

TEST_F(NVRPivoraTest, APrefetchAnswerBecomesSuccessOrAnError) {
    struct Case {
        const char* failure;
        bool success;
    };
    for (const Case& row : {Case{"", true}, Case{"server said no", false}}) {
        SCOPED_TRACE(row.failure);
        auto answer = std::make_shared<EventData>();
        answer->PutString("prefetcherror", row.failure);
        Answer(PREFETCH, EventType::PIVORA, EventSource::RESPONSE_CONTENT, answer);
        SignalCounter answered;
        SignalCounter* answeredCounter = &answered;
        __block BOOL success = !row.success;
        __block NSString* description = nil;
        NSArray* prefetch = [NSArray arrayWithObject:[NVRPivoraPrefetchObject prefetchObjectWithName:@"home"
                                                                                      mboxParameters:nil]];
        [NVRPivora prefetchContent:prefetch
             withProfileParameters:nil
                          callback:^(BOOL prefetched) {
                            success = prefetched;
                            answeredCounter->Raise();
                          }];
        [NVRPivora prefetchContent:prefetch
                    withParameters:nil
                          callback:^(NSError* error) {
                            description = [[error localizedDescription] retain];
                            answeredCounter->Raise();
                          }];
        ASSERT_TRUE(answered.WaitFor(2));
        EXPECT_EQ(success == YES, row.success);
        EXPECT_EQ(ToCppString(description), row.failure);
        [description release];
    }
}

TEST_F(NVRPivoraTest, AnEmptyProfileStillSendsAnEmptyBundle) {
    NSArray* prefetch = [NSArray arrayWithObject:[NVRPivoraPrefetchObject prefetchObjectWithName:@"home"
                                                                                  mboxParameters:nil]];
    [NVRPivora prefetchContent:prefetch withProfileParameters:[NSDictionary dictionary] callback:nil];
    const auto parameters = SentParameters(NextDataOf(PREFETCH));
    ASSERT_NE(parameters, nullptr);
    EXPECT_TRUE(parameters->GetMboxParameters().empty());
    EXPECT_TRUE(parameters->GetProfileParameters().empty());
    EXPECT_EQ(PivoraProduct::toMap(parameters->GetProduct()).size(), 0u);
    EXPECT_EQ(PivoraOrder::toMap(parameters->GetOrder()).size(), 0u);
}

TEST_F(NVRPivoraTest, ANamelessRequestGetsItsDefaultAtOnceAndOnlyNamedOnesAreSent) {
    Answer(LOAD, ContentByName({{"named", "hello"}, {"blank", ""}}));
    SignalCounter answered;
    SignalCounter* answeredCounter = &answered;
    __block NSString* nameless = nil;
    __block NSString* named = nil;
    __block bool blankIsNil = false;
    NSArray* requests =
        [NSArray arrayWithObjects:[NVRPivoraRequestObject requestObjectWithName:@""
                                                                 defaultContent:@"fallback"
                                                                 mboxParameters:nil
                                                                       callback:^(NSString* content) {
                                                                         nameless = [content retain];
                                                                       }],
                                  [NVRPivoraRequestObject requestObjectWithName:@"named"
                                                                 defaultContent:@"default"
                                                                 mboxParameters:nil
                                                                       callback:^(NSString* content) {
                                                                         named = [content retain];
                                                                         answeredCounter->Raise();
                                                                       }],
                                  [NVRPivoraRequestObject requestObjectWithName:@"blank"
                                                                 defaultContent:@"default"
                                                                 mboxParameters:nil
                                                                       callback:^(NSString* content) {
                                                                         blankIsNil = content == nil;
                                                                         answeredCounter->Raise();
                                                                       }],
                                  nil];
    [NVRPivora retrieveLocationContent:requests withParameters:nil];
    EXPECT_TRUE([nameless isEqualToString:@"fallback"]);

    ASSERT_TRUE(answered.WaitFor(2));
    EXPECT_TRUE([named isEqualToString:@"hello"]);
    EXPECT_TRUE(blankIsNil);
    const auto sent = NextDataOf(LOAD)->GetTypedVector<PivoraRequest>("request");
    ASSERT_TRUE(sent.HasValue());
    ASSERT_EQ(sent.Value().size(), 2u);
    EXPECT_EQ(sent.Value()[0]->GetName(), "named");
    [nameless release];
    [named release];
}

TEST_F(NVRPivoraTest, ProfileEntriesThatAreNotStringsAreDroppedWithAWarning) {
    NSDictionary* profile = [NSDictionary
        dictionaryWithObjectsAndKeys:@"gold", @"tier", [NSNumber numberWithInt:1], @"visits", nil];
    NSArray* requests = [NSArray arrayWithObject:[NVRPivoraRequestObject requestObjectWithName:@"home"
                                                                                defaultContent:nil
                                                                                mboxParameters:nil
                                                                                      callback:nil]];
    [NVRPivora loadRequests:requests withProfileParameters:profile];

    const auto parameters = SentParameters(NextDataOf(LOAD));
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(parameters->GetProfileParameters(), (PivoraParameters::StringMap{{"tier", "gold"}}));
    EXPECT_EQ(
        parameters->GetMboxParameters(),
        (PivoraParameters::StringMap{{"__oldPivoraSdkApiCompatParam__", "__oldPivoraSdkApiCompatParam__"}}));
    const auto warnings = LinesTagged("Pivora Request");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0].message, testing::HasSubstr("visits"));
    EXPECT_THAT(warnings[0].message, testing::StartsWith("found invalid entries in profile parameters"));
}

TEST_F(NVRPivoraTest, AClickWithDictionariesSendsTheCleanedParameters) {
    NSDictionary* order = [NSDictionary
        dictionaryWithObjectsAndKeys:@"o-1", @"id", [NSNumber numberWithDouble:9.5], @"total",
                                     [NSArray arrayWithObjects:@"p-1", [NSNumber numberWithInt:2], nil],
                                     @"purchasedProductIds", nil];
    [NVRPivora locationClickedWithName:@"cart"
                        mboxParameters:[NSDictionary
                                           dictionaryWithObjectsAndKeys:@"1", @"m", [NSNull null], @"x", nil]
                     productParameters:[NSDictionary dictionaryWithObjectsAndKeys:@"p-1", @"id", @"c-1",
                                                                                  @"categoryId", nil]
                       orderParameters:order
                     profileParameters:[NSDictionary dictionary]];

    const auto data = NextDataOf("PivoraLocationClicked");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->OptString("mboxname", ""), "cart");
    const auto parameters = SentParameters(data);
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(parameters->GetMboxParameters(), (PivoraParameters::StringMap{{"m", "1"}}));
    ASSERT_NE(parameters->GetProduct(), nullptr);
    EXPECT_EQ(parameters->GetProduct()->GetProductId(), "p-1");
    EXPECT_EQ(parameters->GetProduct()->GetCategoryId(), "c-1");
    ASSERT_NE(parameters->GetOrder(), nullptr);
    EXPECT_EQ(parameters->GetOrder()->GetOrderId(), "o-1");
    EXPECT_DOUBLE_EQ(parameters->GetOrder()->GetTotal(), 9.5);
    EXPECT_EQ(parameters->GetOrder()->GetPurchasedProductIds().size(), 2u);
    EXPECT_EQ(LinesTagged("Pivora Location Clicked").size(), 1u);
}

TEST_F(NVRPivoraTest, IdentityAnswersGiveNilForNoValueAndNilBlocksAskNothing) {
    auto answer = std::make_shared<EventData>();
    answer->PutString("thirdpartyid", "t-1");
    Answer("PivoraIdentityRequest", EventType::PIVORA, EventSource::RESPONSE_IDENTITY, answer);
    SignalCounter answered;
    SignalCounter* answeredCounter = &answered;
    __block NSString* thirdPartyId = nil;
    __block bool qtxIdIsNil = false;
    [NVRPivora getThirdPartyId:^(NSString* identifier) {
      thirdPartyId = [identifier retain];
      answeredCounter->Raise();
    }];
    [NVRPivora getQtxId:^(NSString* identifier) {
      qtxIdIsNil = identifier == nil;
      answeredCounter->Raise();
    }];
    ASSERT_TRUE(answered.WaitFor(2));
    EXPECT_TRUE([thirdPartyId isEqualToString:@"t-1"]);
    EXPECT_TRUE(qtxIdIsNil);
    [thirdPartyId release];

    [NVRPivora getThirdPartyId:nil];
    [NVRPivora getQtxId:nil];
    EXPECT_EQ(CountOf(NamesSoFar(), "PivoraIdentityRequest"), 2u);
}

struct SentValueCase {
    const char* name;
    void (*call)();
    const char* eventName;
    const char* key;
    std::string expected;
};

TEST_F(NVRPivoraTest, SettersAndResetsReachTheModule) {
    const SentValueCase cases[] = {
        {"nil deep link is sent empty", [] { [NVRPivora setPreviewRestartDeeplink:nil]; },
         "PivoraSetPreviewRestartDeeplink", "restartdeeplink", ""},
        {"deep link", [] { [NVRPivora setPreviewRestartDeeplink:[NSURL URLWithString:@"app://home"]]; },
         "PivoraSetPreviewRestartDeeplink", "restartdeeplink", "app://home"},
        {"third party id", [] { [NVRPivora setThirdPartyId:@"t-2"]; }, "PivoraRequestIdentity",
         "thirdpartyid", "t-2"},
        {"clear cache", [] { [NVRPivora clearPrefetchCache]; }, "PivoraResetPrefetchCache", nullptr, ""},
        {"reset", [] { [NVRPivora resetExperience]; }, "PivoraResetExperience", nullptr, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        row.call();
        const auto data = NextDataOf(row.eventName);
        ASSERT_NE(data, nullptr);
        if (row.key != nullptr) {
            EXPECT_EQ(data->OptString(row.key, "absent"), row.expected);
        }
    }
}

TEST_F(NVRPivoraTest, DisplayedWithANilListSendsAnEmptyList) {
    [NVRPivora locationsDisplayed:nil withPivoraParameters:nil];
    const auto data = NextDataOf("PivoraLocationsDisplayed");
    ASSERT_NE(data, nullptr);
    std::vector<std::shared_ptr<Variant>> names{Variant::FromString("stale")};
    EXPECT_TRUE(data->GetVariantVector("mboxnames", names));
    EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace NuvraMobile
