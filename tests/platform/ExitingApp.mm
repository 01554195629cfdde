// An app that ends while the SDK is at work. ProcessExitTest runs it as a process of its own, with its data
// folders in XDG_DATA_HOME and XDG_CACHE_HOME; a clean exit is status 0. Its first argument names the case:
//   return   it tracks, asks for its hits to be sent and returns from main at once (also without argument)
//   threads  two threads of its own track every 200 us; main prints "exiting <time>" and calls exit(0).
//            After the SDK's exit handler has run and the threads have gone on calling for a while, no
//            thread of an SDK ("<executor>/<number>") may be left (status 3)
//   silent   its collector accepts every hit and never answers; it prints "port <the collector's port>",
//            tracks, and once a hit is in flight prints "returning <time>" and returns from main (status
//            4: no hit in 30 s)
//   callback [TRACKS]
//            the block it gives to start calls exit(0) (on one of the SDK's threads); with TRACKS, it tracks
//            that many times and exits from the block of a privacy request instead; its own exit handler,
//            registered before the SDK started, prints "the app's exit handler ran" (status 6: no exit in
//            30 s)
//   requests MS
//            it tracks, asks for its hits to be sent and MS ms later calls exit(0) from the block of an SDK
//            call, while requests start. Its own exit handler, registered before the SDK started, prints
//            "the app's exit handler ran" once it finds the TLS and JSON libraries still usable, which the
//            SDK's threads may be in until the process ends (status 7: the TLS library was cleaned up; a
//            JSON library torn down aborts; 6: no exit in 30 s)
//   late     the SDK has no configuration, so Analytics holds the app's requests: it asks for the visitor
//            identifier, the tracking identifier and the queue size, registers an extension of its own and
//            returns from main. An exit handler registered after the SDK started, which runs before the
//            SDK's, releases what the blocks and the extension's onUnregister reach: from then on the SDK may
//            call none of them, and each prints "the SDK called the app at exit: <what>" and sends a message
//            to the released object. Its own exit handler, registered before the SDK started, prints "the
//            app's exit handler ran"
//   latecallback
//            as late, but instead of returning from main it calls exit(0) from the block of an SDK call, on
//            one of the SDK's threads (status 6: no exit in 30 s)
//   deliver PORT
//            its collector, on the port of an earlier silent run (a stored hit names its server), answers;
//            it tracks nothing and waits (30 s at most) for the hit that run tracked (status 5: none came)
// A <time> is CLOCK_MONOTONIC's (the steady clock's) in nanoseconds.

#import <Foundation/Foundation.h>

#include <dirent.h>
#include <openssl/crypto.h>
#include <simdjson.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#import "platform/NVRAnalytics.h"
#import "platform/NVRCore.h"
#import "platform/NVRExtension.h"
#import "platform/NVRIdentity.h"
#include "support/HelperAppCollector.h"

namespace {

constexpr int kNoSdkThreadsLeft = 3;
constexpr int kNoHitInFlight = 4;
constexpr int kNoStoredHitDelivered = 5;
constexpr int kNoExitFromAnSdkCallback = 6;
constexpr int kTlsLibraryCleanedUp = 7;
// The action of the hit that a silent run leaves stored for the next launch.
NSString* const kStoredAction = @"stored-at-exit";

// Reachable until the end: it answers the SDK for as long as the process lives.
NuvraMobile::HelperAppCollector* collector = nullptr;
/** The track calls the start block of a callback run makes before it exits. */
int tracksBeforeExit = 0;

/** Released as the process begins to exit: a message to it then is a message to a freed object. */
NSObject* appState = nil;
std::atomic<bool> exitBegun{false};

/** Runs before the SDK's own exit handler. */
void ReleaseTheAppStateAtExit() {
    exitBegun.store(true);
    [appState release];
}

/** What the SDK may no longer call once the process has begun to exit; an earlier answer is welcome. */
void CalledAtExit(const char* what) {
    if (!exitBegun.load()) {
        return;
    }
    std::printf("the SDK called the app at exit: %s\n", what);
    std::fflush(stdout);
    [appState description];
}

}  // namespace

/** An app's own extension whose onUnregister the SDK would call as it is disposed at exit. */
@interface LateExtension : NVRExtension
@end

@implementation LateExtension
- (NSString*)name {
    return @"com.example.late";
}

- (void)onUnregister {
    CalledAtExit("the extension's onUnregister");
    [super onUnregister];
}
@end

namespace {

void StartSdk(bool exitFromTheStartBlock, bool configure = true) {
    NSString* host = [NSString stringWithFormat:@"127.0.0.1:%d", collector->Port()];
    [NVRCore setLogLevel:NVRMobileLogLevelWarning];
    [NVRIdentity registerExtension];
    [NVRAnalytics registerExtension];
    [NVRCore start:^{
        if (!exitFromTheStartBlock) {
            return;
        }
        if (tracksBeforeExit == 0) {
            std::exit(0);
        }
        for (int track = 0; track < tracksBeforeExit; ++track) {
            [NVRCore trackAction:@"before exit" data:nil];
        }
        // Answered once the tracks have reached Analytics.
        [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus) {
            std::exit(0);
        }];
    }];
    if (!configure) {
        return;
    }
    [NVRCore updateConfiguration:[NSDictionary dictionaryWithObjectsAndKeys:host, @"analytics.server", @"rs",
                                                                            @"analytics.rsids", @"ORG1",
                                                                            @"skyloom.org", host,
                                                                            @"skyloom.server", @"optedin",
                                                                            @"global.privacy", nil]];
}

/** Ends the process with kNoSdkThreadsLeft when a thread of an executor ("<executor>/<number>") is left. */
void RequireNoSdkThread() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) {
        return;
    }
    while (const dirent* task = readdir(tasks)) {
        std::ifstream comm(std::string("/proc/self/task/") + task->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name.find('/') != std::string::npos) {
            std::fprintf(stderr, "a thread of an SDK is left at exit: %s\n", name.c_str());
            std::fflush(stderr);
            _exit(kNoSdkThreadsLeft);
        }
    }
    closedir(tasks);
}

/**
 * Registered before the SDK starts, so it runs after the SDK's own exit handler: the app's threads go on
 * calling for a while, then no thread of an SDK may be left.
 */
void CheckAfterTheSdksExitHandler() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RequireNoSdkThread();
}

void SayTheOwnExitHandlerRan() {
    std::printf("the app's exit handler ran\n");
    std::fflush(stdout);
}

/**
 * Ends the process with kTlsLibraryCleanedUp when the TLS library can no longer be used; a parse with the JSON
 * library's statics destroyed aborts.
 */
void SayTheOwnExitHandlerRanWithTheLibrariesUsable() {
    // Once cleaned up, the TLS library refuses to be set up again.
    if (OPENSSL_init_crypto(0, nullptr) != 1) {
        std::fprintf(stderr, "the TLS library was cleaned up while the SDK's threads may use it\n");
        std::fflush(stderr);
        _exit(kTlsLibraryCleanedUp);
    }
    simdjson::dom::parser parser;
    [[maybe_unused]] const auto parsed = parser.parse(simdjson::padded_string(std::string_view("{}")));
    SayTheOwnExitHandlerRan();
}

/** Starts requests, then exits from an SDK thread `delayMs` later. */
[[noreturn]] void ExitFromACallbackWhileRequestsStart(int delayMs) {
    [NVRCore trackAction:@"exit" data:nil];
    [NVRAnalytics sendQueuedHits];
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus) {
        std::exit(0);
    }];
    std::this_thread::sleep_for(std::chrono::seconds(30));
    std::exit(kNoExitFromAnSdkCallback);
}

/** Leaves the app's requests to Analytics, which holds them without a configuration, and an extension. */
void LeaveRequestsUnanswered() {
    appState = [[NSObject alloc] init];
    [NVRAnalytics getVisitorIdentifier:^(NSString*) {
        CalledAtExit("the visitor identifier block");
    }];
    [NVRAnalytics getTrackingIdentifier:^(NSString*) {
        CalledAtExit("the tracking identifier block");
    }];
    [NVRAnalytics getQueueSize:^(unsigned long) {
        CalledAtExit("the queue size block");
    }];
    NSError* error = nil;
    if (![NVRCore registerExtension:[LateExtension class] error:&error]) {
        std::printf("the extension was not registered\n");
    }
    std::atexit(ReleaseTheAppStateAtExit);
}

[[noreturn]] void TrackForever(int thread) {
    GSRegisterCurrentThread();
    for (long count = 0;; ++count) {
        NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
        NSString* number = [NSString stringWithFormat:@"%d.%ld", thread, count];
        [NVRCore trackAction:@"tick" data:[NSDictionary dictionaryWithObject:number forKey:@"tick"]];
        [pool drain];
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

}  // namespace

int main(int argc, char** argv) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    const std::string mode = argc > 1 ? argv[1] : "return";
    if (mode == "threads") {
        std::atexit(CheckAfterTheSdksExitHandler);
    }
    const bool late = mode == "late" || mode == "latecallback";
    if (mode == "callback" || late) {
        std::atexit(SayTheOwnExitHandlerRan);
    }
    if (mode == "requests") {
        std::atexit(SayTheOwnExitHandlerRanWithTheLibrariesUsable);
    }
    collector = &NuvraMobile::HelperAppCollector::Start(
        mode != "silent", mode == "deliver" && argc > 2 ? std::atoi(argv[2]) : 0, [kStoredAction UTF8String]);
    if (mode == "silent") {
        std::printf("port %d\n", collector->Port());
        std::fflush(stdout);
    }
    if (mode == "callback" && argc > 2) {
        tracksBeforeExit = std::atoi(argv[2]);
    }
    StartSdk(mode == "callback", !late);
    if (late) {
        LeaveRequestsUnanswered();
    }
    if (mode == "late") {
        std::printf("returning from main\n");
        std::fflush(stdout);
        [pool drain];
        return 0;
    }
    if (mode == "latecallback") {
        [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus) {
            std::exit(0);
        }];
        std::this_thread::sleep_for(std::chrono::seconds(30));
        return kNoExitFromAnSdkCallback;
    }
    if (mode == "requests") {
        ExitFromACallbackWhileRequestsStart(argc > 2 ? std::atoi(argv[2]) : 0);
    }
    if (mode == "callback") {
        std::this_thread::sleep_for(std::chrono::seconds(30));
        return kNoExitFromAnSdkCallback;
    }
    if (mode == "threads") {
        for (int thread = 0; thread < 2; ++thread) {
            std::thread(TrackForever, thread).detach();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        NuvraMobile::HelperAppCollector::PrintNow("exiting");
        std::exit(0);
    }
    if (mode == "deliver") {
        const bool delivered = collector->WaitForTheStoredHit();
        [pool drain];
        return delivered ? 0 : kNoStoredHitDelivered;
    }
    [NVRCore trackAction:(mode == "silent" ? kStoredAction : @"exit") data:nil];
    [NVRAnalytics sendQueuedHits];
    if (mode == "silent") {
        if (!collector->WaitForAHit()) {
            return kNoHitInFlight;
        }
        NuvraMobile::HelperAppCollector::PrintNow("returning");
    }
    [pool drain];
    return 0;
}
