#import "platform/ExtensionClassCalls.h"

#include "core/Core.h"
#include "core/values/SdkError.h"
#include "platform/MobileMarketingCoreBridge.h"
#import "platform/ValueConversions.h"
#include "util/Log.h"

namespace NuvraMobile {

RunningCore GetRunningCore() {
    const auto bridge = MobileMarketingCoreBridge::GetInstance2();
    const auto core = bridge->GetCore();
    // The core keeps its services to itself; the bridge's per-core services forward to the same ones.
    return {core ? core->GetEventHub() : nullptr, bridge->GetPlatformServices()};
}

void RunPublicCall(const char* tag, const std::function<void()>& call) {
    TryCatch(call, [tag](SdkError& error) { Log::Warning(tag, "The call was not done (%s)", error); });
}

std::function<void(const std::string&)> StringBlockFunction(void (^block)(NSString*)) {
    using Block = void (^)(NSString*);
    return BlockFunction<const std::string&>(
        block, [](Block copied, const std::string& text) { copied(ToNSString(text)); });
}

}  // namespace NuvraMobile
