#include "services/ui/FullscreenMessage.h"

namespace NuvraMobile {

std::shared_ptr<FullscreenMessage> FullscreenMessage::CreateFullscreenMessage(
    const UiPlatform& platform, const std::string& html, const std::shared_ptr<FullscreenListenerInterface>& listener,
    const std::shared_ptr<NVBMessagesMonitor>& monitor) {
    std::shared_ptr<FullscreenMessage> message(new FullscreenMessage());
    message->InitMessage(platform, html, listener, monitor);
    return message;
}

void FullscreenMessage::InitMessage(const UiPlatform& platform, const std::string& html,
                                    const std::shared_ptr<FullscreenListenerInterface>& listener,
                                    const std::shared_ptr<NVBMessagesMonitor>& monitor) {
    handler_ = std::make_shared<NVBFullScreenHandler>(
        platform, html, std::static_pointer_cast<FullscreenMessage>(shared_from_this()), listener, monitor);
}

void FullscreenMessage::Show() {
    handler_->show();
}

void FullscreenMessage::OpenUrl(const std::string& url) {
    handler_->openUrl(url);
}

void FullscreenMessage::Remove() {
    handler_->dismiss();
}

}  // namespace NuvraMobile
