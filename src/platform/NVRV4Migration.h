#pragma once

#import <Foundation/Foundation.h>

#include <memory>

#include "services/storage/KeyValueStore.h"

/**
 * The one-time move of the previous generation's persisted values into this generation's data stores.
 * The core bridge sends `migrate` each time it creates the core, before the core boots. Class methods
 * only; they take no lock and report nothing to the app.
 */
@interface NVRV4Migration : NSObject

+ (void)migrate;
+ (BOOL)defaultsNeedToMigrate;
+ (BOOL)configNeedToMigrate;
+ (BOOL)visitorIdNeedToMigrate;
+ (void)migrateLocalStorage;
+ (void)migrateConfigurationLocalStorage;
+ (void)migrateVistorIdLocalStorage;
/** The previous generation's store; empty when an app group is set and its store cannot be opened. */
+ (std::shared_ptr<NuvraMobile::KeyValueStore>)getV4Defaults;

@end
