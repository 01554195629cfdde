#include "loopback/LoopbackHttpsServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "util/Mutex.h"

namespace NuvraMobile {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

namespace {

constexpr const char* LOOPBACK_ADDRESS = "127.0.0.1";
constexpr long VALIDITY_SECONDS = 24L * 60 * 60;

void Require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("loopback server certificate: ") + what);
    }
}

Key MakeKey() {
    Key key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Require(key != nullptr, "key generation failed");
    return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Require(extension != nullptr, "bad extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

/** A certificate for `commonName` on `key`, signed by the issuer (itself when the issuer is null). */
Certificate MakeCertificate(const char* commonName, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey,
                            long serial) {
    Certificate certificate(X509_new(), X509_free);
    Require(certificate != nullptr, "allocation failed");
    X509* self = certificate.get();
    X509_set_version(self, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(self), serial);
    X509_gmtime_adj(X509_getm_notBefore(self), -60 * 60);
    X509_gmtime_adj(X509_getm_notAfter(self), VALIDITY_SECONDS);
    X509_set_pubkey(self, key);
    X509_NAME* name = X509_get_subject_name(self);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName),
                               -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : self;
    X509_set_issuer_name(self, X509_get_subject_name(signer));
    if (issuer == nullptr) {
        AddExtension(self, signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(self, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
        AddExtension(self, signer, NID_subject_key_identifier, "hash");
    } else {
        AddExtension(self, signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(self, signer, NID_key_usage, "critical,digitalSignature");
        AddExtension(self, signer, NID_ext_key_usage, "serverAuth");
        AddExtension(self, signer, NID_subject_alt_name, "IP:127.0.0.1");
        AddExtension(self, signer, NID_authority_key_identifier, "keyid");
    }
    Require(X509_sign(self, issuer != nullptr ? issuerKey : key, EVP_sha256()) > 0, "signing failed");
    return certificate;
}

std::string ToPem(X509* certificate) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    Require(bio != nullptr && PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM encoding failed");
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 304:
            return "Not Modified";
        case 404:
            return "Not Found";
        case 416:
            return "Range Not Satisfiable";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

/** Reads one HTTP/1.1 request from a TLS connection; false when the peer closed or sent garbage. */
class RequestReader {
public:
    explicit RequestReader(SSL* ssl) : ssl_(ssl) {}

    bool Read(LoopbackRequest& request) {
        size_t end;
        while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
            if (!Fill()) {
                return false;
            }
        }
        std::string head = buffer_.substr(0, end);
        buffer_.erase(0, end + 4);
        size_t lineEnd = head.find("\r\n");
        std::string requestLine = head.substr(0, lineEnd);
        size_t firstBlank = requestLine.find(' ');
        size_t secondBlank = requestLine.find(' ', firstBlank + 1);
        if (firstBlank == std::string::npos || secondBlank == std::string::npos) {
            return false;
        }
        request.method = requestLine.substr(0, firstBlank);
        std::string target = requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
        const size_t queryStart = target.find('?');
        request.path = target.substr(0, queryStart);
        request.query = queryStart == std::string::npos ? "" : target.substr(queryStart + 1);
        while (lineEnd != std::string::npos) {
            size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            std::string line =
                head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
            size_t colon = line.find(':');
            if (colon == std::string::npos) {
                continue;
            }
            size_t valueStart = line.find_first_not_of(' ', colon + 1);
            request.headers.emplace_back(line.substr(0, colon),
                                         valueStart == std::string::npos ? "" : line.substr(valueStart));
        }
        size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
        while (buffer_.size() < length) {
            if (!Fill()) {
                return false;
            }
        }
        request.body = buffer_.substr(0, length);
        buffer_.erase(0, length);
        return true;
    }

private:
    bool Fill() {
        char chunk[16 * 1024];
        int received = SSL_read(ssl_, chunk, sizeof(chunk));
        if (received <= 0) {
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(received));
        return true;
    }

    SSL* ssl_;
    std::string buffer_;
};

bool WriteAll(SSL* ssl, const std::string& data) {
    size_t written = 0;
    while (written < data.size()) {
        int sent = SSL_write(ssl, data.data() + written, static_cast<int>(data.size() - written));
        if (sent <= 0) {
            return false;
        }
        written += static_cast<size_t>(sent);
    }
    return true;
}

std::string Render(const LoopbackResponse& response) {
    std::string text =
        "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonPhrase(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers) {
        text += name + ": " + value + "\r\n";
    }
    text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n\r\n";
    return text + response.body;
}

}  // namespace

std::string LoopbackRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) {
            return value;
        }
    }
    return "";
}

bool LoopbackRequest::HasHeader(const std::string& name) const {
    for (const auto& entry : headers) {
        if (strcasecmp(entry.first.c_str(), name.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

struct LoopbackHttpsServer::Impl {
    Key authorityKey = MakeKey();
    Certificate authority =
        MakeCertificate("Loopback Test Authority", authorityKey.get(), nullptr, nullptr, 1);
    Key serverKey = MakeKey();
    Certificate serverCertificate =
        MakeCertificate(LOOPBACK_ADDRESS, serverKey.get(), authority.get(), authorityKey.get(), 2);
    std::string authorityPem = ToPem(authority.get());
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context{SSL_CTX_new(TLS_server_method()), SSL_CTX_free};
    int listenSocket = -1;
    int wakePipe[2] = {-1, -1};
    int port = 0;
    std::thread acceptor;

    Mutex connectionsMutex;
    std::condition_variable connectionEnded;
    bool stopping NVR_GUARDED_BY(connectionsMutex) = false;
    std::set<int> openSockets NVR_GUARDED_BY(connectionsMutex);  // one serving thread each
    int connectionCount NVR_GUARDED_BY(connectionsMutex) = 0;
    /**
     * The serving threads by connection number, every one joined: a thread left running could still
     * be freeing its TLS state when the process ends, which the leak checker reports.
     */
    std::map<int, std::thread> servingThreads NVR_GUARDED_BY(connectionsMutex);
    /** Connections whose thread has served its last request and only has to be joined. */
    std::vector<int> endedConnections NVR_GUARDED_BY(connectionsMutex);

    /** Takes the threads of ended connections out, for joining without the lock. */
    std::vector<std::thread> TakeEndedThreads() NVR_REQUIRES(connectionsMutex) {
        std::vector<std::thread> ended;
        for (int connection : endedConnections) {
            auto found = servingThreads.find(connection);
            ended.push_back(std::move(found->second));
            servingThreads.erase(found);
        }
        endedConnections.clear();
        return ended;
    }
};

namespace {

void JoinAll(std::vector<std::thread>& threads) {
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace

LoopbackHttpsServer::LoopbackHttpsServer() : LoopbackHttpsServer(0) {}

LoopbackHttpsServer::LoopbackHttpsServer(int port) : impl_(std::make_unique<Impl>()) {
    // A client that hangs up while an answer is written must not end the test process.
    signal(SIGPIPE, SIG_IGN);
    SSL_CTX* context = impl_->context.get();
    Require(context != nullptr, "no TLS context");
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    Require(SSL_CTX_use_certificate(context, impl_->serverCertificate.get()) == 1 &&
                SSL_CTX_use_PrivateKey(context, impl_->serverKey.get()) == 1,
            "TLS context refused the certificate");
    impl_->listenSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    Require(impl_->listenSocket >= 0, "no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, LOOPBACK_ADDRESS, &address.sin_addr);
    socklen_t length = sizeof(address);
    if (port != 0) {
        // A fixed port is taken again at once by the next run, past connections still closing.
        const int reuse = 1;
        setsockopt(impl_->listenSocket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
    }
    Require(bind(impl_->listenSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                listen(impl_->listenSocket, 64) == 0 &&
                getsockname(impl_->listenSocket, reinterpret_cast<sockaddr*>(&address), &length) == 0,
            "cannot listen on 127.0.0.1 (is the port taken?)");
    impl_->port = ntohs(address.sin_port);
    Require(pipe2(impl_->wakePipe, O_CLOEXEC) == 0, "no pipe");
    impl_->acceptor = std::thread([this] { Accept(); });
}

LoopbackHttpsServer::~LoopbackHttpsServer() {
    Stop();
    close(impl_->listenSocket);
    close(impl_->wakePipe[0]);
    close(impl_->wakePipe[1]);
}

void LoopbackHttpsServer::Accept() {
    for (;;) {
        pollfd watched[2] = {{impl_->listenSocket, POLLIN, 0}, {impl_->wakePipe[0], POLLIN, 0}};
        if (poll(watched, 2, -1) < 0 || (watched[1].revents & POLLIN) != 0) {
            return;
        }
        int client = accept4(impl_->listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        int noDelay = 1;  // small TLS records must not wait for delayed acknowledgements
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
        std::vector<std::thread> ended;
        {
            MutexLock lock(impl_->connectionsMutex);
            if (impl_->stopping) {
                close(client);
                return;
            }
            int connection = ++impl_->connectionCount;
            impl_->openSockets.insert(client);
            impl_->servingThreads.emplace(
                connection, std::thread([this, client, connection] { Serve(client, connection); }));
            ended = impl_->TakeEndedThreads();
        }
        JoinAll(ended);
    }
}

void LoopbackHttpsServer::Serve(int socket, int connection) {
    SSL* ssl = SSL_new(impl_->context.get());
    if (ssl != nullptr && SSL_set_fd(ssl, socket) == 1 && SSL_accept(ssl) == 1) {
        RequestReader reader(ssl);
        LoopbackRequest request;
        while (reader.Read(request)) {
            request.connection = connection;
            if (!WriteAll(ssl, Render(Dispatch(request)))) {
                break;
            }
            request = LoopbackRequest{};
        }
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    ERR_clear_error();
    MutexLock lock(impl_->connectionsMutex);
    impl_->openSockets.erase(socket);
    impl_->endedConnections.push_back(connection);
    close(socket);
    impl_->connectionEnded.notify_all();
}

void LoopbackHttpsServer::Stop() {
    {
        MutexLock lock(impl_->connectionsMutex);
        if (impl_->stopping) {
            return;
        }
        impl_->stopping = true;
    }
    char wake = 1;
    [[maybe_unused]] ssize_t written = write(impl_->wakePipe[1], &wake, 1);
    impl_->acceptor.join();
    std::vector<std::thread> ended;
    {
        MutexLock lock(impl_->connectionsMutex);
        for (int socket : impl_->openSockets) {
            shutdown(socket, SHUT_RDWR);
        }
        while (!impl_->openSockets.empty()) {
            lock.Wait(impl_->connectionEnded);
        }
        ended = impl_->TakeEndedThreads();
    }
    JoinAll(ended);
}

void LoopbackHttpsServer::Handle(const std::string& path, LoopbackHandler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_[path] = std::move(handler);
}

void LoopbackHttpsServer::SetDefaultHandler(LoopbackHandler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    defaultHandler_ = std::move(handler);
}

int LoopbackHttpsServer::Port() const { return impl_->port; }

std::string LoopbackHttpsServer::Url(const std::string& path) const {
    return "https://" + std::string(LOOPBACK_ADDRESS) + ":" + std::to_string(impl_->port) + path;
}

const std::string& LoopbackHttpsServer::CertificateAuthorityPem() const { return impl_->authorityPem; }

std::vector<LoopbackRequest> LoopbackHttpsServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t LoopbackHttpsServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

LoopbackResponse LoopbackHttpsServer::Dispatch(const LoopbackRequest& request) {
    LoopbackHandler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        auto found = handlers_.find(request.path);
        handler = found != handlers_.end() ? found->second : defaultHandler_;
    }
    if (!handler) {
        return LoopbackResponse{404, {}, ""};
    }
    return handler(request);
}

}  // namespace NuvraMobile
