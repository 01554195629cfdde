#import "platform/NVRDataMarshaller.h"

namespace {

NSDictionary* NotificationKeys() {
    static NSDictionary* keys = [[NSDictionary alloc]
        initWithObjectsAndKeys:@"deeplink", @"nvb_deeplink", @"pushmessageid", @"nvb_m_id", @"notificationid",
                               @"nvb_m_l_id", nil];
    return keys;
}

}  // namespace

@implementation NVRDataMarshaller

- (instancetype)init {
    self = [super init];
    if (self != nil) {
        launch_data_ = [[NSMutableDictionary alloc] init];
    }
    return self;
}

- (void)dealloc {
    [launch_data_ release];
    [super dealloc];
}

- (instancetype)marshalLaunchInfo:(NSDictionary*)launchInfo {
    for (id key in launchInfo) {
        if (![key isKindOfClass:[NSString class]] || [key length] == 0) {
            continue;
        }
        id value = [launchInfo objectForKey:key];
        NSString* launchDataKey = [NotificationKeys() objectForKey:key];
        if (launchDataKey == nil) {
            [launch_data_ setObject:value forKey:key];
        } else if ([value isKindOfClass:[NSString class]] && ![NVRDataMarshaller isEmpty:value]) {
            [launch_data_ setObject:value forKey:launchDataKey];
        }
    }
    return self;
}

- (NSDictionary*)getLaunchData {
    return launch_data_;
}

+ (BOOL)isEmpty:(NSString*)string {
    if (string == nil) {
        return YES;
    }
    NSCharacterSet* blanks = [NSCharacterSet whitespaceAndNewlineCharacterSet];
    return [[string stringByTrimmingCharactersInSet:blanks] length] == 0 ? YES : NO;
}

@end
