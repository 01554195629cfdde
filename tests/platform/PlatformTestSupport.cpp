#include "PlatformTestSupport.h"

#include <filesystem>

#include "core/values/Event.h"
#include "platform/MobileMarketingCoreBridge.h"
#include "services/storage/AppInfo.h"
#include "services/system/AppFolders.h"
#include "support/RecordingModule.h"

namespace NuvraMobile {

ScratchApp::ScratchApp() {
    std::filesystem::create_directories(scratch_.PathOf("bundle"));
    AppInfo::SetDataDirectory(scratch_.PathOf("data"));
    AppFolders::SetCacheDirectory(scratch_.PathOf("cache"));
    AppFolders::SetBundleDirectory(scratch_.PathOf("bundle"));
}

ScratchApp::~ScratchApp() {
    MobileMarketingCoreBridge::ResetInstance();
    AppInfo::SetAppGroup("");
    AppInfo::SetDataDirectory("");
    AppFolders::SetCacheDirectory("");
    AppFolders::SetBundleDirectory("");
}

std::shared_ptr<Event> WaitForEventNamed(const RecordingModule& module, const std::string& name) {
    for (std::size_t count = 1; module.WaitForEventCount(count); ++count) {
        const auto event = module.GetEvents()[count - 1];
        if (event->GetName() == name) {
            return event;
        }
    }
    return nullptr;
}

}  // namespace NuvraMobile
