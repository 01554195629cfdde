#import "platform/NVRMobileVisitorId.h"

@implementation NVRMobileVisitorId

@synthesize idOrigin = _idOrigin;
@synthesize idType = _idType;
@synthesize identifier = _identifier;
@synthesize authenticationState = _authenticationState;

- (instancetype)initWithOrigin:(NSString*)idOrigin
                          type:(NSString*)idType
                            id:(NSString*)identifier
                authentication:(NVRMobileVisitorAuthenticationState)authenticationState {
    self = [super init];
    if (self != nil) {
        [self setIdOrigin:idOrigin];
        [self setIdType:idType];
        [self setIdentifier:identifier];
        [self setAuthenticationState:authenticationState];
    }
    return self;
}

- (void)dealloc {
    [_idOrigin release];
    [_idType release];
    [_identifier release];
    [super dealloc];
}

@end
