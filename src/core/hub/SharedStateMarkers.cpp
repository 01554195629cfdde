#include "core/hub/SharedStateMarkers.h"

#include "core/values/EventConstantStorage.h"
#include "core/values/EventData.h"

namespace NuvraMobile {

namespace {
EventConstantStorage<std::shared_ptr<EventData>> markers[4];
}  // namespace

const std::shared_ptr<EventData>& SHARED_STATE_PENDING = markers[0].value;
const std::shared_ptr<EventData>& SHARED_STATE_INVALID = markers[1].value;
const std::shared_ptr<EventData>& SHARED_STATE_NEXT = markers[2].value;
const std::shared_ptr<EventData>& SHARED_STATE_PREV = markers[3].value;

void SharedStateMarkersInternal::EnsureMarkers() {
    static const bool built = [] {
        markers[0].Construct();
        for (int i = 1; i < 4; ++i) {
            markers[i].Construct(std::make_shared<EventData>());
        }
        return true;
    }();
    (void)built;
}

}  // namespace NuvraMobile
