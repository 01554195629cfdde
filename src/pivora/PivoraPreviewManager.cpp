#include "pivora/PivoraPreviewManager.h"

#include "core/values/SdkError.h"
#include "pivora/PivoraConstants.h"
#include "pivora/PivoraDispatchers.h"
#include "pivora/PivoraPreviewListeners.h"
#include "shared/UrlBuilder.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/UrlEncoder.h"
#include "util/UrlUtil.h"

namespace NuvraMobile {

namespace {

using PivoraConstants::LOG_PREFIX;
namespace Preview = PivoraConstants::Preview;

constexpr std::int64_t PAGE_TIMEOUT_SECONDS = 5;
constexpr const char* HTTPS_PREFIX = "https://";

std::string Decoded(const std::map<std::string, std::string>& parameters, const char* key) {
    const auto found = parameters.find(key);
    return found == parameters.end() ? std::string() : UrlEncoder::Decode(found->second);
}

}  // namespace

PivoraPreviewManager::PivoraPreviewManager(std::shared_ptr<NetworkServiceInterface> networkService,
                                           std::shared_ptr<UIServiceInterface> uiService,
                                           std::shared_ptr<URLServiceInterface> urlService,
                                           std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
                                           std::shared_ptr<PivoraDispatcherResponseContent> responseDispatcher)
    : networkService_(std::move(networkService)),
      uiService_(std::move(uiService)),
      urlService_(std::move(urlService)),
      systemInfoService_(std::move(systemInfoService)),
      responseDispatcher_(std::move(responseDispatcher)) {}

PivoraPreviewManager::~PivoraPreviewManager() {
    if (const auto button = floatingButton_) {
        TrySwallow([&button] { button->Remove(); });  // a shown button would outlive the module
    }
}

std::shared_ptr<PivoraPreviewManager> PivoraPreviewManager::Self() {
    return std::static_pointer_cast<PivoraPreviewManager>(shared_from_this());
}

void PivoraPreviewManager::EnterPreviewModeWithDeepLinkParams(const std::string& clientCode,
                                                              const std::string& deepLink) {
    {
        MutexLock lock(mutex_);
        clientCode_ = clientCode;
    }
    if (deepLink.empty()) {
        Log::Debug(LOG_PREFIX, "Unable to enter preview mode with empty/invalid url");
        return;
    }
    if (!urlService_) {
        Log::Debug(LOG_PREFIX, "Couldn't parse the deep link, URL service is null");
        return;
    }
    const auto parameters = UrlUtil::ExtractQueryParameters(urlService_->GetQuery(deepLink));
    if (Decoded(parameters, Preview::TOKEN).empty()) {
        Log::Debug(LOG_PREFIX, "Unable to enter preview mode without preview token");
        return;
    }
    SetupPivoraPreviewFloatingButton();
    SetupPivoraPreviewParameters(parameters);
    FetchWebView();
}

void PivoraPreviewManager::SetupPivoraPreviewFloatingButton() {
    {
        MutexLock lock(mutex_);
        if (floatingButton_) {
            return;
        }
    }
    if (!uiService_) {
        Log::Debug(LOG_PREFIX, "UI service is unavailable at this time, couldn't display preview button");
        return;
    }
    auto button = uiService_->CreateFloatingButton(std::make_shared<PreviewButtonListener>(Self()));
    if (!button) {
        return;
    }
    {
        MutexLock lock(mutex_);
        floatingButton_ = button;
    }
    button->Display();
}

void PivoraPreviewManager::SetupPivoraPreviewParameters(const std::map<std::string, std::string>& parameters) {
    MutexLock lock(mutex_);
    previewToken_ = Decoded(parameters, Preview::TOKEN);
    endpoint_ = parameters.count(Preview::ENDPOINT) != 0 ? Decoded(parameters, Preview::ENDPOINT)
                                                         : Preview::DEFAULT_ENDPOINT;
}

std::string PivoraPreviewManager::GetUrlForPivoraPreviewRequest() const {
    std::string endpoint;
    std::string clientCode;
    std::string token;
    {
        MutexLock lock(mutex_);
        endpoint = endpoint_;
        clientCode = clientCode_;
        token = previewToken_;
    }
    // The page is only ever fetched over https: an endpoint naming another scheme is refused.
    if (endpoint.compare(0, std::char_traits<char>::length(HTTPS_PREFIX), HTTPS_PREFIX) == 0) {
        endpoint.erase(0, std::char_traits<char>::length(HTTPS_PREFIX));
    } else if (endpoint.find("://") != std::string::npos) {
        Log::Debug(LOG_PREFIX, "Refusing the preview endpoint %s, only https is allowed", endpoint);
        return "";
    }
    UrlBuilder builder;
    builder.EnableSsl(true).SetHost(endpoint).AddPath("ui").AddPath("admin").AddPath(clientCode).AddPath("preview");
    builder.AddQueryParameter("token", token);
    return builder.Build();
}

void PivoraPreviewManager::FetchWebView() {
    TryCatch([this] { StartFetch(); },
             [this](SdkError& error) {
                 {
                     MutexLock lock(mutex_);
                     fetching_ = false;  // later taps and deep links may fetch again
                 }
                 Log::Debug(LOG_PREFIX, "Failed to send preview request (%s)", error.ToString());
             });
}

void PivoraPreviewManager::StartFetch() {
    {
        MutexLock lock(mutex_);
        if (fetching_) {
            return;
        }
    }
    if (!networkService_) {
        Log::Debug(LOG_PREFIX, "Failed to send preview request, network service is unavailable");
        return;
    }
    const std::string url = GetUrlForPivoraPreviewRequest();
    Log::Debug(LOG_PREFIX, "Sending preview request to url %s", url);
    if (!systemInfoService_) {
        Log::Debug(LOG_PREFIX, "Unable to retrieve the device locale, system info service is unavailable");
        return;
    }
    if (url.empty()) {
        return;
    }
    {
        MutexLock lock(mutex_);
        if (fetching_) {
            return;  // another thread started a request meanwhile
        }
        fetching_ = true;
    }
    std::map<std::string, std::string> headers{{"Accept", "text/html"}};
    const std::string locale = systemInfoService_->GetActiveLocaleName();
    if (!locale.empty()) {
        headers["Accept-Language"] = locale;
    }
    networkService_->ConnectUrlAsync(
        url, HttpCommandType::GET, "", headers, PAGE_TIMEOUT_SECONDS, PAGE_TIMEOUT_SECONDS,
        [self = Self()](const std::shared_ptr<HttpConnectionInterface>& connection) { self->OnPageAnswer(connection); });
}

void PivoraPreviewManager::OnPageAnswer(const std::shared_ptr<HttpConnectionInterface>& connection) {
    TryCatchFinally(
        [&] {
            if (!connection) {
                Log::Error(LOG_PREFIX, "Unable to open connection");
                return;
            }
            const std::string body = connection->GetResponse();
            const std::int32_t status = connection->GetResponseCode();
            if (status == 200 && !body.empty()) {
                {
                    MutexLock lock(mutex_);
                    webViewHtml_ = body;
                }
                Log::Debug(LOG_PREFIX, "Successfully fetched webview for preview mode, response body %s", body);
                CreateAndShowMessage();
            } else {
                Log::Debug(LOG_PREFIX, "Failed to fetch preview webview with connection status %s, response body %s",
                           std::to_string(status), body);
            }
            connection->Close();
        },
        [](SdkError& error) {
            Log::Debug(LOG_PREFIX, "Failed to handle the preview page (%s)", error.ToString());
        },
        [this] {
            MutexLock lock(mutex_);
            fetching_ = false;
        });
}

void PivoraPreviewManager::CreateAndShowMessage() {
    if (!uiService_) {
        Log::Debug(LOG_PREFIX, "UI service is unavailable at this time, couldn't display preview window");
        return;
    }
    if (uiService_->IsMessageDisplayed()) {
        Log::Debug(LOG_PREFIX, "Another message is displayed at this time, couldn't display preview window");
        return;
    }
    TryCatch(
        [this] {
            std::string html;
            {
                MutexLock lock(mutex_);
                html = webViewHtml_;
            }
            const auto message =
                uiService_->CreateFullscreenMessage(html, std::make_shared<PivoraPreviewFullscreenListener>(Self()));
            if (message) {
                message->Show();
            }
        },
        [](SdkError&) {
            Log::Debug(LOG_PREFIX, "Caught exception while trying to instantiate the full screen message for pivora preview");
        });
}

bool PivoraPreviewManager::PreviewConfirmedWithUrl(const std::shared_ptr<FullScreenMessageUiInterface>& message,
                                                   const std::string& url) {
    {
        MutexLock lock(mutex_);
        if (!floatingButton_) {
            return false;
        }
    }
    if (!urlService_ || urlService_->GetScheme(url) != Preview::SCHEME) {
        return false;
    }
    const std::string host = urlService_->GetHost(url);
    if (host == Preview::HOST_CANCEL) {
        if (message) {
            message->Remove();
        }
        ResetPivoraPreviewProperties();
        if (responseDispatcher_) {
            responseDispatcher_->DispatchPreviewLifecycleEvent(false);
        }
    } else if (host == Preview::HOST_CONFIRM) {
        const std::string parameters =
            Decoded(UrlUtil::ExtractQueryParameters(urlService_->GetQuery(url)), Preview::PARAMETERS);
        if (!parameters.empty()) {
            {
                MutexLock lock(mutex_);
                previewParameters_ = parameters;
            }
            if (responseDispatcher_) {
                responseDispatcher_->DispatchPreviewLifecycleEvent(true);
            }
        }
        const std::string restartDeepLink = GetRestartDeepLink();
        if (!restartDeepLink.empty() && uiService_ && !uiService_->ShowUrl(restartDeepLink)) {
            Log::Debug(LOG_PREFIX, "Failed to load given preview restart url (%s)", restartDeepLink);
        }
        if (message) {
            message->Remove();
        }
    }
    return true;
}

void PivoraPreviewManager::ResetPivoraPreviewProperties() {
    std::shared_ptr<FloatingButtonInterface> button;
    {
        MutexLock lock(mutex_);
        previewToken_.clear();
        webViewHtml_.clear();
        endpoint_.clear();
        restartDeepLink_.clear();
        previewParameters_.clear();
        button.swap(floatingButton_);
    }
    if (button) {
        button->Remove();
    }
}

std::string PivoraPreviewManager::GetPreviewParameters() const {
    MutexLock lock(mutex_);
    return previewParameters_;
}

std::string PivoraPreviewManager::GetPreviewToken() const {
    MutexLock lock(mutex_);
    return previewToken_;
}

void PivoraPreviewManager::SetRestartDeepLink(const std::string& restartDeepLink) {
    MutexLock lock(mutex_);
    restartDeepLink_ = restartDeepLink;
}

std::string PivoraPreviewManager::GetRestartDeepLink() const {
    MutexLock lock(mutex_);
    return restartDeepLink_;
}

}  // namespace NuvraMobile
