#import "platform/NVRPivoraParameters.h"
#import "platform/NVRPivoraPrefetchObject.h"
#import "platform/NVRTypeBridgePivora.h"

#include <gmock/gmock.h>

#import "platform/PivoraTypeBridge.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using testing::HasSubstr;

/** Each test gets the warnings of the value classes, without a running system. */
class NVRPivoraValuesTest : public testing::Test {
protected:
    std::vector<CapturingLoggingService::Line> Warnings() const {
        std::vector<CapturingLoggingService::Line> warnings;
        for (const auto& line : log_.Service().GetLines()) {
            if (line.level == LoggingMode::Warning) {
                warnings.push_back(line);
            }
        }
        return warnings;
    }

    mutable ScopedCapturingLog log_{LoggingMode::Trace};
};

TEST_F(NVRPivoraValuesTest, ARequestObjectKeepsOnlyTheStringMboxEntries) {
    NSDictionary* mbox =
        [NSDictionary dictionaryWithObjectsAndKeys:@"v", @"text", [NSNumber numberWithInt:3], @"number", nil];
    NVRPivoraRequestObject* request = [NVRPivoraRequestObject requestObjectWithName:@"home"
                                                                     defaultContent:@"d"
                                                                     mboxParameters:mbox
                                                                           callback:nil];
    NSDictionary* kept = [NSDictionary dictionaryWithObject:@"v" forKey:@"text"];
    EXPECT_TRUE([request.mboxParameters isEqualToDictionary:kept]);
    EXPECT_TRUE([request.pivoraParameters.parameters isEqualToDictionary:kept]);
    EXPECT_EQ([request.productParameters count], 0u);
    EXPECT_EQ([request.orderParameters count], 0u);
    const auto warnings = Warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].tag, "Pivora Request");
    EXPECT_THAT(warnings[0].message, HasSubstr("number"));
    EXPECT_THAT(warnings[0].message, testing::Not(HasSubstr("text")));
}

TEST_F(NVRPivoraValuesTest, APrefetchObjectWithoutParametersHasEmptyOnes) {
    NVRPivoraPrefetchObject* prefetch = [NVRPivoraPrefetchObject prefetchObjectWithName:@"home"
                                                                         mboxParameters:nil];
    ASSERT_NE(prefetch.mboxParameters, nil);
    EXPECT_EQ([prefetch.mboxParameters count], 0u);
    ASSERT_NE(prefetch.pivoraParameters, nil);
    EXPECT_EQ([prefetch.pivoraParameters.parameters count], 0u);
    EXPECT_EQ([prefetch.pivoraParameters.profileParameters count], 0u);
}

TEST_F(NVRPivoraValuesTest, OrderIdsThatAreNotStringsAreLeftOutWithAWarning) {
    NVRPivoraPrefetchObject* prefetch = [NVRPivoraPrefetchObject prefetchObjectWithName:@"home"
                                                                         mboxParameters:nil];
    [prefetch setOrderParameters:@"o-1"
                      orderTotal:[NSNumber numberWithDouble:12.5]
             purchasedProductIds:[NSArray arrayWithObjects:@"p-1", [NSNumber numberWithInt:2], nil]];
    NSArray* kept = [NSArray arrayWithObject:@"p-1"];
    EXPECT_TRUE([[prefetch.orderParameters objectForKey:@"purchasedProductIds"] isEqualToArray:kept]);
    EXPECT_TRUE([prefetch.pivoraParameters.order.purchasedProductIds isEqualToArray:kept]);
    EXPECT_TRUE([prefetch.pivoraParameters.order.orderId isEqualToString:@"o-1"]);
    const auto warnings = Warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].tag, "Pivora Prefetch");
}

TEST_F(NVRPivoraValuesTest, ABundleFillsTheDictionariesWithEmptyValuesForMissingOnes) {
    NVRPivoraParameters* bundle = [NVRPivoraParameters
        pivoraParametersWithParameters:nil
                     profileParameters:nil
                               product:[NVRPivoraProduct pivoraProductWithId:@"p-1" categoryId:nil]
                                 order:[NVRPivoraOrder pivoraOrderWithId:nil
                                                                   total:nil
                                                     purchasedProductIds:nil]];
    NVRPivoraPrefetchObject* prefetch = [NVRPivoraPrefetchObject pivoraPrefetchObjectWithName:@"home"
                                                                             pivoraParameters:bundle];
    EXPECT_TRUE([[prefetch.productParameters objectForKey:@"categoryId"] isEqualToString:@""]);
    EXPECT_TRUE([[prefetch.productParameters objectForKey:@"id"] isEqualToString:@"p-1"]);
    EXPECT_TRUE([[prefetch.orderParameters objectForKey:@"total"] isEqual:[NSNumber numberWithInt:0]]);
    EXPECT_TRUE([[prefetch.orderParameters objectForKey:@"id"] isEqualToString:@""]);
    EXPECT_EQ([[prefetch.orderParameters objectForKey:@"purchasedProductIds"] count], 0u);
}

TEST_F(NVRPivoraValuesTest, ProductsAndOrdersNeedAnId) {
    NSDictionary* withoutId = [NSDictionary dictionaryWithObject:@"c-1" forKey:@"categoryId"];
    EXPECT_EQ([NVRTypeBridgePivora productFromDictionary:withoutId], nil);
    EXPECT_EQ([NVRTypeBridgePivora orderFromDictionary:withoutId], nil);
    EXPECT_EQ([NVRTypeBridgePivora productFromDictionary:(NSDictionary*)@"not a dictionary"], nil);

    // Without a bundle the request is made of its dictionaries, and a product without an id is none.
    NVRPivoraRequestObject* request = [[[NVRPivoraRequestObject alloc] init] autorelease];
    request.name = @"home";
    request.productParameters = withoutId;
    const auto converted = ToPivoraRequest(request);
    ASSERT_NE(converted->GetPivoraParameters(), nullptr);
    EXPECT_EQ(converted->GetPivoraParameters()->GetProduct(), nullptr);

    // A bundle without product converts to one with an empty id, which a merge leaves out.
    const auto parameters = ToCppPivoraParameters(nil);
    ASSERT_NE(parameters->GetProduct(), nullptr);
    EXPECT_EQ(parameters->GetProduct()->GetProductId(), "");
    const auto withProduct =
        std::make_shared<PivoraParameters>(PivoraParameters::StringMap{}, PivoraParameters::StringMap{},
                                           std::make_shared<PivoraProduct>("p-1", ""), nullptr);
    EXPECT_EQ(PivoraParameters::Merge({withProduct, parameters})->GetProduct()->GetProductId(), "p-1");
}

TEST_F(NVRPivoraValuesTest, ValuesOfTheWrongClassReadAsEmpty) {
    NSDictionary* order =
        [NSDictionary dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:7], @"id", [NSArray array],
                                                   @"total", @"ids", @"purchasedProductIds", nil];
    const auto converted = ToPivoraOrder(order);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted->GetOrderId(), "");
    EXPECT_EQ(converted->GetTotal(), 0.0);
    EXPECT_TRUE(converted->GetPurchasedProductIds().empty());
}

TEST_F(NVRPivoraValuesTest, TheContentCallbackCallsTheBlockTheObjectHoldsThen) {
    __block int calls = 0;
    __block bool gotNil = false;
    NVRPivoraRequestObject* request = [NVRPivoraRequestObject requestObjectWithName:@"home"
                                                                     defaultContent:nil
                                                                     mboxParameters:nil
                                                                           callback:^(NSString* content) {
                                                                             ++calls;
                                                                             gotNil = content == nil;
                                                                           }];
    const auto converted = ToPivoraRequest(request);
    ASSERT_TRUE(converted->GetContentCallback());
    converted->GetContentCallback()("");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(gotNil);

    request.callback = nil;
    converted->GetContentCallback()("late");
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(ToPivoraRequest(request)->GetContentCallback());
}

TEST_F(NVRPivoraValuesTest, AnOrderSurvivesArchivingAndACopyHasItsOwnArray) {
    NVRPivoraOrder* order = [NVRPivoraOrder pivoraOrderWithId:@"o-1"
                                                        total:[NSNumber numberWithDouble:3.5]
                                          purchasedProductIds:[NSArray arrayWithObject:@"p-1"]];
    NVRPivoraOrder* restored =
        [NSKeyedUnarchiver unarchiveObjectWithData:[NSKeyedArchiver archivedDataWithRootObject:order]];
    ASSERT_NE(restored, nil);
    EXPECT_TRUE([restored.orderId isEqualToString:@"o-1"]);
    EXPECT_TRUE([restored.total isEqual:[NSNumber numberWithDouble:3.5]]);
    EXPECT_TRUE([restored.purchasedProductIds isEqualToArray:order.purchasedProductIds]);

    NVRPivoraOrder* copy = [[order copy] autorelease];
    EXPECT_TRUE([copy.purchasedProductIds isEqualToArray:order.purchasedProductIds]);
    EXPECT_NE(copy.purchasedProductIds, order.purchasedProductIds);
    EXPECT_EQ(copy.orderId, order.orderId);

    NVRPivoraParameters* bundle = [NVRPivoraParameters pivoraParametersWithParameters:nil
                                                                    profileParameters:nil
                                                                              product:nil
                                                                                order:order];
    NVRPivoraParameters* bundleCopy = [[bundle copy] autorelease];
    EXPECT_NE(bundleCopy.order, order);
    EXPECT_TRUE([bundleCopy.order.orderId isEqualToString:@"o-1"]);
}

}  // namespace
}  // namespace NuvraMobile
