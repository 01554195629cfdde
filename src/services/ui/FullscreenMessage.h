#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/NVBFullScreenHandler.h"

namespace NuvraMobile {

/**
 * The UI service's full-screen message: created hidden, shown and removed through its presenter. It
 * lives until it is dismissed and its caller lets it go. Any thread may call.
 */
class FullscreenMessage : public Object, public virtual FullScreenMessageUiInterface {
public:
    static std::shared_ptr<FullscreenMessage> CreateFullscreenMessage(
        const UiPlatform& platform, const std::string& html,
        const std::shared_ptr<FullscreenListenerInterface>& listener,
        const std::shared_ptr<NVBMessagesMonitor>& monitor);

    void Show() override;
    void OpenUrl(const std::string& url) override;
    void Remove() override;

private:
    FullscreenMessage() = default;

    void InitMessage(const UiPlatform& platform, const std::string& html,
                     const std::shared_ptr<FullscreenListenerInterface>& listener,
                     const std::shared_ptr<NVBMessagesMonitor>& monitor);

    std::shared_ptr<NVBFullScreenHandler> handler_;
};

}  // namespace NuvraMobile
