#include "EventDataJson.h"

#include "core/values/EventData.h"
#include "platformShim/JsonObject.h"
#include "services/json/NativeJsonUtilityService.h"

namespace NuvraMobile {

std::string JsonText(const std::shared_ptr<EventData>& data) {
    if (!data) {
        return "null";
    }
    return CreateNativeJsonUtilityService()->CreateJsonObject(data->AsMapCopy())->ToString();
}

}  // namespace NuvraMobile
