#pragma once

namespace NuvraMobile {

/**
 * Whether the calling thread is the process's main thread: the one the process began with, whichever thread
 * loaded the SDK. Any thread, also while its thread-local objects are destroyed.
 */
bool IsMainThread();

}  // namespace NuvraMobile
