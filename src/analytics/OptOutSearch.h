#pragma once

#include <cstdint>
#include <optional>

namespace NuvraMobile {

class Module;

/**
 * Where an opt-out took effect among events: the newest event from `oldest` to `newest` at which the
 * configuration shared state, as `reader` reads it, is opted out; none when there is no such event. The
 * configuration's versions are not known to a reader, so the search walks down event by event from
 * `newest`. A version still pending is not opted out yet: Configuration fills its versions in request
 * order, so a pending one comes after every opt-out published so far.
 */
std::optional<std::int32_t> NewestOptedOutEvent(Module& reader, std::int32_t oldest, std::int32_t newest);

}  // namespace NuvraMobile
