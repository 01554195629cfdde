#pragma once

#include <memory>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"

namespace NuvraMobile {

class PivoraPreviewManager;

/**
 * The preview button's taps fetch and show the preview page again. It refers to its manager weakly:
 * the button is the manager's, so a strong hold would keep both alive for good. Main queue.
 */
class PreviewButtonListener : public Object, public virtual FloatingButtonListenerInterface {
public:
    explicit PreviewButtonListener(const std::shared_ptr<PivoraPreviewManager>& manager);
    void OnTapDetected() override;
    void OnPanDetected() override;

private:
    const std::weak_ptr<PivoraPreviewManager> manager_;
};

/** The preview message's callbacks; the page's own URLs go to the manager. Main queue, weak as above. */
class PivoraPreviewFullscreenListener : public Object, public virtual FullscreenListenerInterface {
public:
    explicit PivoraPreviewFullscreenListener(const std::shared_ptr<PivoraPreviewManager>& manager);
    void OnShow(const std::shared_ptr<FullScreenMessageUiInterface>& message) override;
    void OnDismiss(const std::shared_ptr<FullScreenMessageUiInterface>& message) override;
    bool OverrideUrlLoad(const std::shared_ptr<FullScreenMessageUiInterface>& message,
                         const std::string& url) override;

private:
    const std::weak_ptr<PivoraPreviewManager> manager_;
};

}  // namespace NuvraMobile
