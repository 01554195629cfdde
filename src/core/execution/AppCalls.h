#pragma once

#include <functional>

namespace NuvraMobile {

/**
 * The one door through which the SDK calls the app's own code: the answers to its requests, its start
 * callback, its extensions and their listeners, its URL handler and reachability block. Once the process
 * has begun to exit the door is shut for good: what the app's code reaches may already be gone (objects it
 * released before returning from main, statics being destroyed), so a late call is dropped and logged at
 * debug level instead. Any thread.
 */
class AppCalls {
public:
    /** Calls `call` unless the process has begun to exit (true); `what` names it in the debug line. */
    static bool Run(const char* what, const std::function<void()>& call);
    /** From now on, for the rest of the process, nothing is called. */
    static void ShutForExit();
    /**
     * Shuts the door as the process exits (once for the process, whatever the number of calls): for an app
     * that calls the SDK directly, without the exit handling of the Objective-C layer. It runs before the
     * exit handlers and statics of the app that were registered or built before this call are torn down.
     */
    static void ShutAtExit();
};

}  // namespace NuvraMobile
