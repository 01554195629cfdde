#pragma once

namespace NuvraMobile {

/**
 * The first step of process exit, before anything waits: every hit queue of the process stops taking
 * hits, and only then is every request of the process aborted, so that the hit each queue has in hand
 * keeps its row for the next launch and nothing waits for a server any more. Final for the process; any
 * thread.
 */
void StopSendingForExit();

}  // namespace NuvraMobile
