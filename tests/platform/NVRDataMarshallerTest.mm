#import "platform/NVRDataMarshaller.h"

#include <gtest/gtest.h>

namespace {

NSDictionary* Marshal(NSDictionary* launchInfo) {
    NVRDataMarshaller* marshaller = [[[NVRDataMarshaller alloc] init] autorelease];
    return [[marshaller marshalLaunchInfo:launchInfo] getLaunchData];
}

TEST(NVRDataMarshallerTest, MapsTheNotificationKeys) {
    NSDictionary* launchInfo = [NSDictionary
        dictionaryWithObjectsAndKeys:@"app://offer", @"nvb_deeplink", @"m-1", @"nvb_m_id", @"n-1", @"nvb_m_l_id",
                                     [NSNumber numberWithInt:4], @"count", nil];
    NSDictionary* expected = [NSDictionary
        dictionaryWithObjectsAndKeys:@"app://offer", @"deeplink", @"m-1", @"pushmessageid", @"n-1",
                                     @"notificationid", [NSNumber numberWithInt:4], @"count", nil];
    EXPECT_TRUE([Marshal(launchInfo) isEqualToDictionary:expected]);
}

TEST(NVRDataMarshallerTest, SkipsBlankOrNonStringNotificationValuesAndBadKeys) {
    NSDictionary* launchInfo = [NSDictionary
        dictionaryWithObjectsAndKeys:@"  \n", @"nvb_deeplink", [NSNumber numberWithInt:5], @"nvb_m_id",
                                     [NSArray array], @"nvb_m_l_id", @"v", @"", @"w", [NSNumber numberWithInt:1],
                                     nil];
    EXPECT_EQ([Marshal(launchInfo) count], 0u);
}

TEST(NVRDataMarshallerTest, IsEmpty) {
    EXPECT_TRUE([NVRDataMarshaller isEmpty:nil]);
    EXPECT_TRUE([NVRDataMarshaller isEmpty:@""]);
    EXPECT_TRUE([NVRDataMarshaller isEmpty:@" \t\r\n"]);
    EXPECT_FALSE([NVRDataMarshaller isEmpty:@" x "]);
}

}  // namespace
