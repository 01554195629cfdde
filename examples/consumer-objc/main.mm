// The smallest Objective-C app on an installed SDK: it names its bundle folder, registers Analytics,
// starts the SDK (configured from its bundle, opted in), tracks an action and checks that the hit is
// stored for the measurement server, whose address its bundle names. The sample bundle names a loopback
// port where nothing listens and a batch limit that holds the hit, so it stays stored; an app names its
// own server.
#import <Foundation/Foundation.h>

#include <cstdio>

#import <nuvra/platform/NVRAnalytics.h>
#import <nuvra/platform/NVRCore.h>
#include <nuvra/services/system/AppFolders.h>

namespace {

NSCondition* answered = nil;
BOOL hasAnswer = NO;
unsigned long storedHits = 0;

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
 * Asks for the number of stored hits. Analytics answers after the track calls made before the question,
 * and the configuration its hits need was loaded from the bundle when the SDK started.
 */
bool AskStoredHits() {
    [NVRAnalytics getQueueSize:^(unsigned long queueSize) {
      storedHits = queueSize;
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
    [NVRAnalytics registerExtension];
    [NVRCore start:^{
      Answer();
    }];
    bool ok = AwaitAnswer([NSDate dateWithTimeIntervalSinceNow:30]);
    [NVRCore trackAction:@"Opened" data:[NSDictionary dictionaryWithObject:@"consumer" forKey:@"origin"]];
    ok = ok && AskStoredHits() && storedHits > 0;
    std::printf("nuvra_consumer_objc: SDK %s, action tracked, hits stored for the measurement server: %lu\n",
                [[NVRCore extensionVersion] UTF8String], storedHits);
    [answered release];
    [pool drain];
    // Like an app, it never tears the SDK down: the SDK stops its threads as the process exits.
    return ok ? 0 : 1;
}
