#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace NuvraMobile {

class EventData;
class Module;

// Searches of the configuration shared state among events, as `reader` reads it. The configuration's
// versions are not known to a reader, so each search walks down event by event from `newest` to `oldest`.
// Configuration fills its versions in request order, so a version still pending comes after every one
// published so far.

/**
 * Where an opt-out took effect: the newest event whose configuration is opted out; none when there is no
 * such event. A pending version is not opted out yet.
 */
std::optional<std::int32_t> NewestOptedOutEvent(Module& reader, std::int32_t oldest, std::int32_t newest);

/**
 * The configuration valid at the newest event that has one (not pending, not invalid): the newest
 * configuration published up to `newest`; null when no event has one.
 */
std::shared_ptr<EventData> NewestAvailableConfiguration(Module& reader, std::int32_t oldest,
                                                        std::int32_t newest);

}  // namespace NuvraMobile
