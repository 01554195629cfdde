#import "platform/NVRV4Migration.h"

#include "platform/ObjCRuntime.h"
#include "platform/V4Migration.h"

using namespace NuvraMobile;

@implementation NVRV4Migration

+ (void)migrate {
    V4Migration::Migrate();
}

+ (BOOL)defaultsNeedToMigrate {
    return V4Migration::DefaultsNeedToMigrate() ? YES : NO;
}

+ (BOOL)configNeedToMigrate {
    return V4Migration::ConfigNeedToMigrate() ? YES : NO;
}

+ (BOOL)visitorIdNeedToMigrate {
    return V4Migration::VisitorIdNeedToMigrate() ? YES : NO;
}

+ (void)migrateLocalStorage {
    V4Migration::MigrateLocalStorage();
}

+ (void)migrateConfigurationLocalStorage {
    V4Migration::MigrateConfigurationLocalStorage();
}

+ (void)migrateVistorIdLocalStorage {
    V4Migration::MigrateVisitorIdLocalStorage();
}

+ (std::shared_ptr<KeyValueStore>)getV4Defaults {
    return V4Migration::GetV4Defaults();
}

@end

namespace NuvraMobile {

void RunNVRV4Migration() {
    RunInObjCScope([] { [NVRV4Migration migrate]; });
}

}  // namespace NuvraMobile
