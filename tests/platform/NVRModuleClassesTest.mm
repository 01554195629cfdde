#import "platform/NVRAnalytics.h"
#import "platform/NVRIdentity.h"
#import "platform/NVRLifecycle.h"
#import "platform/NVRPivora.h"
#import "platform/NVRSignal.h"
#import "platform/NVRUserProfile.h"

#include "ModuleClassTestSupport.h"
#include "core/hub/EventHub.h"

namespace NuvraMobile {
namespace {

struct ExtensionClass {
    const char* name;
    NSString* (*version)();
    void (*registerExtension)();
    const char* moduleName;
    const char* expectedVersion;
};

const ExtensionClass EXTENSION_CLASSES[] = {
    {"NVRIdentity", [] { return [NVRIdentity extensionVersion]; }, [] { [NVRIdentity registerExtension]; },
     "com.nuvra.module.identity", "2.1.2"},
    {"NVRLifecycle", [] { return [NVRLifecycle extensionVersion]; }, [] { [NVRLifecycle registerExtension]; },
     "com.nuvra.module.lifecycle", "2.0.3"},
    {"NVRAnalytics", [] { return [NVRAnalytics extensionVersion]; }, [] { [NVRAnalytics registerExtension]; },
     "com.nuvra.module.analytics", "2.2.1"},
    {"NVRSignal", [] { return [NVRSignal extensionVersion]; }, [] { [NVRSignal registerExtension]; },
     "com.nuvra.module.signal", "2.0.2"},
    {"NVRUserProfile", [] { return [NVRUserProfile extensionVersion]; },
     [] { [NVRUserProfile registerExtension]; }, "com.nuvra.module.userProfile", "2.0.1"},
    {"NVRPivora", [] { return [NVRPivora extensionVersion]; }, [] { [NVRPivora registerExtension]; },
     "com.nuvra.module.pivora", "2.1.4"},
};

TEST(NVRModuleClassesVersionTest, EachClassGivesItsVersionWithoutStartingTheSystem) {
    ScratchApp app;
    for (const auto& extension : EXTENSION_CLASSES) {
        SCOPED_TRACE(extension.name);
        EXPECT_TRUE(
            [extension.version() isEqualToString:[NSString stringWithUTF8String:extension.expectedVersion]]);
    }
    EXPECT_FALSE(SystemStarted());
}

using NVRModuleClassesTest = ModuleClassTest;

TEST_F(NVRModuleClassesTest, RegisteringTwiceRegistersTheModuleOnce) {
    for (const auto& extension : EXTENSION_CLASSES) {
        SCOPED_TRACE(extension.name);
        EXPECT_FALSE(Hub()->IsRegisteredModule(extension.moduleName));
        extension.registerExtension();
        EXPECT_TRUE(Hub()->IsRegisteredModule(extension.moduleName));
        // A second module of the name would be refused by the hub, and that refusal logged.
        extension.registerExtension();
        EXPECT_TRUE(LinesTagged(extension.name).empty());
    }
    EXPECT_FALSE(log_->Service().Contains("was not registered"));
}

}  // namespace
}  // namespace NuvraMobile
