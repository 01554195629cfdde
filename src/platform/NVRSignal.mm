#import "platform/NVRSignal.h"

#import "platform/ExtensionClassCalls.h"
#include "signal/SignalPublicApi.h"

using namespace NuvraMobile;

namespace {

std::shared_ptr<SignalPublicApi> GetSignalCore() { return FacadeOverRunningCore<SignalPublicApi>(); }

}  // namespace

@implementation NVRSignal

+ (NSString*)extensionVersion {
    return @"2.0.2";
}

+ (void)registerExtension {
    RunPublicCall("NVRSignal", [] { GetSignalCore()->RegisterSignal(); });
}

@end
