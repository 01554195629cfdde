// The smallest Objective-C app on an installed SDK: it names its bundle folder, registers Analytics and
// Identity (Analytics builds its hits only once Identity has the organisation the bundle names), starts the
// SDK (configured from its bundle, opted in), tracks an action and checks that the stored hits grew by it.
// The sample bundle names a loopback port where nothing listens and a batch limit that holds the hit, so
// it stays stored: the next run finds it among the hits of earlier runs. An app names its own servers.
#import <Foundation/Foundation.h>

#include <cstdio>

#import <nuvra/platform/NVRAnalytics.h>
#import <nuvra/platform/NVRCore.h>
#import <nuvra/platform/NVRIdentity.h>
#include <nuvra/services/system/AppFolders.h>

namespace {

NSCondition* answered = nil;
BOOL hasAnswer = NO;

void Answer() {
    [answered lock];
    hasAnswer = YES;
    [answered signal];
    [answered unlock];
}

bool AwaitAnswer(NSDate* deadline) {
    [answered lock];
    while (!hasAnswer && [answered waitUntilDate:deadline]) {
    }
    const bool received = hasAnswer;
    hasAnswer = NO;
    [answered unlock];
    return received;
}

/**
 * Asks for the number of stored hits (with the track calls Analytics has not built into hits yet). Analytics
 * answers after the track calls made before the question.
 */
bool AskStoredHits(unsigned long* storedHits) {
    [NVRAnalytics getQueueSize:^(unsigned long queueSize) {
      *storedHits = queueSize;
      Answer();
    }];
    return AwaitAnswer([NSDate dateWithTimeIntervalSinceNow:30]);
}

}  // namespace

int main() {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    answered = [[NSCondition alloc] init];
    // Before the first call of a public class: where the app's properties and packaged files are.
    NuvraMobile::AppFolders::SetBundleDirectory(CONSUMER_BUNDLE);
    [NVRCore setLogLevel:NVRMobileLogLevelError];
    [NVRIdentity registerExtension];
    [NVRAnalytics registerExtension];
    [NVRCore start:^{
      Answer();
    }];
    bool ok = AwaitAnswer([NSDate dateWithTimeIntervalSinceNow:30]);
    // What earlier runs stored: their waiting track calls went with their process.
    unsigned long earlierHits = 0;
    unsigned long storedHits = 0;
    ok = ok && AskStoredHits(&earlierHits);
    [NVRCore trackAction:@"Opened" data:[NSDictionary dictionaryWithObject:@"consumer" forKey:@"origin"]];
    ok = ok && AskStoredHits(&storedHits) && storedHits == earlierHits + 1;
    std::printf("nuvra_consumer_objc: SDK %s, hits stored by earlier runs: %lu, with this run's action: %lu\n",
                [[NVRCore extensionVersion] UTF8String], earlierHits, storedHits);
    [answered release];
    [pool drain];
    // Like an app, it never tears the SDK down: the SDK stops its threads as the process exits.
    return ok ? 0 : 1;
}
