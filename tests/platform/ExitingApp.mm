// An app that tracks, asks for its hits to be sent and returns from main at once, while the SDK is still
// at work. ProcessExitTest runs it as a process of its own, with its data folders in XDG_DATA_HOME and
// XDG_CACHE_HOME; a clean exit is status 0.

#import <Foundation/Foundation.h>

#include <string>

#include "loopback/LoopbackHttpsServer.h"
#import "platform/NVRAnalytics.h"
#import "platform/NVRCore.h"
#import "platform/NVRIdentity.h"
#include "services/network/NetworkTestSettings.h"

namespace {

// Never destroyed, and reachable until the end: it answers the SDK for as long as the process lives.
NuvraMobile::LoopbackHttpsServer* server = nullptr;

void StartServer() {
    server = new NuvraMobile::LoopbackHttpsServer();
    NuvraMobile::NetworkTestSettings::SetTrustedCertificateAuthority(server->CertificateAuthorityPem());
    server->Handle("/id", [](const NuvraMobile::LoopbackRequest&) {
        return NuvraMobile::LoopbackResponse{200, {}, R"({"d_mid": "M1", "id_sync_ttl": 600})"};
    });
    server->SetDefaultHandler(
        [](const NuvraMobile::LoopbackRequest&) { return NuvraMobile::LoopbackResponse{200, {}, ""}; });
}

}  // namespace

int main() {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    StartServer();
    NSString* host = [NSString stringWithFormat:@"127.0.0.1:%d", server->Port()];
    [NVRIdentity registerExtension];
    [NVRAnalytics registerExtension];
    [NVRCore start:^{
    }];
    [NVRCore updateConfiguration:[NSDictionary dictionaryWithObjectsAndKeys:host, @"analytics.server", @"rs",
                                                                            @"analytics.rsids", @"ORG1",
                                                                            @"skyloom.org", host,
                                                                            @"skyloom.server", @"optedin",
                                                                            @"global.privacy", nil]];
    [NVRCore trackAction:@"exit" data:nil];
    [NVRAnalytics sendQueuedHits];
    [pool drain];
    return 0;
}
