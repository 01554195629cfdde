#pragma once

#include <memory>

namespace NuvraMobile {

class EventData;

// Markers stored in and returned from shared-state resolvers, compared by pointer identity only.
// PENDING is null: the state for a version comes later, and what a reader gets when nothing is
// known. INVALID: the state for a version is invalid. NEXT and PREV: the version resolves to the
// next real state after it, or to the nearest real state before it.
extern const std::shared_ptr<EventData>& SHARED_STATE_PENDING;
extern const std::shared_ptr<EventData>& SHARED_STATE_INVALID;
extern const std::shared_ptr<EventData>& SHARED_STATE_NEXT;
extern const std::shared_ptr<EventData>& SHARED_STATE_PREV;

namespace SharedStateMarkersInternal {
void EnsureMarkers();
struct MarkersInitializer {
    MarkersInitializer() { EnsureMarkers(); }
};
static const MarkersInitializer markersInitializer;
}  // namespace SharedStateMarkersInternal

}  // namespace NuvraMobile
