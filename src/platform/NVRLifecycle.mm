#import "platform/NVRLifecycle.h"

#include "lifecycle/LifecyclePublicApi.h"
#import "platform/ExtensionClassCalls.h"

using namespace NuvraMobile;

namespace {

std::shared_ptr<LifecyclePublicApi> GetLifecycleCore() { return FacadeOverRunningCore<LifecyclePublicApi>(); }

}  // namespace

@implementation NVRLifecycle

+ (NSString*)extensionVersion {
    return @"2.0.3";
}

+ (void)registerExtension {
    RunPublicCall("NVRLifecycle", [] { GetLifecycleCore()->Register(); });
}

@end
