#include "core/execution/AppCalls.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>

#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "AppCalls";
/** How long an exit waits for the app's calls under way on other threads. */
constexpr std::chrono::milliseconds CALLS_UNDER_WAY_LIMIT{2000};

using Clock = std::chrono::steady_clock;

/** The door's state, which every thread shares. */
class Door {
public:
    static Door& Get() {
        // Never destroyed: the door is used until the process ends.
        static Door* const door = new Door();
        return *door;
    }

    Mutex mutex;
    std::condition_variable callEnded;
    bool shut NVR_GUARDED_BY(mutex) = false;
    /** Set by the first shut: no shut waits for the calls under way after it. */
    Clock::time_point stopWaitingAt NVR_GUARDED_BY(mutex);
    /** On every thread. */
    int callsUnderWay NVR_GUARDED_BY(mutex) = 0;
};

/**
 * The platform's answer; none until its services are made. Constant-initialised, so that it is there before
 * any static initialiser or thread asks.
 */
std::atomic<AppCalls::MainThreadTest> mainThreadTest{nullptr};

bool OnTheMainThread() {
    const AppCalls::MainThreadTest isMainThread = mainThreadTest.load();
    return isMainThread != nullptr && isMainThread();
}

/** The calls through the door under way on this thread: they nest when the app's code calls the SDK. */
thread_local int callsOnThisThread = 0;

/** False once the door is shut; otherwise counts the call as under way until Leave. */
bool Enter() {
    Door& door = Door::Get();
    MutexLock lock(door.mutex);
    if (door.shut) {
        return false;
    }
    ++door.callsUnderWay;
    ++callsOnThisThread;
    return true;
}

void Leave() {
    --callsOnThisThread;
    Door& door = Door::Get();
    MutexLock lock(door.mutex);
    --door.callsUnderWay;
    if (door.shut) {
        door.callEnded.notify_all();
    }
}

/** Leaves the door as it goes, also when the app's code throws or its thread unwinds. */
class CallThrough {
public:
    CallThrough() = default;
    ~CallThrough() { Leave(); }
    CallThrough(const CallThrough&) = delete;
    CallThrough& operator=(const CallThrough&) = delete;
};

/**
 * Shuts the door as its thread calls exit(). A thread's thread-local objects are destroyed as it calls
 * exit(), before any static object and exit handler, or as it ends. The main thread's end is the exit; so is
 * the end of a thread in the middle of a call through the door (a thread that unwinds has left its calls).
 */
class ExitWatch {
public:
    ExitWatch() = default;
    ~ExitWatch() {
        if (OnTheMainThread() || callsOnThisThread > 0) {
            AppCalls::ShutForExit();
        }
    }
    ExitWatch(const ExitWatch&) = delete;
    ExitWatch& operator=(const ExitWatch&) = delete;
};

thread_local ExitWatch exitWatch;

/** Builds the calling thread's watch, once. */
void WatchThisThread() { static_cast<void>(&exitWatch); }

/**
 * Watches the thread that loads the SDK from the start, whatever thread the app makes its cores on: the main
 * thread, unless the app loads the SDK's library on another one.
 */
struct MainThreadWatch {
    MainThreadWatch() { WatchThisThread(); }
};
const MainThreadWatch kMainThreadWatch;

/** Waits, until the first shut's bound, for the calls under way on other threads; the number still running. */
int WaitForTheCallsOfOtherThreads(Door& door) {
    MutexLock lock(door.mutex);
    // This thread's own calls cannot end while it waits: an app that exits from inside one of them.
    while (door.callsUnderWay > callsOnThisThread) {
        if (!lock.WaitUntil(door.callEnded, door.stopWaitingAt)) {
            return door.callsUnderWay - callsOnThisThread;
        }
    }
    return 0;
}

}  // namespace

bool AppCalls::Run(const char* what, const std::function<void()>& call) {
    WatchThisThread();
    if (!Enter()) {
        Log::Debug(LOG_TAG, "Dropped %s: the process is exiting.", what);
        return false;
    }
    const CallThrough through;
    call();
    return true;
}

void AppCalls::ShutForExit() {
    Door& door = Door::Get();
    bool first = false;
    {
        MutexLock lock(door.mutex);
        first = !door.shut;
        if (first) {
            door.shut = true;
            door.stopWaitingAt = Clock::now() + CALLS_UNDER_WAY_LIMIT;
        }
    }
    // Said once, by the first shut: a later one shares its bound.
    if (const int running = WaitForTheCallsOfOtherThreads(door); running > 0 && first) {
        Log::Warning(LOG_TAG, "%d of the app's calls still ran %s ms after exit began; the exit goes on.",
                     running, static_cast<long long>(CALLS_UNDER_WAY_LIMIT.count()));
    }
}

void AppCalls::ShutAtExit() {
    WatchThisThread();
    static const bool registered = std::atexit(ShutForExit) == 0;
    if (!registered) {
        Log::Warning(LOG_TAG, "Could not register the exit handler; the SDK may call the app while it exits.");
    }
}

void AppCalls::KnowTheMainThreadBy(MainThreadTest isMainThread) { mainThreadTest.store(isMainThread); }

}  // namespace NuvraMobile
