#import "platform/NVRIdentity.h"
#import "platform/NVRMobileVisitorId.h"

#include <algorithm>

#include "ModuleClassTestSupport.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "shared/VisitorIdSerializer.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

constexpr const char* REQUEST = "IdentityRequestIdentity";

using NVRIdentityTest = ModuleClassTest;

struct SyncCase {
    const char* name;
    void (*call)();
    std::map<std::string, std::string> identifiers;
    int authenticationState;
};

TEST_F(NVRIdentityTest, SyncCallsSendTheConvertedIdentifiers) {
    const SyncCase cases[] = {
        {"nil identifier is sent empty",
         [] {
             [NVRIdentity syncIdentifier:@"crm"
                              identifier:nil
                          authentication:NVRMobileVisitorAuthenticationStateAuthenticated];
         },
         {{"crm", ""}},
         1},
        {"a state outside the enum is unknown",
         [] {
             [NVRIdentity syncIdentifier:@"crm"
                              identifier:@"u1"
                          authentication:(NVRMobileVisitorAuthenticationState)7];
         },
         {{"crm", "u1"}},
         0},
        {"entries that are not strings are dropped",
         [] {
             [NVRIdentity
                 syncIdentifiers:[NSDictionary dictionaryWithObjectsAndKeys:@"1", @"a",
                                                                            [NSNumber numberWithInt:5], @"n",
                                                                            nil]];
         },
         {{"a", "1"}},
         0},
        {"the state goes with the map",
         [] {
             [NVRIdentity syncIdentifiers:[NSDictionary dictionaryWithObject:@"2" forKey:@"b"]
                           authentication:NVRMobileVisitorAuthenticationStateLoggedOut];
         },
         {{"b", "2"}},
         2},
        {"nil map", [] { [NVRIdentity syncIdentifiers:nil]; }, {}, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        row.call();
        const auto data = NextDataOf(REQUEST);
        ASSERT_NE(data, nullptr);
        std::map<std::string, std::string> identifiers;
        EXPECT_TRUE(data->GetStringMap("visitoridentifiers", identifiers));
        EXPECT_EQ(identifiers, row.identifiers);
        std::int32_t state = -1;
        EXPECT_TRUE(data->GetInteger("authenticationstate", state));
        EXPECT_EQ(state, row.authenticationState);
    }
}

TEST_F(NVRIdentityTest, ANilUrlIsHandedBackAtOnceAndNothingIsAsked) {
    __block int calls = 0;
    __block NSURL* received = [NSURL URLWithString:@"https://not.reset.test"];
    [NVRIdentity appendToUrl:nil
                withCallback:^(NSURL* url) {
                  ++calls;
                  received = url;
                }];
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(received, nil);
    [NVRIdentity appendToUrl:nil withCallback:nil];
    const auto names = NamesSoFar();
    EXPECT_EQ(std::count(names.begin(), names.end(), REQUEST), 0);
}

TEST_F(NVRIdentityTest, AnswersReachTheBlocksAsFoundationValues) {
    auto answer = std::make_shared<EventData>();
    answer->PutString("updatedurl", "https://shop.test/?mid=42");
    answer->PutString("urlvariables", "mid=42");
    answer->PutString("mid", "42");
    answer->PutVariant("visitoridslist",
                       Variant::FromTypedVector<VisitorId>({std::make_shared<VisitorId>(
                           "d_cid_ic", "crm", "u1", VisitorIdAuthenticationState::AUTHENTICATED)}));
    Answer(REQUEST, EventType::IDENTITY, EventSource::RESPONSE_IDENTITY, answer);

    SignalCounter answered;
    SignalCounter* answeredCounter = &answered;
    __block NSString* url = nil;
    __block NSString* variables = nil;
    __block NSString* skyloomId = nil;
    __block NSString* idType = nil;
    __block NVRMobileVisitorAuthenticationState state = NVRMobileVisitorAuthenticationStateUnknown;
    [NVRIdentity appendToUrl:[NSURL URLWithString:@"https://shop.test/"]
                withCallback:^(NSURL* decorated) {
                  url = [[decorated absoluteString] retain];
                  answeredCounter->Raise();
                }];
    [NVRIdentity getUrlVariables:^(NSString* text) {
      variables = [text retain];
      answeredCounter->Raise();
    }];
    [NVRIdentity getSkyloomId:^(NSString* text) {
      skyloomId = [text retain];
      answeredCounter->Raise();
    }];
    [NVRIdentity getIdentifiers:^(NSArray* ids) {
      NVRMobileVisitorId* first = [ids count] == 1 ? [ids objectAtIndex:0] : nil;
      idType = [[first idType] retain];
      state = [first authenticationState];
      answeredCounter->Raise();
    }];
    ASSERT_TRUE(answered.WaitFor(4));

    EXPECT_TRUE([url isEqualToString:@"https://shop.test/?mid=42"]);
    EXPECT_TRUE([variables isEqualToString:@"mid=42"]);
    EXPECT_TRUE([skyloomId isEqualToString:@"42"]);
    EXPECT_TRUE([idType isEqualToString:@"crm"]);
    EXPECT_EQ(state, NVRMobileVisitorAuthenticationStateAuthenticated);
    for (NSString* text : {url, variables, skyloomId, idType}) {
        [text release];
    }
    std::string baseUrl;
    EXPECT_TRUE(NextDataOf(REQUEST)->GetString("baseurl", baseUrl));
    EXPECT_EQ(baseUrl, "https://shop.test/");
}

TEST_F(NVRIdentityTest, AnEmptyAnswerGivesNilAndANilBlockAsksNothing) {
    Answer(REQUEST, EventType::IDENTITY, EventSource::RESPONSE_IDENTITY, std::make_shared<EventData>());
    Gate answered;
    Gate* answeredGate = &answered;
    __block bool gotNil = false;
    [NVRIdentity appendToUrl:[NSURL URLWithString:@"https://shop.test/"]
                withCallback:^(NSURL* decorated) {
                  gotNil = decorated == nil;
                  answeredGate->Open();
                }];
    ASSERT_TRUE(answered.Wait());
    EXPECT_TRUE(gotNil);

    [NVRIdentity getSkyloomId:nil];
    [NVRIdentity getUrlVariables:nil];
    [NVRIdentity getIdentifiers:nil];
    const auto names = NamesSoFar();
    EXPECT_EQ(std::count(names.begin(), names.end(), REQUEST), 1);
}

TEST_F(NVRIdentityTest, ArgumentsOfTheWrongClassAreRefusedWithAWarningNotRaised) {
    id notADictionary = @"crm=u1";
    [NVRIdentity syncIdentifiers:notADictionary];
    [NVRIdentity syncIdentifiers:notADictionary
                  authentication:NVRMobileVisitorAuthenticationStateAuthenticated];
    EXPECT_EQ(LinesTagged("NVRIdentity").size(), 2u);
    const auto names = NamesSoFar();
    EXPECT_EQ(std::count(names.begin(), names.end(), REQUEST), 0);
}

}  // namespace
}  // namespace NuvraMobile
