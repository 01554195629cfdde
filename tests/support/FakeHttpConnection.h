#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/HttpConnectionInterface.h"

namespace NuvraMobile {

/** An HTTP answer with a fixed status, status text and body that counts its Close calls. Any thread. */
class FakeHttpConnection : public Object, public virtual HttpConnectionInterface {
public:
    FakeHttpConnection(std::int32_t code, std::string body, std::string message = "OK")
        : code_(code), body_(std::move(body)), message_(std::move(message)) {}

    std::string GetResponse() const override { return body_; }
    std::shared_ptr<HttpConnectionDataInterface> GetResponseRawData() const override { return nullptr; }
    std::int32_t GetResponseCode() const override { return code_; }
    std::string GetResponseMessage() const override { return message_; }
    std::string GetResponsePropertyValue(const std::string&) const override { return ""; }
    void Close() const override { ++closes_; }

    int Closes() const { return closes_; }

private:
    std::int32_t code_;
    std::string body_;
    std::string message_;
    mutable std::atomic<int> closes_{0};
};

}  // namespace NuvraMobile
