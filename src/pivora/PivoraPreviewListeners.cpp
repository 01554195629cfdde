#include "pivora/PivoraPreviewListeners.h"

#include "pivora/PivoraConstants.h"
#include "pivora/PivoraPreviewManager.h"
#include "util/Log.h"

namespace NuvraMobile {

using PivoraConstants::LOG_PREFIX;

PreviewButtonListener::PreviewButtonListener(const std::shared_ptr<PivoraPreviewManager>& manager)
    : manager_(manager) {}

void PreviewButtonListener::OnTapDetected() {
    if (const auto manager = manager_.lock()) {
        manager->FetchWebView();
    }
}

void PreviewButtonListener::OnPanDetected() {}

PivoraPreviewFullscreenListener::PivoraPreviewFullscreenListener(const std::shared_ptr<PivoraPreviewManager>& manager)
    : manager_(manager) {}

void PivoraPreviewFullscreenListener::OnShow(const std::shared_ptr<FullScreenMessageUiInterface>& /*message*/) {
    Log::Debug(LOG_PREFIX, "Pivora preview message was displayed");
}

void PivoraPreviewFullscreenListener::OnDismiss(const std::shared_ptr<FullScreenMessageUiInterface>& /*message*/) {
    Log::Debug(LOG_PREFIX, "Pivora preview message was dismissed");
}

bool PivoraPreviewFullscreenListener::OverrideUrlLoad(const std::shared_ptr<FullScreenMessageUiInterface>& message,
                                                      const std::string& url) {
    Log::Debug(LOG_PREFIX, "Pivora preview override url received: %s", url);
    const auto manager = manager_.lock();
    return manager && manager->PreviewConfirmedWithUrl(message, url);
}

}  // namespace NuvraMobile
