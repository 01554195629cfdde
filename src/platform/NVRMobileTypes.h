#pragma once

#import <Foundation/Foundation.h>

/** The user's consent state. */
typedef NS_ENUM(NSInteger, NVRMobilePrivacyStatus) {
    NVRMobilePrivacyStatusOptIn = 0,
    NVRMobilePrivacyStatusOptOut = 1,
    NVRMobilePrivacyStatusUnknown = 2,
};

/** How much the SDK writes to the console, from errors only up to every trace line. */
typedef NS_ENUM(NSInteger, NVRMobileLogLevel) {
    NVRMobileLogLevelError = 0,
    NVRMobileLogLevelWarning = 1,
    NVRMobileLogLevelDebug = 2,
    NVRMobileLogLevelTrace = 3,
};

/** The authentication state of a visitor identifier. */
typedef NS_ENUM(NSInteger, NVRMobileVisitorAuthenticationState) {
    NVRMobileVisitorAuthenticationStateUnknown = 0,
    NVRMobileVisitorAuthenticationStateAuthenticated = 1,
    NVRMobileVisitorAuthenticationStateLoggedOut = 2,
};

/** The cross-platform wrapper the app embeds the SDK through, if any. */
typedef NS_ENUM(NSInteger, NVRMobileWrapperType) {
    NVRMobileWrapperTypeNone = 0,
    NVRMobileWrapperTypeReactNative = 1,
};
