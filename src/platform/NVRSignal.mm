#import "platform/NVRSignal.h"

#import "platform/ExtensionClassCalls.h"
#include "signal/SignalPublicApi.h"

using namespace NuvraMobile;

namespace {

std::shared_ptr<SignalPublicApi> GetSignalCore() {
    const RunningCore core = GetRunningCore();
    return SignalPublicApi::Create(core.eventHub, core.platformServices);
}

}  // namespace

@implementation NVRSignal

+ (NSString*)extensionVersion {
    return @"2.0.2";
}

+ (void)registerExtension {
    RunPublicCall("NVRSignal", [] { GetSignalCore()->RegisterSignal(); });
}

@end
