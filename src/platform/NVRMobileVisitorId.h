#pragma once

#import <Foundation/Foundation.h>

#import "platform/NVRMobileTypes.h"

/** One visitor identifier as the identity answers hand it to the app: a plain value object. */
@interface NVRMobileVisitorId : NSObject {
    NSString* _idOrigin;
    NSString* _idType;
    NSString* _identifier;
    NVRMobileVisitorAuthenticationState _authenticationState;
}

@property(nonatomic, retain) NSString* idOrigin;
@property(nonatomic, retain) NSString* idType;
@property(nonatomic, retain) NSString* identifier;
@property(nonatomic, assign) NVRMobileVisitorAuthenticationState authenticationState;

- (instancetype)initWithOrigin:(NSString*)idOrigin
                          type:(NSString*)idType
                            id:(NSString*)identifier
                authentication:(NVRMobileVisitorAuthenticationState)authenticationState;

@end
