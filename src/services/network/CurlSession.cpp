#include "services/network/CurlSession.h"

#include <curl/curl.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <stdexcept>
#include <string_view>

#include "services/crypto/NativeCryptoService.h"

namespace NuvraMobile {

namespace {

constexpr long MAX_REDIRECTS = 10;
constexpr int IDLE_POLL_MS = 60 * 1000;
constexpr const char* ONLY_HTTPS = "https";

long ClampToLong(int64_t value, long smallest) {
    return static_cast<long>(std::clamp<int64_t>(value, smallest, LONG_MAX));
}

long SecondsToMs(int64_t seconds) {
    constexpr int64_t MAX_SECONDS = LONG_MAX / 1000;
    return ClampToLong(std::min(seconds, MAX_SECONDS) * 1000, 1);
}

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void RequireCurl(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

/** A request in flight: its easy handle and what has arrived so far. Owned by the worker. */
struct Transfer {
    CURL* easy = curl_easy_init();
    curl_slist* headerList = nullptr;
    CurlCompletion completion;
    CurlResult result;
    size_t maxBodyBytes = 0;
    bool bodyTooLarge = false;
    // Until the blank line after the header fields; the library refuses a header over its own limit
    // with the code it uses for an allocation failure.
    bool readingHeader = true;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Transfer() {
        curl_easy_cleanup(easy);
        curl_slist_free_all(headerList);
    }

    void Complete() {
        try {
            completion(std::move(result));
        } catch (...) {
            // A completion that throws must not take the session's worker down with it.
        }
    }

    void Fail(CurlResult::Outcome outcome, int code, std::string description) {
        result = CurlResult{};
        result.outcome = outcome;
        result.errorCode = code;
        result.errorDescription = std::move(description);
        Complete();
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* context) {
        auto* transfer = static_cast<Transfer*>(context);
        size_t bytes = size * count;
        if (transfer->result.body.size() + bytes > transfer->maxBodyBytes) {
            transfer->bodyTooLarge = true;
            return CURL_WRITEFUNC_ERROR;
        }
        transfer->result.body.append(data, bytes);
        return bytes;
    }

    /** Keeps the header fields of the last answer only: a status line starts a new answer. */
    static size_t OnHeader(char* data, size_t size, size_t count, void* context) {
        auto* transfer = static_cast<Transfer*>(context);
        size_t bytes = size * count;
        std::string_view line(data, bytes);
        if (line.rfind("HTTP/", 0) == 0) {
            transfer->result.headers.clear();
            transfer->readingHeader = true;
        } else if (Trim(line).empty()) {
            transfer->readingHeader = false;
        } else if (size_t colon = line.find(':'); colon != std::string_view::npos && colon > 0) {
            transfer->result.headers.emplace_back(std::string(Trim(line.substr(0, colon))),
                                                  std::string(Trim(line.substr(colon + 1))));
        }
        return bytes;
    }
};

/** What the process-wide abort needs of a session's worker. */
class Cancellable {
public:
    virtual ~Cancellable() = default;
    virtual void Cancel() = 0;
};

/** Runs a test's function where the process-wide abort cancels a session. */
class AbortWatcher : public Cancellable {
public:
    explicit AbortWatcher(std::function<void()> onAbort) : onAbort_(std::move(onAbort)) {}
    void Cancel() override { onAbort_(); }

private:
    const std::function<void()> onAbort_;
};

/** The workers of the live sessions, for AbortEveryRequest. */
class SessionRegistry {
public:
    static SessionRegistry& Get() {
        // Never destroyed: the exit handler aborts through it, and sessions may still start at exit.
        static auto* registry = new SessionRegistry();
        return *registry;
    }

    /** Keeps the worker for a later abort; false (nothing kept) once every request was aborted. */
    bool Add(const std::shared_ptr<Cancellable>& worker) {
        MutexLock lock(mutex_);
        if (aborted_) {
            return false;
        }
        workers_.erase(std::remove_if(workers_.begin(), workers_.end(),
                                      [](const std::weak_ptr<Cancellable>& kept) { return kept.expired(); }),
                       workers_.end());
        workers_.push_back(worker);
        return true;
    }

    void AbortAll() {
        std::vector<std::weak_ptr<Cancellable>> workers;
        {
            MutexLock lock(mutex_);
            aborted_ = true;
            workers.swap(workers_);
        }
        for (const auto& kept : workers) {
            if (const auto worker = kept.lock()) {
                worker->Cancel();
            }
        }
    }

private:
    Mutex mutex_;
    bool aborted_ NVR_GUARDED_BY(mutex_) = false;
    std::vector<std::weak_ptr<Cancellable>> workers_ NVR_GUARDED_BY(mutex_);
};

}  // namespace

void CurlSession::InitializeLibrary() {
    static const CURLcode globalInit = [] {
        // Before the transfer library sets the TLS library up with its clean-up at exit.
        InitializeCryptoLibrary();
        return curl_global_init(CURL_GLOBAL_DEFAULT);
    }();
    RequireCurl(globalInit == CURLE_OK, "curl_global_init failed");
}

class CurlSession::Worker : public Cancellable {
public:
    Worker() {
        InitializeLibrary();
        multi_ = curl_multi_init();
        RequireCurl(multi_ != nullptr, "curl_multi_init failed");
    }

    ~Worker() {
        for (auto& transfer : running_) {
            curl_multi_remove_handle(multi_, transfer->easy);
        }
        running_.clear();
        curl_multi_cleanup(multi_);
    }

    static std::unique_ptr<Transfer> Prepare(CurlRequest&& request, CurlCompletion&& completion) {
        auto transfer = std::make_unique<Transfer>();
        RequireCurl(transfer->easy != nullptr, "curl_easy_init failed");
        transfer->completion = std::move(completion);
        transfer->maxBodyBytes = request.maxBodyBytes;
        CURL* easy = transfer->easy;
        curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, ONLY_HTTPS);
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, ONLY_HTTPS);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, SecondsToMs(request.transferTimeoutSeconds));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, ClampToLong(request.idleTimeoutSeconds, 1));
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer);
        curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
        if (request.post) {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, request.body.data());
        } else {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        }
        // The headers come complete from the caller; no "Expect: 100-continue" round trip for larger bodies.
        request.headerLines.emplace_back("Expect:");
        for (const std::string& line : request.headerLines) {
            curl_slist* extended = curl_slist_append(transfer->headerList, line.c_str());
            RequireCurl(extended != nullptr, "curl_slist_append failed");
            transfer->headerList = extended;
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headerList);
        if (request.trustedAuthorityPem) {
            curl_blob authority{const_cast<char*>(request.trustedAuthorityPem->data()),
                                request.trustedAuthorityPem->size(), CURL_BLOB_COPY};
            curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &authority);
            curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
        }
        return transfer;
    }

    bool Enqueue(std::unique_ptr<Transfer> transfer) {
        {
            MutexLock lock(mutex_);
            if (cancelled_) {
                return false;
            }
            pending_.push_back(std::move(transfer));
        }
        curl_multi_wakeup(multi_);
        return true;
    }

    void Cancel() override {
        {
            MutexLock lock(mutex_);
            cancelled_ = true;
        }
        curl_multi_wakeup(multi_);
    }

    void Run() {
        for (;;) {
            std::deque<std::unique_ptr<Transfer>> incoming;
            bool cancelled;
            {
                MutexLock lock(mutex_);
                incoming.swap(pending_);
                cancelled = cancelled_;
            }
            if (cancelled) {
                CancelAll(incoming);
                return;
            }
            for (auto& transfer : incoming) {
                AddToMulti(std::move(transfer));
            }
            int stillRunning = 0;
            curl_multi_perform(multi_, &stillRunning);
            FinishDone();
            curl_multi_poll(multi_, nullptr, 0, IDLE_POLL_MS, nullptr);
        }
    }

private:
    void AddToMulti(std::unique_ptr<Transfer> transfer) {
        CURLMcode added = curl_multi_add_handle(multi_, transfer->easy);
        if (added != CURLM_OK) {
            transfer->Fail(CurlResult::Outcome::LOCAL_ERROR, CURLE_FAILED_INIT, curl_multi_strerror(added));
            return;
        }
        running_.push_back(std::move(transfer));
    }

    void FinishDone() {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            CURL* easy = message->easy_handle;
            CURLcode code = message->data.result;
            curl_multi_remove_handle(multi_, easy);
            auto found = std::find_if(running_.begin(), running_.end(),
                                      [easy](const std::unique_ptr<Transfer>& t) { return t->easy == easy; });
            if (found == running_.end()) {
                continue;
            }
            std::unique_ptr<Transfer> transfer = std::move(*found);
            running_.erase(found);
            Finish(*transfer, code);
        }
    }

    static void Finish(Transfer& transfer, CURLcode code) {
        if (transfer.bodyTooLarge) {
            transfer.Fail(CurlResult::Outcome::LOCAL_ERROR, code,
                          "response body exceeds " + std::to_string(transfer.maxBodyBytes) + " bytes");
        } else if (code == CURLE_OUT_OF_MEMORY && transfer.readingHeader) {
            transfer.Fail(CurlResult::Outcome::TRANSPORT_ERROR, code,
                          "response header exceeds " + std::to_string(CURL_MAX_HTTP_HEADER) + " bytes");
        } else if (code != CURLE_OK) {
            std::string description =
                transfer.errorBuffer[0] != '\0' ? transfer.errorBuffer : curl_easy_strerror(code);
            transfer.Fail(CurlResult::Outcome::TRANSPORT_ERROR, code, description);
        } else {
            long status = 0;
            curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
            transfer.result.outcome = CurlResult::Outcome::RESPONSE;
            transfer.result.statusCode = static_cast<int32_t>(status);
            transfer.Complete();
        }
    }

    void CancelAll(std::deque<std::unique_ptr<Transfer>>& notStarted) {
        std::vector<std::unique_ptr<Transfer>> cancelled = std::move(running_);
        running_.clear();
        for (auto& transfer : cancelled) {
            curl_multi_remove_handle(multi_, transfer->easy);
        }
        for (auto& transfer : notStarted) {
            cancelled.push_back(std::move(transfer));
        }
        for (auto& transfer : cancelled) {
            transfer->Fail(CurlResult::Outcome::CANCELLED, CURLE_ABORTED_BY_CALLBACK, "cancelled");
        }
    }

    CURLM* multi_ = nullptr;
    std::vector<std::unique_ptr<Transfer>> running_;  // worker thread only

    Mutex mutex_;
    std::deque<std::unique_ptr<Transfer>> pending_ NVR_GUARDED_BY(mutex_);
    bool cancelled_ NVR_GUARDED_BY(mutex_) = false;
};

CurlSession::CurlSession() : worker_(std::make_shared<Worker>()) {
    if (!SessionRegistry::Get().Add(worker_)) {
        worker_->Cancel();  // every request of the process was aborted: this session starts none
    }
    MutexLock lock(threadMutex_);
    thread_ = std::thread([worker = worker_] { worker->Run(); });
}

CurlSession::~CurlSession() { InvalidateAndCancel(); }

bool CurlSession::Start(CurlRequest request, CurlCompletion completion) {
    return worker_->Enqueue(worker_->Prepare(std::move(request), std::move(completion)));
}

void CurlSession::AbortEveryRequest() { SessionRegistry::Get().AbortAll(); }

std::shared_ptr<void> CurlSession::WatchEveryAbortForTesting(std::function<void()> onAbort) {
    auto watcher = std::make_shared<AbortWatcher>(std::move(onAbort));
    SessionRegistry::Get().Add(watcher);
    return watcher;
}

void CurlSession::InvalidateAndCancel() {
    worker_->Cancel();
    MutexLock lock(threadMutex_);
    if (!thread_.joinable()) {
        return;
    }
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

}  // namespace NuvraMobile
