#import "platform/NVRLifecycle.h"

#import "platform/ExtensionClassCalls.h"
#include "lifecycle/LifecyclePublicApi.h"

using namespace NuvraMobile;

namespace {

std::shared_ptr<LifecyclePublicApi> GetLifecycleCore() {
    return FacadeOverRunningCore<LifecyclePublicApi>();
}

}  // namespace

@implementation NVRLifecycle

+ (NSString*)extensionVersion {
    return @"2.0.3";
}

+ (void)registerExtension {
    RunPublicCall("NVRLifecycle", [] { GetLifecycleCore()->Register(); });
}

@end
