#pragma once

#import <Foundation/Foundation.h>

/**
 * Turns the dictionary that the app receives at launch or with a notification into the launch data of
 * NVRCore collectLaunchInfo:, mapping the notification keys "nvb_deeplink", "nvb_m_id" and "nvb_m_l_id"
 * to "deeplink", "pushmessageid" and "notificationid". Used by one thread at a time.
 */
@interface NVRDataMarshaller : NSObject {
    NSMutableDictionary* launch_data_;
}

/**
 * Adds the entries under non-empty string keys. Under a notification key only a string that is not
 * blank is taken, under its launch-data key; every other key keeps its value, whatever its type.
 */
- (instancetype)marshalLaunchInfo:(NSDictionary*)launchInfo;

- (NSDictionary*)getLaunchData;

/** YES for nil, the empty string and a string of white space and line breaks only. */
+ (BOOL)isEmpty:(NSString*)string;

@end
