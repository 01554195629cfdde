#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

/**
 * One parsed answer of the identity server: the fields the module applies. Filled by the hit processor
 * on the hit queue's worker, then handed to the module and only read; one thread at a time.
 */
class IdentityObject : public Object {
public:
    virtual void SetBlob(const std::string& blob) { blob_ = blob; }
    virtual std::string GetBlob() const { return blob_; }
    virtual void SetMid(const std::string& mid) { mid_ = mid; }
    virtual std::string GetMid() const { return mid_; }
    virtual void SetHint(const std::string& hint) { hint_ = hint; }
    virtual std::string GetHint() const { return hint_; }
    virtual void SetError(const std::string& error) { error_ = error; }
    virtual std::string GetError() const { return error_; }
    /** Seconds. */
    virtual void SetTtl(std::int64_t ttl) { ttl_ = ttl; }
    virtual std::int64_t GetTtl() const { return ttl_; }
    virtual void SetOptOut(const std::vector<std::string>& optOut) { optOut_ = optOut; }
    virtual std::vector<std::string> GetOptOut() const { return optOut_; }

private:
    std::string blob_;
    std::string mid_;
    std::string hint_;
    std::string error_;
    std::int64_t ttl_ = 0;
    std::vector<std::string> optOut_;
};

}  // namespace NuvraMobile
