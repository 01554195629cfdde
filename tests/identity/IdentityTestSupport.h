#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Object.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/UuidInterface.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/network/HttpConnection.h"

namespace NuvraMobile {

/** A UUID of fixed bytes. */
class FixedUuid : public Object, public virtual UuidInterface {
public:
    explicit FixedUuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}
    std::string GetString() const override { return "fixed"; }
    void GetBytes(std::uint8_t* bytes) const override { std::memcpy(bytes, bytes_.data(), bytes_.size()); }

private:
    const std::array<std::uint8_t, 16> bytes_;
};

/** The native digest, with UUIDs of the bytes the test sets. Set before sharing between threads. */
class FixedUuidCryptoService : public Object, public virtual CryptoServiceInterface {
public:
    std::array<std::uint8_t, 16> bytes{};

    std::shared_ptr<UuidInterface> GetRandomUuid() override { return std::make_shared<FixedUuid>(bytes); }
    std::string GetSha256Hash(const std::string& text) override { return native_->GetSha256Hash(text); }

private:
    const std::shared_ptr<CryptoServiceInterface> native_ = CreateNativeCryptoService();
};

/**
 * Answers every request with what `answer` returns (no connection for a null answer) and records the
 * URLs asked for. Thread-safe.
 */
class ScriptedNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    using Answer = std::function<std::shared_ptr<HttpConnectionInterface>(const std::string& url)>;

    static Answer Status(std::int32_t status, const std::string& body) {
        return [status, body](const std::string&) { return std::make_shared<HttpConnection>(status, HttpConnection::HeaderFields{}, body); };
    }

    void SetAnswer(Answer answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = std::move(answer);
    }
    std::vector<std::string> Urls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return urls_;
    }

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType, const std::string&,
                                                        const std::map<std::string, std::string>&, std::int64_t,
                                                        std::int64_t) override {
        Answer answer;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            urls_.push_back(url);
            answer = answer_;
        }
        return answer ? answer(url) : nullptr;
    }
    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override {
        callback(ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout));
    }
    bool Dispose(std::int64_t) override { return true; }

private:
    mutable std::mutex mutex_;
    Answer answer_;
    std::vector<std::string> urls_;
};

}  // namespace NuvraMobile
