#include <gtest/gtest.h>

#include "services/storage/ExtensionVersionManager.h"

namespace NuvraMobile {
namespace {

TEST(ExtensionVersionManagerTest, VersionNamesTheWrapperWhenOneIsSet) {
    const struct {
        WrapperType wrapperType;
        const char* version;
    } cases[] = {
        {WrapperType::NONE, "2.3.5"},
        {WrapperType::REACT_NATIVE, "2.3.5-RN"},
        {static_cast<WrapperType>(7), "2.3.5-"},
        {WrapperType::NONE, "2.3.5"},
    };
    for (const auto& versionCase : cases) {
        ExtensionVersionManager::SetWrapperType(versionCase.wrapperType);
        EXPECT_EQ(ExtensionVersionManager::GetSdkVersion(), versionCase.version);
    }
}

}  // namespace
}  // namespace NuvraMobile
