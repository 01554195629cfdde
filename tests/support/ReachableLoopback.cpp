#include "support/ReachableLoopback.h"

#include "services/network/NetworkTestSettings.h"
#include "services/system/Reachability.h"

namespace NuvraMobile {

ReachableLoopback::ReachableLoopback(const LoopbackHttpsServer& server) {
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    NetworkTestSettings::SetTrustedCertificateAuthority(server.CertificateAuthorityPem());
}

ReachableLoopback::~ReachableLoopback() {
    NetworkTestSettings::SetTrustedCertificateAuthority("");
    Reachability::ClearStatusForTesting();
}

}  // namespace NuvraMobile
