#include <gtest/gtest.h>
#include <stdlib.h>

#include "services/storage/AppInfo.h"

namespace NuvraMobile {
namespace {

TEST(AppInfoTest, AppGroupIsKeptUntilReplacedOrCleared) {
    EXPECT_EQ(AppInfo::GetAppGroup(), "");
    AppInfo::SetAppGroup("group.one");
    AppInfo::SetAppGroup("group.two");
    EXPECT_EQ(AppInfo::GetAppGroup(), "group.two");
    AppInfo::SetAppGroup("");
    EXPECT_EQ(AppInfo::GetAppGroup(), "");
}

TEST(AppInfoTest, DefaultDataFolderIsNamedAfterTheProgramUnderTheUsersDataFolder) {
    const struct {
        const char* dataHome;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/xdg/data", "/home/u", "/xdg/data/services_storage_tests"},
        {"relative/is/ignored", "/home/u", "/home/u/.local/share/services_storage_tests"},
        {nullptr, "/home/v", "/home/v/.local/share/services_storage_tests"},
    };
    for (const auto& folderCase : cases) {
        if (folderCase.dataHome == nullptr) {
            unsetenv("XDG_DATA_HOME");
        } else {
            setenv("XDG_DATA_HOME", folderCase.dataHome, 1);
        }
        setenv("HOME", folderCase.home, 1);
        EXPECT_EQ(AppInfo::GetDataDirectory(), folderCase.folder);
    }
    AppInfo::SetDataDirectory("/chosen/by/host");
    EXPECT_EQ(AppInfo::GetDataDirectory(), "/chosen/by/host");
}

TEST(AppInfoTest, GroupFileNamesCannotLeaveTheDataFolder) {
    EXPECT_EQ(AppInfo::StoreFileName(""), "NuvraDefaults.sqlite");
    EXPECT_EQ(AppInfo::StoreFileName("group.com.x"), "NuvraDefaults.group.group.com.x.sqlite");
    EXPECT_EQ(AppInfo::StoreFileName("../a/b"), "NuvraDefaults.group...%2Fa%2Fb.sqlite");
}

}  // namespace
}  // namespace NuvraMobile
