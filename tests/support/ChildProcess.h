#pragma once

#include <functional>

namespace NuvraMobile {

/**
 * Runs `body` in a forked child process that ends with _exit, without any clean shutdown, as a crash
 * right after `body` would. True when the child ran `body` to its end. Call it before the test opens
 * anything the child must not share (database connections, threads).
 */
bool RunInChildProcess(const std::function<void()>& body);

}  // namespace NuvraMobile
