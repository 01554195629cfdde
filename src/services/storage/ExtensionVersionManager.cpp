#include "services/storage/ExtensionVersionManager.h"

#include <atomic>

namespace NuvraMobile {

namespace {

std::atomic<WrapperType>& CurrentWrapperType() {
    static std::atomic<WrapperType> wrapperType{WrapperType::NONE};
    return wrapperType;
}

// Only the named wrapper has a name; any other set type still marks the version with a bare "-".
std::string WrapperName(WrapperType wrapperType) {
    return wrapperType == WrapperType::REACT_NATIVE ? "RN" : "";
}

}  // namespace

void ExtensionVersionManager::SetWrapperType(WrapperType wrapperType) {
    CurrentWrapperType().store(wrapperType);
}

std::string ExtensionVersionManager::GetSdkVersion() {
    const WrapperType wrapperType = CurrentWrapperType().load();
    if (wrapperType == WrapperType::NONE) {
        return SDK_VERSION;
    }
    return std::string(SDK_VERSION) + "-" + WrapperName(wrapperType);
}

}  // namespace NuvraMobile
