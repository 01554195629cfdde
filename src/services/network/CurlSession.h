#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "util/Mutex.h"

namespace NuvraMobile {

/** The largest response body a request takes unless told otherwise. */
constexpr size_t MAX_RESPONSE_BODY_BYTES = 32u * 1024u * 1024u;

/** One HTTPS request as the session sends it. */
struct CurlRequest {
    std::string url;
    /** Sent as a POST with this body when set, else as a GET. */
    bool post = false;
    std::string body;
    /** Complete header lines ("Name: value"), in sending order. */
    std::vector<std::string> headerLines;
    /** PEM text of the only certificate authority to trust; null: the system store. */
    std::shared_ptr<const std::string> trustedAuthorityPem;
    /**
     * Whole-transfer time-out and the longest wait without data, in whole seconds; values below 1 mean
     * the shortest possible wait, never an endless one.
     */
    int64_t transferTimeoutSeconds = 0;
    int64_t idleTimeoutSeconds = 0;
    /** Bodies beyond this size end the request as a local error. */
    size_t maxBodyBytes = MAX_RESPONSE_BODY_BYTES;
};

/** How one request ended. */
struct CurlResult {
    enum class Outcome {
        RESPONSE,         // an HTTP answer of any status arrived
        TRANSPORT_ERROR,  // connection, TLS, time-out, refused redirect or malformed answer
        LOCAL_ERROR,      // refused on our side (for example an oversized body)
        CANCELLED,        // the session was invalidated first
    };
    Outcome outcome = Outcome::TRANSPORT_ERROR;
    std::string errorDescription;
    /** Curl's code for an error (a CURLcode); the same code is the same kind of failure. */
    int errorCode = 0;
    int32_t statusCode = 0;
    /** Header fields of the final answer (after redirects), in arrival order. */
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

using CurlCompletion = std::function<void(CurlResult&&)>;

/**
 * One pool of HTTPS connections: a curl multi handle driven by a worker thread of its own. Requests
 * started on it reuse its open connections, each with its own time-outs; each completion runs on the worker.
 * Start and InvalidateAndCancel may be called from any thread, also from inside a completion.
 * After InvalidateAndCancel every started request has completed (or is completing, when called from
 * a completion) with a cancellation error, and no request can be started any more.
 */
class CurlSession {
public:
    CurlSession();
    /** Invalidates the session. */
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    /** Queues the request; false (and the completion is not kept) once the session has been invalidated. */
    bool Start(CurlRequest request, CurlCompletion completion);

    /** Cancels every request and ends the worker; waits for it unless called on it. */
    void InvalidateAndCancel();

    /**
     * For process exit: cancels every request of every session of the process (their completions get a
     * cancellation error, on the sessions' own threads) and makes every later Start, of any session old or
     * new, return false. Final for the process; waits for nothing; any thread.
     */
    static void AbortEveryRequest();

    /**
     * For tests: `onAbort` runs in AbortEveryRequest, on its caller's thread, after the sessions that were
     * live when this was called have been told to cancel, for as long as the returned owner is held.
     */
    static std::shared_ptr<void> WatchEveryAbortForTesting(std::function<void()> onAbort);

    /**
     * Sets up the transfer library (and the TLS library under it, without the TLS library's clean-up at
     * exit: see InitializeCryptoLibrary) once per process; later calls do nothing. Whoever registers an exit
     * handler that must run before their clean-up calls this first.
     * Throws SdkError when the library cannot start.
     */
    static void InitializeLibrary();

private:
    class Worker;

    std::shared_ptr<Worker> worker_;  // shared with the worker thread, which may outlive this object
    Mutex threadMutex_;
    std::thread thread_ NVR_GUARDED_BY(threadMutex_);
};

}  // namespace NuvraMobile
