#pragma once

#include <memory>
#include <string>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "platformShim/JsonObject.h"
#include "services/json/NativeJsonUtilityService.h"

namespace NuvraMobile {

/** Parses a JSON object text of a test (the text must be valid). */
inline std::shared_ptr<JsonObject> ParseJson(const std::string& text) {
    return CreateNativeJsonUtilityService()->CreateJsonObject(text);
}

/** A generic-track request event carrying `data`. */
inline std::shared_ptr<Event> TrackEvent(
    const std::shared_ptr<EventData>& data = std::make_shared<EventData>()) {
    return EventBuilder("Track", EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT)
        .SetData(data)
        .Build();
}

}  // namespace NuvraMobile
