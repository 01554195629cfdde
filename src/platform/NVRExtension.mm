#import "platform/NVRExtension.h"

#import "platform/NVRCore.h"
#import "platform/NVRExtensionApi.h"

NSString* const NVRExtensionErrorDomain = @"com.nuvramarketingmobile.module_errors";

@implementation NVRExtension

- (instancetype)init {
    return self;
}

- (instancetype)initWithApi:(NVRExtensionApi*)api {
    self = [super init];
    if (self != nil) {
        api_ = [api retain];
    }
    return self;
}

- (void)dealloc {
    [api_ release];
    [super dealloc];
}

- (NSString*)name {
    return nil;
}

- (NSString*)version {
    return nil;
}

- (void)unexpectedError:(NSError*)error {
    if ([error isKindOfClass:[NSError class]]) {
        [NVRCore log:NVRMobileLogLevelError tag:@"NVRExtension" message:[error localizedDescription]];
    }
}

- (void)onUnregister {
    // The api holds this extension: letting it go here breaks the cycle.
    NVRExtensionApi* api = api_;
    api_ = nil;
    [api release];
}

- (NVRExtensionApi*)api {
    return api_;
}

@end
