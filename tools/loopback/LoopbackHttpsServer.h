#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace NuvraMobile {

/** One request as the loopback server received it. */
struct LoopbackRequest {
    std::string method;
    std::string path;
    /** The target after "?", undecoded; "" without one. */
    std::string query;
    std::string body;
    /** Header fields in the order they came on the wire, names as sent. */
    std::vector<std::pair<std::string, std::string>> headers;
    /** Numbers the connections from 1 in accepting order: requests that share it came over one connection. */
    int connection = 0;

    /** The first value of the named header, or "" when the request has none. */
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

/** What a handler answers. */
struct LoopbackResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

using LoopbackHandler = std::function<LoopbackResponse(const LoopbackRequest&)>;

/**
 * A throwaway HTTPS server for tests, benchmarks and the demo's collector, listening on 127.0.0.1 only,
 * on a free port or the one asked for (construction throws std::runtime_error when it is taken).
 * At construction it makes its own certificate authority and a server certificate for 127.0.0.1;
 * clients trust the authority through CertificateAuthorityPem(). It speaks HTTP/1.1 with keep-alive and
 * bodies framed by Content-Length. Requests go to the handler of their path (the target without its
 * query), else to the default handler (404 with an empty body unless set), and are recorded in order.
 * Handlers run on one thread per connection; every method may be called from any thread.
 */
class LoopbackHttpsServer {
public:
    LoopbackHttpsServer();
    explicit LoopbackHttpsServer(int port);
    ~LoopbackHttpsServer();
    LoopbackHttpsServer(const LoopbackHttpsServer&) = delete;
    LoopbackHttpsServer& operator=(const LoopbackHttpsServer&) = delete;

    /** Answers every request of this exact path (any method). */
    void Handle(const std::string& path, LoopbackHandler handler);
    /** Answers requests of paths that have no handler of their own. */
    void SetDefaultHandler(LoopbackHandler handler);

    int Port() const;
    /** "https://127.0.0.1:<port>" followed by the path. */
    std::string Url(const std::string& path) const;
    /** The authority that signed the server certificate, PEM text. */
    const std::string& CertificateAuthorityPem() const;

    std::vector<LoopbackRequest> Requests() const;
    size_t RequestCount() const;

    /** Stops listening, closes every connection and waits for running handlers; also done by the destructor.
     */
    void Stop();

private:
    struct Impl;
    LoopbackResponse Dispatch(const LoopbackRequest& request);
    void Accept();
    void Serve(int socket, int connection);

    std::unique_ptr<Impl> impl_;
    mutable std::mutex mutex_;
    std::map<std::string, LoopbackHandler> handlers_;
    LoopbackHandler defaultHandler_;
    std::vector<LoopbackRequest> requests_;
};

}  // namespace NuvraMobile
