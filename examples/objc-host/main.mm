// The example Objective-C host program: plays an app that uses the SDK through its public classes only.
// It registers every module through its class and an extension of its own whose listener prints every
// event it hears, starts the SDK (configured from the configuration packaged in its bundle), opts in for
// its user, syncs the user's customer id, reports a lifecycle start, tracks an action and a state,
// dispatches the app's own event, on which the extension publishes and reads back its state, makes each
// module class's main calls once, waits for its hits to reach the demo's collector on 127.0.0.1 (which
// prints each one), opts out, and pauses. Like the C++ host, it keeps the SDK's state between runs and
// names the collector to the SDK for the run only when the bundle's port was taken.

#import <Foundation/Foundation.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Collector.h"
#include "CommandLine.h"
#include "DemoFolders.h"
#include "services/system/AppFolders.h"

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

const char* const USAGE =
    "usage: nvr_objc_host [--log-level error|warning|debug|trace] [--data-dir DIR] [--reset]\n"
    "  --data-dir DIR  where the SDK keeps its state between runs (default: nvr_objc_host_data beside\n"
    "                  the program)\n"
    "  --reset         clear what earlier runs stored before starting\n";

/** What the command line asks of the program. */
struct HostOptions {
    NVRMobileLogLevel logLevel = NVRMobileLogLevelError;
    std::string dataDirectory;
    bool reset = false;
};

bool ParseLogLevel(const std::string& name, NVRMobileLogLevel* level) {
    const char* names[] = {"error", "warning", "debug", "trace"};
    for (NSInteger i = 0; i < 4; ++i) {
        if (name == names[i]) {
            *level = static_cast<NVRMobileLogLevel>(i);
            return true;
        }
    }
    return false;
}

enum class ParseOutcome { Run, ShowHelp, Invalid };

/** Invalid, with one line on standard error naming the option, for anything it cannot use. */
ParseOutcome ParseOptions(int argc, char** argv, HostOptions* options) {
    NuvraHost::CommandLine line("nvr_objc_host", argc, argv);
    std::string option;
    std::string value;
    while (line.NextOption(option)) {
        if (option == "--help") {
            return ParseOutcome::ShowHelp;
        } else if (option == "--reset") {
            options->reset = true;
        } else if (option == "--data-dir") {
            if (!line.Value(options->dataDirectory)) {
                return ParseOutcome::Invalid;
            }
        } else if (option == "--log-level") {
            if (!line.Value(value)) {
                return ParseOutcome::Invalid;
            }
            if (!ParseLogLevel(value, &options->logLevel)) {
                line.Reject("unknown log level '" + value + "'");
                return ParseOutcome::Invalid;
            }
        } else {
            line.Reject("unknown option '" + option + "'");
            return ParseOutcome::Invalid;
        }
    }
    return ParseOutcome::Run;
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

/**
 * The count of hits is the program's last line: the extension, which hears events until the process
 * exits, prints none once the count is out.
 */
NSLock* printing = nil;
BOOL countPrinted = NO;

/** Runs `print` while the count is not out. */
void PrintBeforeCount(void (^print)(void)) {
    [printing lock];
    if (!countPrinted) {
        print();
    }
    [printing unlock];
}

void PrintCount(int hits) {
    [printing lock];
    std::printf("Hits received by the collector: %d\n", hits);
    countPrinted = YES;
    [printing unlock];
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
    PrintBeforeCount(^{
      std::printf("Extension heard: %s (%s, %s)\n", [[event eventName] UTF8String],
                  [[event eventType] UTF8String], [[event eventSource] UTF8String]);
    });
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
    // The block keeps its own copy of the answer: one that comes after the wait gave up must not write
    // into the caller's frame, which may be gone by then.
    __block NVRMobilePrivacyStatus answered = NVRMobilePrivacyStatusUnknown;
    [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus current) {
      std::printf("Privacy status: %s\n", PrivacyName(current));
      answered = current;
      Answer();
    }];
    const bool ok = AwaitAnswer("the privacy status");
    if (ok) {
        *status = answered;
    }
    return ok;
}

/** The hits the run's track calls make: the action and the state. */
constexpr int kTrackedHits = 2;

/** The number of hits stored or waiting in Analytics; -1 when no answer came. */
std::int64_t StoredHits() {
    __block std::int64_t stored = -1;
    [NVRAnalytics getQueueSize:^(unsigned long queueSize) {
      stored = static_cast<std::int64_t>(queueSize);
      Answer();
    }];
    return AwaitAnswer("the analytics queue size") ? stored : -1;
}

/**
 * While the app is opted in, the hits of its track calls must reach the collector: it waits until they did
 * and none is left stored, or 20 s.
 */
bool AwaitHits(const NuvraHost::Collector& collector, NVRMobilePrivacyStatus privacy) {
    if (privacy != NVRMobilePrivacyStatusOptIn) {
        return true;
    }
    const int arrived = collector.AwaitDelivery(
        kTrackedHits, [] { return StoredHits(); }, [] { [NVRAnalytics sendQueuedHits]; }, std::chrono::seconds(20));
    if (arrived < kTrackedHits) {
        std::fprintf(stderr, "%d of the run's %d hits reached the collector within 20 s\n", arrived, kTrackedHits);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    HostOptions options;
    const ParseOutcome outcome = ParseOptions(argc, argv, &options);
    if (outcome != ParseOutcome::Run) {
        if (outcome == ParseOutcome::ShowHelp) {
            std::fputs(USAGE, stdout);
        }
        [pool drain];
        return outcome == ParseOutcome::ShowHelp ? 0 : 2;
    }
    const std::filesystem::path dataDirectory =
        options.dataDirectory.empty() ? NuvraHost::DefaultDataDirectory(argv[0], "nvr_objc_host_data")
                                      : std::filesystem::path(options.dataDirectory);
    NuvraHost::PrepareDataDirectory(dataDirectory, options.reset);
    const std::filesystem::path bundle = NuvraMobile::AppFolders::GetBundleDirectory();
    std::string bundledServer;
    if (!NuvraHost::ReadPackagedServer("nvr_objc_host", bundle, bundledServer)) {
        [pool drain];
        return 1;
    }
    // Stopped as main returns, before the SDK's own exit handler: a request still under way then fails
    // and its hit stays stored, as with a server out of reach. The bundle is named to the SDK before the
    // first call of a public class; the SDK has read it by the time main returns.
    NuvraHost::Collector collector(NuvraHost::LoopbackPort(bundledServer));
    const NuvraHost::RunBundle runBundle(bundle, bundledServer, collector.Host(), dataDirectory);
    answered = [[NSCondition alloc] init];
    printing = [[NSLock alloc] init];
    [NVRCore setLogLevel:options.logLevel];
    std::printf("SDK version: %s\n", [[NVRCore extensionVersion] UTF8String]);
    RegisterModuleClasses();
    bool ok = RegisterExampleExtension();

    [NVRCore start:^{
      std::printf("Started\n");
      Answer();
    }];
    ok = AwaitAnswer("the start") && ok;
    // The app's user gives consent; the opt-out at the end is stored too, so every run starts from here.
    [NVRCore setPrivacyStatus:NVRMobilePrivacyStatusOptIn];
    // Answered once the consent is published: a track call made before Analytics heard it would still meet
    // the opt-out of the run before, and be dropped.
    NVRMobilePrivacyStatus privacy = NVRMobilePrivacyStatusUnknown;
    ok = PrintPrivacyStatus(&privacy) && ok;
    // The user signs in before using the app, so every hit carries the customer id and what the identity
    // server answered for it.
    [NVRIdentity syncIdentifier:@"crm"
                     identifier:@"example-user"
                 authentication:NVRMobileVisitorAuthenticationStateAuthenticated];
    std::printf("Synced customer id crm = example-user\n");

    NSDictionary* launchContext = [NSDictionary dictionaryWithObject:@"example" forKey:@"launch.source"];
    [NVRCore lifecycleStart:launchContext];
    NSDictionary* purchase =
        [NSDictionary dictionaryWithObjectsAndKeys:@"blue", @"product.color", @"2", @"product.quantity", nil];
    [NVRCore trackAction:@"purchase" data:purchase];
    [NVRCore trackState:@"checkout" data:nil];
    std::printf("Tracked action \"purchase\" and state \"checkout\"\n");
    ok = ok && UseExampleExtension();
    ok = ok && UseModuleClasses();

    ok = ok && AwaitHits(collector, privacy);
    [NVRCore setPrivacyStatus:NVRMobilePrivacyStatusOptOut];
    ok = ok && PrintPrivacyStatus(&privacy);
    [NVRCore lifecyclePause];
    std::printf("Paused\n");
    // Last, once nothing more can arrive: the count is what the collector printed.
    collector.Stop();
    PrintCount(collector.HitCount());

    // `answered` and `printing` stay: an answer or an event that comes late (a module that never got its
    // configuration, say) may still reach them from the SDK's threads until the process ends.
    [pool drain];
    // Like an app, the program never tears the SDK down: it returns while the SDK may still be at work
    // (the opt-out above clears stored data), and the SDK stops its threads as the process exits.
    return ok ? 0 : 1;
}
