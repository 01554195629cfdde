#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/values/Object.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "platformShim/UIServiceInterface.h"
#include "platformShim/URLServiceInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class PivoraDispatcherResponseContent;

/**
 * Preview mode: a deep link with a preview token shows the floating preview button and fetches the
 * preview page, which is shown as a full-screen message; the page's "confirm" keeps the preview
 * parameters that every delivery request then carries, its "cancel" ends preview.
 *
 * Called from the module's task queue (entering, restart link, reads by the request builder), the
 * network service's callback thread (the page's answer) and the UI service's main queue (button
 * taps, the message's navigations). One mutex guards the fields; services are called unlocked. Every
 * service may be null: the step that needs it then logs and ends. Destroying the manager takes the
 * button off the screen.
 */
class PivoraPreviewManager : public Object {
public:
    PivoraPreviewManager(std::shared_ptr<NetworkServiceInterface> networkService,
                         std::shared_ptr<UIServiceInterface> uiService,
                         std::shared_ptr<URLServiceInterface> urlService,
                         std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
                         std::shared_ptr<PivoraDispatcherResponseContent> responseDispatcher);
    ~PivoraPreviewManager() override;

    virtual void EnterPreviewModeWithDeepLinkParams(const std::string& clientCode, const std::string& deepLink);
    /** Ends preview: every preview field but the client code is cleared and the button goes. */
    virtual void ResetPivoraPreviewProperties();
    /** True when the message must not load `url` itself: a URL of the preview page's own scheme. */
    virtual bool PreviewConfirmedWithUrl(const std::shared_ptr<FullScreenMessageUiInterface>& message,
                                         const std::string& url);
    /** Requests the preview page unless a request is in flight; errors never leave it. */
    virtual void FetchWebView();
    /** The JSON text of the blocks that preview adds to every delivery request; empty outside preview. */
    virtual std::string GetPreviewParameters() const;
    virtual std::string GetPreviewToken() const;
    virtual void SetRestartDeepLink(const std::string& restartDeepLink);

    std::string GetRestartDeepLink() const;
    void SetupPivoraPreviewFloatingButton();
    void SetupPivoraPreviewParameters(const std::map<std::string, std::string>& parameters);
    /** The page's https URL; empty (logged) when the endpoint names another scheme. */
    std::string GetUrlForPivoraPreviewRequest() const;
    void CreateAndShowMessage();

private:
    std::shared_ptr<PivoraPreviewManager> Self();
    void StartFetch();
    void OnPageAnswer(const std::shared_ptr<HttpConnectionInterface>& connection);

    const std::shared_ptr<NetworkServiceInterface> networkService_;
    const std::shared_ptr<UIServiceInterface> uiService_;
    const std::shared_ptr<URLServiceInterface> urlService_;
    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    const std::shared_ptr<PivoraDispatcherResponseContent> responseDispatcher_;

    mutable Mutex mutex_;
    std::string previewParameters_ NVR_GUARDED_BY(mutex_);
    std::string previewToken_ NVR_GUARDED_BY(mutex_);
    std::string endpoint_ NVR_GUARDED_BY(mutex_);
    std::string webViewHtml_ NVR_GUARDED_BY(mutex_);
    std::string restartDeepLink_ NVR_GUARDED_BY(mutex_);
    bool fetching_ NVR_GUARDED_BY(mutex_) = false;
    std::string clientCode_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<FloatingButtonInterface> floatingButton_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
