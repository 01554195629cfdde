#pragma once

#include <functional>

namespace NuvraMobile {

/**
 * The one door through which the SDK calls the app's own code: the answers to its requests, its start
 * callback, its extensions and their listeners, its URL handler and reachability block. Once the process
 * has begun to exit the door is shut for good: what the app's code reaches may already be gone (objects it
 * released before returning from main, statics being destroyed), so a late call is dropped and logged at
 * debug level instead. A call already under way on another thread as the door shuts is waited for, for a
 * bounded time, so that it does not run beside the app's teardown. Any thread.
 *
 * An exit from the main thread, or from inside a call through the door, shuts it before anything else of the
 * exit runs (the exiting thread's own thread-local objects aside), whatever the order in which the app built
 * its statics and its cores. The main thread is the one the platform names (KnowTheMainThreadBy); no other
 * thread's end shuts the door, the thread that loaded the SDK included.
 */
class AppCalls {
public:
    /** Whether the calling thread is the process's main thread, as the platform tells. */
    using MainThreadTest = bool (*)();

    /** Calls `call` unless the process has begun to exit (true); `what` names it in the debug line. */
    static bool Run(const char* what, const std::function<void()>& call);
    /**
     * From now on, for the rest of the process, nothing is called; returns once the calls under way on other
     * threads have ended, or once the bound of the first shut has passed.
     */
    static void ShutForExit();
    /**
     * Shuts the door as the process exits (once for the process, whatever the number of calls), for an exit
     * that the calling thread's end does not show (an app's own other thread that calls exit()): it runs
     * before the exit handlers and statics of the app that were registered or built before this call are
     * torn down.
     */
    static void ShutAtExit();
    /**
     * How the door knows the main thread, whose end is the exit. Until the platform's services tell it, only
     * an exit from inside a call through the door, or the exit handler of ShutAtExit, shuts it. Any thread.
     */
    static void KnowTheMainThreadBy(MainThreadTest isMainThread);
};

}  // namespace NuvraMobile
