#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/LocalStorageServiceInterface.h"

namespace NuvraMobile {

/**
 * Hands out data stores over the application's key-value store (the app group's when one is set when
 * the store is asked for). Holds no state; safe to call from any thread.
 */
class NativeLocalStorageService : public Object, public virtual LocalStorageServiceInterface {
public:
    /** A new store object on every call; two objects of one name work on the same keys. */
    std::shared_ptr<DataStoreInterface> GetDataStore(const std::string& storeName) override;
};

std::shared_ptr<LocalStorageServiceInterface> CreateNativeLocalStorageService();

}  // namespace NuvraMobile
