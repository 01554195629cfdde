#import "platform/NVRAnalytics.h"

#include "analytics/AnalyticsPublicApi.h"
#import "platform/ExtensionClassCalls.h"
#import "platform/NVRCore.h"
#import "platform/ValueConversions.h"

using namespace NuvraMobile;

namespace {

constexpr const char* LOG_TAG = "NVRAnalytics";

/** A fresh facade over the running core; making it also sets the version every later hit carries. */
std::shared_ptr<AnalyticsPublicApi> GetAnalyticsCore() {
    const RunningCore core = GetRunningCore();
    NSString* version =
        [NSString stringWithFormat:@"OIP-%@-%@", [NVRAnalytics extensionVersion], [NVRCore extensionVersion]];
    return AnalyticsPublicApi::Create(core.eventHub, core.platformServices, ToCppString(version));
}

/** The callback itself; for a nil block's empty one, one that drops the answer, so that the request is still
 * sent. */
template <typename... Args>
std::function<void(Args...)> OrDropped(std::function<void(Args...)> answer) {
    if (!answer) {
        answer = [](Args...) {};
    }
    return answer;
}

}  // namespace

@implementation NVRAnalytics

+ (NSString*)extensionVersion {
    return @"2.2.1";
}

+ (void)registerExtension {
    RunPublicCall(LOG_TAG, [] { GetAnalyticsCore()->RegisterExtension(); });
}

+ (void)clearQueue {
    RunPublicCall(LOG_TAG, [] { GetAnalyticsCore()->ClearQueue(); });
}

+ (void)sendQueuedHits {
    RunPublicCall(LOG_TAG, [] { GetAnalyticsCore()->SendQueuedHits(); });
}

+ (void)getQueueSize:(void (^)(unsigned long))callback {
    using Block = void (^)(unsigned long);
    const auto answer = OrDropped(BlockFunction<std::int64_t>(callback, [](Block copied, std::int64_t count) {
        copied([ToNSNumber(static_cast<long long>(count)) unsignedLongValue]);
    }));
    RunPublicCall(LOG_TAG, [&] { GetAnalyticsCore()->GetQueueSize(answer); });
}

+ (void)getTrackingIdentifier:(void (^)(NSString*))callback {
    const auto answer = OrDropped(StringBlockFunction(callback));
    RunPublicCall(LOG_TAG, [&] { GetAnalyticsCore()->GetTrackingIdentifier(answer); });
}

+ (void)getVisitorIdentifier:(void (^)(NSString*))callback {
    const auto answer = OrDropped(StringBlockFunction(callback));
    RunPublicCall(LOG_TAG, [&] { GetAnalyticsCore()->GetVisitorIdentifier(answer); });
}

+ (void)setVisitorIdentifier:(NSString*)visitorIdentifier {
    RunPublicCall(LOG_TAG,
                  [&] { GetAnalyticsCore()->UpdateVisitorIdentifier(ToCppString(visitorIdentifier)); });
}

@end
