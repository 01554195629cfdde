#include "Collector.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "services/network/NetworkTestSettings.h"
#include "util/UrlEncoder.h"

namespace NuvraHost {

using namespace NuvraMobile;

namespace {

// The visitor id, a blob and a location hint: every identity parameter a hit can carry.
constexpr const char* kIdentityAnswer =
    R"({"d_mid":"12345678901234567890123456789012345678","d_blob":"j8Odv6LonN4r3an7LhD3WZrU1bUpAkFkkiY1ncBR96t2PTI",)"
    R"("dcs_region":6,"id_sync_ttl":600})";
constexpr const char* kHitPathPrefix = "/b/ss/";

std::unique_ptr<LoopbackHttpsServer> Listen(int port) {
    if (port > 0) {
        try {
            return std::make_unique<LoopbackHttpsServer>(port);
        } catch (const std::runtime_error&) {
            std::printf("Collector: port %d is taken, listening on a free port instead\n", port);
        }
    }
    return std::make_unique<LoopbackHttpsServer>();
}

std::vector<std::string> SplitAtAmpersands(const std::string& body) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= body.size()) {
        const size_t end = body.find('&', start);
        parts.push_back(body.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t from) {
    std::string joined;
    for (size_t index = from; index < parts.size(); ++index) {
        joined += parts[index] + ".";
    }
    return joined;
}

void AppendRows(const char* title, const std::map<std::string, std::string>& rows, std::string& text) {
    if (rows.empty()) {
        return;
    }
    size_t width = 0;
    for (const auto& row : rows) {
        width = std::max(width, row.first.size());
    }
    text += std::string("  ") + title + "\n";
    for (const auto& [key, value] : rows) {
        text += "    " + key + std::string(width - key.size() + 2, ' ') + value + "\n";
    }
}

}  // namespace

Collector::Collector(int port) : server_(Listen(port)) {
    NetworkTestSettings::SetTrustedCertificateAuthority(server_->CertificateAuthorityPem());
    server_->Handle("/id", [](const LoopbackRequest& request) {
        // Identity syncs ask for a JSON answer by their query; the analytics-id request does not.
        const bool identitySync = request.query.find("d_rtbd=") != std::string::npos;
        if (identitySync) {
            std::printf("Collector: identity sync ?%s\n", request.query.c_str());
            return LoopbackResponse{200, {}, kIdentityAnswer};
        }
        std::printf("Collector: analytics id requested, answering %s\n", kAnalyticsId);
        return LoopbackResponse{200, {}, std::string(R"({"id":")") + kAnalyticsId + "\"}"};
    });
    server_->SetDefaultHandler([this](const LoopbackRequest& request) {
        if (request.path.rfind(kHitPathPrefix, 0) == 0) {
            return ReceiveHit(request);
        }
        return LoopbackResponse{404, {}, ""};
    });
    std::printf("Collector listening on %s\n", server_->Url("").c_str());
}

Collector::~Collector() {
    Stop();
    NetworkTestSettings::SetTrustedCertificateAuthority("");
}

void Collector::Stop() { server_->Stop(); }

std::string Collector::Host() const { return "127.0.0.1:" + std::to_string(server_->Port()); }

int Collector::HitCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hits_;
}

int Collector::WaitForMoreHitsThan(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    received_.wait_for(lock, timeout, [&] { return hits_ > count; });
    return hits_;
}

int Collector::AwaitDelivery(int expected, const std::function<std::int64_t()>& storedHits,
                             const std::function<void()>& sendStored, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const int arrived = HitCount();
        const auto stored = storedHits();
        if (stored == 0 && arrived >= expected) {
            return arrived;
        }
        if (stored != 0) {
            sendStored();
        }
        WaitForMoreHitsThan(arrived, std::chrono::milliseconds(250));
    }
    return HitCount();
}

LoopbackResponse Collector::ReceiveHit(const LoopbackRequest& request) {
    int number;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = ++hits_;
    }
    // One printf per hit keeps hits that arrive on two connections from interleaving.
    const std::string text = "Collector: hit " + std::to_string(number) + " " + request.method + " " + request.path +
                             "\n" + DescribeHit(request.body);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    received_.notify_all();
    return {200, {}, ""};
}

std::string DescribeHit(const std::string& body) {
    std::map<std::string, std::string> variables;
    std::map<std::string, std::string> contextData;
    // "c.&a.&action=X&.a&.c": a part ending in "." opens a nested block, one starting with "." closes it.
    std::vector<std::string> blocks;
    for (const auto& part : SplitAtAmpersands(body)) {
        const size_t equals = part.find('=');
        if (equals == std::string::npos) {
            if (!part.empty() && part.back() == '.') {
                blocks.push_back(part.substr(0, part.size() - 1));
            } else if (!part.empty() && part.front() == '.' && !blocks.empty()) {
                blocks.pop_back();
            }
            continue;
        }
        const std::string key = UrlEncoder::Decode(part.substr(0, equals));
        const std::string value = UrlEncoder::Decode(part.substr(equals + 1));
        if (!blocks.empty() && blocks.front() == "c") {
            contextData[Join(blocks, 1) + key] = value;
        } else {
            variables[Join(blocks, 0) + key] = value;
        }
    }
    std::string text;
    AppendRows("variables", variables, text);
    AppendRows("context data", contextData, text);
    return text;
}

}  // namespace NuvraHost
