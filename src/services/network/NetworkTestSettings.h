#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace NuvraMobile {

/**
 * Test-only settings of the network service, process-wide. Production code never calls the setter, and
 * the service then trusts the system's certificate store. Any thread may call.
 */
namespace NetworkTestSettings {

/** From now on trust only this certificate authority (PEM text); an empty text returns to the system store.
 */
void SetTrustedCertificateAuthority(const std::string& pem);

/** The authority set for tests; empty when the system store is used. */
std::shared_ptr<const std::string> GetTrustedCertificateAuthority();

/**
 * From now on response bodies beyond `bytes` fail the request; nullopt returns to the production limit.
 * Lets a test reach the limit without moving tens of megabytes.
 */
void SetMaxResponseBodyBytes(std::optional<size_t> bytes);

/** The limit set for tests, or the production one. */
size_t GetMaxResponseBodyBytes();

}  // namespace NetworkTestSettings

}  // namespace NuvraMobile
