// The example Objective-C host program: plays an app that uses the SDK through its public classes only.
// It registers every module through its class and an extension of its own whose listener prints every
// event it hears, starts the SDK (configured from the configuration packaged in its bundle), opts in for
// its user, reports a lifecycle start, tracks an action and a state, dispatches the app's own event, on
// which the extension publishes and reads back its state, makes each module class's main calls once,
// waits for its hits to reach the demo's collector on 127.0.0.1 (which prints each one), opts out, and
// pauses.
//
//   nvr_objc_host [--log-level error|warning|debug|trace]

#import <Foundation/Foundation.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Collector.h"

#import "platform/NVRAnalytics.h"
#import "platform/NVRCore.h"
#import "platform/NVRExtension.h"
#import "platform/NVRExtensionApi.h"
#import "platform/NVRExtensionEvent.h"
#import "platform/NVRExtensionListener.h"
#import "platform/NVRIdentity.h"
#import "platform/NVRLifecycle.h"
#import "platform/NVRPivora.h"
#import "platform/NVRPivoraPrefetchObject.h"
#import "platform/NVRSignal.h"
#import "platform/NVRUserProfile.h"

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

NSString* const APP_EVENT_TYPE = @"com.example.eventType.app";
NSString* const APP_EVENT_SOURCE = @"com.example.eventSource.app";

}  // namespace

/**
 * Prints every event it hears. On the app's own event the extension publishes its state at that event
 * and reads it back, then the waiting app is answered.
 */
@interface PrintingListener : NVRExtensionListener
@end

@implementation PrintingListener
- (void)hear:(NVRExtensionEvent*)event {
    std::printf("Extension heard: %s (%s, %s)\n", [[event eventName] UTF8String],
                [[event eventType] UTF8String], [[event eventSource] UTF8String]);
    if (![[event eventType] isEqualToString:APP_EVENT_TYPE]) {
        return;
    }
    NVRExtensionApi* api = [[self extension] api];
    NSDictionary* state = [NSDictionary dictionaryWithObject:[event eventName] forKey:@"lastEvent"];
    NSError* error = nil;
    if ([api setSharedEventState:state event:event error:&error]) {
        NSDictionary* read = [api getSharedEventState:[[self extension] name] event:event error:&error];
        std::printf("Extension state: lastEvent = %s\n",
                    [[[read objectForKey:@"lastEvent"] description] UTF8String]);
    } else {
        std::fprintf(stderr, "the extension's state was not published: error %ld\n",
                     static_cast<long>([error code]));
    }
    Answer();
}
@end

/** The app's own extension: it listens to everything. */
@interface ExampleExtension : NVRExtension
@end

@implementation ExampleExtension
- (instancetype)init {
    self = [super init];
    NSError* error = nil;
    if (![[self api] registerWildcardListener:[PrintingListener class] error:&error]) {
        std::fprintf(stderr, "the listener was not registered: error %ld\n", static_cast<long>([error code]));
    }
    return self;
}

- (NSString*)name {
    return @"com.example.extension";
}
@end

namespace {

bool RegisterExampleExtension() {
    NSError* error = nil;
    if (![NVRCore registerExtension:[ExampleExtension class] error:&error]) {
        std::fprintf(stderr, "the extension was not registered: error %ld\n",
                     static_cast<long>([error code]));
        return false;
    }
    std::printf("Registered extension \"com.example.extension\"\n");
    return true;
}

/** The app's own event reaches its extension. */
bool UseExampleExtension() {
    NSDictionary* data = [NSDictionary dictionaryWithObject:@"example" forKey:@"origin"];
    NSError* error = nil;
    NVRExtensionEvent* event = [NVRExtensionEvent extensionEventWithName:@"ExampleAppEvent"
                                                                    type:APP_EVENT_TYPE
                                                                  source:APP_EVENT_SOURCE
                                                                    data:data
                                                                   error:&error];
    if (event == nil || ![NVRCore dispatchEvent:event error:&error]) {
        std::fprintf(stderr, "the app's event was not dispatched: error %ld\n",
                     static_cast<long>([error code]));
        return false;
    }
    return AwaitAnswer("the app's event");
}

void RegisterModuleClasses() {
    [NVRIdentity registerExtension];
    [NVRLifecycle registerExtension];
    [NVRAnalytics registerExtension];
    [NVRSignal registerExtension];
    [NVRUserProfile registerExtension];
    [NVRPivora registerExtension];
    std::printf("Registered Identity %s, Lifecycle %s, Analytics %s, Signal %s, User profile %s, Pivora %s\n",
                [[NVRIdentity extensionVersion] UTF8String], [[NVRLifecycle extensionVersion] UTF8String],
                [[NVRAnalytics extensionVersion] UTF8String], [[NVRSignal extensionVersion] UTF8String],
                [[NVRUserProfile extensionVersion] UTF8String], [[NVRPivora extensionVersion] UTF8String]);
}

/** The main calls of the module classes; the app waits for each answer it asks for. */
bool UseModuleClasses() {
    [NVRUserProfile updateUserAttribute:@"favourite.color" withValue:@"blue"];
    [NVRUserProfile removeUserAttribute:@"favourite.color"];
    [NVRIdentity syncIdentifier:@"crm"
                     identifier:@"example-user"
                 authentication:NVRMobileVisitorAuthenticationStateAuthenticated];
    [NVRAnalytics setVisitorIdentifier:@"example-visitor"];
    [NVRAnalytics sendQueuedHits];
    [NVRAnalytics getVisitorIdentifier:^(NSString* visitorIdentifier) {
      std::printf("Analytics visitor identifier: %s\n", [visitorIdentifier UTF8String]);
      Answer();
    }];
    bool ok = AwaitAnswer("the analytics visitor identifier");
    [NVRAnalytics getQueueSize:^(unsigned long queueSize) {
      std::printf("Analytics queue size: %lu\n", queueSize);
      Answer();
    }];
    ok = AwaitAnswer("the analytics queue size") && ok;
    [NVRPivora setThirdPartyId:@"example-third-party"];
    [NVRPivora getThirdPartyId:^(NSString* thirdPartyId) {
      std::printf("Pivora third-party id: %s\n", [thirdPartyId UTF8String]);
      Answer();
    }];
    ok = AwaitAnswer("the Pivora third-party id") && ok;
    NVRPivoraRequestObject* request =
        [NVRPivoraRequestObject requestObjectWithName:@"example-location"
                                       defaultContent:@"default offer"
                                       mboxParameters:nil
                                             callback:^(NSString* content) {
                                               std::printf("Pivora content: %s\n", [content UTF8String]);
                                               Answer();
                                             }];
    [NVRPivora loadRequests:[NSArray arrayWithObject:request] withProfileParameters:nil];
    ok = AwaitAnswer("the Pivora content") && ok;
    [NVRIdentity getSkyloomId:^(NSString* skyloomId) {
      std::printf("Visitor id: %s\n", skyloomId != nil ? "present" : "none yet");
      Answer();
    }];
    return AwaitAnswer("the visitor id") && ok;
}

bool PrintPrivacyStatus(NVRMobilePrivacyStatus* status) {
    [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus current) {
      std::printf("Privacy status: %s\n", PrivacyName(current));
      *status = current;
      Answer();
    }];
    return AwaitAnswer("the privacy status");
}

/** The port the sample bundle's configuration names for every server. */
constexpr int BUNDLED_COLLECTOR_PORT = 47321;

/** Points the servers at the collector when it could not take the bundle's port. */
void PointServersAt(const NuvraHost::Collector& collector) {
    NSString* host = [NSString stringWithUTF8String:collector.Host().c_str()];
    if ([host isEqualToString:[NSString stringWithFormat:@"127.0.0.1:%d", BUNDLED_COLLECTOR_PORT]]) {
        return;
    }
    std::printf("Pointing the servers at the collector (%s)\n", [host UTF8String]);
    [NVRCore updateConfiguration:[NSDictionary dictionaryWithObjectsAndKeys:host, @"analytics.server", host,
                                                                            @"skyloom.server", nil]];
}

/** While the app is opted in its hits must reach the collector. */
bool AwaitHits(const NuvraHost::Collector& collector, NVRMobilePrivacyStatus privacy) {
    const int arrived = collector.WaitForMoreHitsThan(0, std::chrono::seconds(20));
    std::printf("Hits received by the collector: %d\n", arrived);
    if (privacy == NVRMobilePrivacyStatusOptIn && arrived == 0) {
        std::fprintf(stderr, "no hit reached the collector while opted in\n");
        return false;
    }
    return true;
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
    const NuvraHost::Collector collector(BUNDLED_COLLECTOR_PORT);
    RegisterModuleClasses();
    bool ok = RegisterExampleExtension();

    [NVRCore start:^{
      std::printf("Started\n");
      Answer();
    }];
    ok = AwaitAnswer("the start") && ok;
    PointServersAt(collector);
    // The app's user gives consent; the opt-out at the end is stored too, so every run starts from here.
    [NVRCore setPrivacyStatus:NVRMobilePrivacyStatusOptIn];

    NSDictionary* launchContext = [NSDictionary dictionaryWithObject:@"example" forKey:@"launch.source"];
    [NVRCore lifecycleStart:launchContext];
    NSDictionary* purchase =
        [NSDictionary dictionaryWithObjectsAndKeys:@"blue", @"product.color", @"2", @"product.quantity", nil];
    [NVRCore trackAction:@"purchase" data:purchase];
    [NVRCore trackState:@"checkout" data:nil];
    std::printf("Tracked action \"purchase\" and state \"checkout\"\n");
    ok = ok && UseExampleExtension();
    ok = ok && UseModuleClasses();

    NVRMobilePrivacyStatus privacy = NVRMobilePrivacyStatusUnknown;
    ok = ok && PrintPrivacyStatus(&privacy);
    ok = ok && AwaitHits(collector, privacy);
    [NVRCore setPrivacyStatus:NVRMobilePrivacyStatusOptOut];
    ok = ok && PrintPrivacyStatus(&privacy);
    [NVRCore lifecyclePause];
    std::printf("Paused\n");

    [answered release];
    [pool drain];
    // Like an app, the program never tears the SDK down: it returns while the SDK may still be at work
    // (the opt-out above clears stored data), and the SDK stops its threads as the process exits.
    return ok ? 0 : 1;
}
