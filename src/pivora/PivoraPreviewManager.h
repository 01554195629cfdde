#pragma once

#include <mutex>
#include <string>

#include "core/Object.h"

namespace NuvraMobile {

/**
 * The preview state that every delivery request consults: the preview parameters (non-empty means "in
 * preview mode") and the preview token, plus the deep link to open after a preview is confirmed.
 * Entering preview mode (deep link, floating button, preview page) belongs to the preview UI, which
 * this build does not include: the parameters and the token stay empty, so preview mode is never on.
 * Any thread may call; one mutex guards the fields.
 */
class PivoraPreviewManager : public Object {
public:
    /** Starts preview for a deep link that carries a preview token; this build only logs that it cannot. */
    virtual void EnterPreviewModeWithDeepLinkParams(const std::string& clientCode, const std::string& deepLink);
    /** The JSON text of the blocks that preview adds to every delivery request; empty outside preview. */
    virtual std::string GetPreviewParameters() const;
    virtual std::string GetPreviewToken() const;
    virtual void SetRestartDeepLink(const std::string& restartDeepLink);
    std::string GetRestartDeepLink() const;

private:
    mutable std::mutex mutex_;
    std::string previewParameters_;
    std::string previewToken_;
    std::string restartDeepLink_;
};

}  // namespace NuvraMobile
