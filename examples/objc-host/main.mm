// The example Objective-C host program: plays an app that uses the SDK through its public classes only.
// It starts the SDK (configured from the configuration packaged in its bundle), reports a lifecycle
// start, tracks an action and a state, reads and changes the privacy status, and pauses.
//
//   nvr_objc_host [--log-level error|warning|debug|trace]

#import <Foundation/Foundation.h>

#include <cstdio>
#include <cstring>

#import "platform/NVRCore.h"

namespace {

bool ParseLogLevel(int argc, char** argv, NVRMobileLogLevel* level) {
    const char* names[] = {"error", "warning", "debug", "trace"};
    if (argc == 1) {
        return true;
    }
    if (argc == 3 && std::strcmp(argv[1], "--log-level") == 0) {
        for (NSInteger i = 0; i < 4; ++i) {
            if (std::strcmp(argv[2], names[i]) == 0) {
                *level = static_cast<NVRMobileLogLevel>(i);
                return true;
            }
        }
    }
    std::fprintf(stderr, "usage: nvr_objc_host [--log-level error|warning|debug|trace]\n");
    return false;
}

const char* PrivacyName(NVRMobilePrivacyStatus status) {
    switch (status) {
        case NVRMobilePrivacyStatusOptIn:
            return "optedin";
        case NVRMobilePrivacyStatusOptOut:
            return "optedout";
        default:
            return "optunknown";
    }
}

/** The SDK answers on its own threads; the app waits for one answer at a time. */
NSCondition* answered = nil;
BOOL hasAnswer = NO;

void Answer() {
    [answered lock];
    hasAnswer = YES;
    [answered signal];
    [answered unlock];
}

bool AwaitAnswer(const char* what) {
    [answered lock];
    NSDate* deadline = [NSDate dateWithTimeIntervalSinceNow:30];
    while (!hasAnswer && [answered waitUntilDate:deadline]) {
    }
    const bool received = hasAnswer;
    hasAnswer = NO;
    [answered unlock];
    if (!received) {
        std::fprintf(stderr, "no answer for %s within 30 s\n", what);
    }
    return received;
}

bool PrintPrivacyStatus() {
    [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus status) {
      std::printf("Privacy status: %s\n", PrivacyName(status));
      Answer();
    }];
    return AwaitAnswer("the privacy status");
}

}  // namespace

int main(int argc, char** argv) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NVRMobileLogLevel level = NVRMobileLogLevelError;
    if (!ParseLogLevel(argc, argv, &level)) {
        [pool drain];
        return 2;
    }
    answered = [[NSCondition alloc] init];
    [NVRCore setLogLevel:level];
    std::printf("SDK version: %s\n", [[NVRCore extensionVersion] UTF8String]);

    [NVRCore start:^{
      std::printf("Started\n");
      Answer();
    }];
    bool ok = AwaitAnswer("the start");

    NSDictionary* launchContext = [NSDictionary dictionaryWithObject:@"example" forKey:@"launch.source"];
    [NVRCore lifecycleStart:launchContext];
    NSDictionary* purchase =
        [NSDictionary dictionaryWithObjectsAndKeys:@"blue", @"product.color", @"2", @"product.quantity", nil];
    [NVRCore trackAction:@"purchase" data:purchase];
    [NVRCore trackState:@"checkout" data:nil];
    std::printf("Tracked action \"purchase\" and state \"checkout\"\n");

    ok = ok && PrintPrivacyStatus();
    [NVRCore setPrivacyStatus:NVRMobilePrivacyStatusOptOut];
    ok = ok && PrintPrivacyStatus();
    [NVRCore lifecyclePause];
    std::printf("Paused\n");

    [answered release];
    [pool drain];
    return ok ? 0 : 1;
}
