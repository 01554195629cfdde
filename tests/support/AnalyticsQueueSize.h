#pragma once

#include <cstdint>
#include <future>

namespace NuvraMobile {

class Core;

/**
 * Asks the Analytics module of `core` for its queue size (stored hits plus waiting track requests); the
 * future holds -1 when the answer carries none. The answer comes once every request dispatched before
 * has been handled. Any thread; wait on the future outside the hub's threads.
 */
std::future<std::int64_t> RequestAnalyticsQueueSize(Core& core);

}  // namespace NuvraMobile
