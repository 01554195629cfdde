#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"
#include "platformShim/DataStoreInterface.h"

namespace NuvraMobile {

/** Hands out named key-value data stores; the same name always reaches the same stored keys. */
class LocalStorageServiceInterface : public virtual ObjectInterface {
public:
    virtual std::shared_ptr<DataStoreInterface> GetDataStore(const std::string& storeName) = 0;
};

}  // namespace NuvraMobile
