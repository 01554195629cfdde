#include "services/storage/NativeLocalStorageService.h"

#include "services/storage/AppInfo.h"
#include "services/storage/NativeDataStore.h"

namespace NuvraMobile {

std::shared_ptr<DataStoreInterface> NativeLocalStorageService::GetDataStore(const std::string& storeName) {
    return std::make_shared<NativeDataStore>(storeName, AppInfo::GetUserDefaults());
}

std::shared_ptr<LocalStorageServiceInterface> CreateNativeLocalStorageService() {
    return std::make_shared<NativeLocalStorageService>();
}

}  // namespace NuvraMobile
