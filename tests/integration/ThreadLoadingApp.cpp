// A C++ app that loads the SDK's library (ThreadLoadedSdk, at NVR_THREAD_LOADED_SDK) with dlopen on a thread
// of its own, which then ends; then, on its main thread, it asks for the privacy status as many times as its
// first argument says and prints "answers <the number that came>" (10 s at most). CoreExitProcessTest runs it
// as a process of its own, with its data folders in XDG_DATA_HOME and XDG_CACHE_HOME; status 0, or 2 when the
// library did not load.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kNotLoaded = 2;

using CountPrivacyStatusAnswers = int (*)(int requests);

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return kNotLoaded;
    }
    void* sdk = nullptr;
    std::thread([&sdk] { sdk = dlopen(NVR_THREAD_LOADED_SDK, RTLD_NOW | RTLD_LOCAL); }).join();
    const auto count =
        sdk == nullptr ? nullptr
                       : reinterpret_cast<CountPrivacyStatusAnswers>(dlsym(sdk, "NvrTestCountPrivacyStatusAnswers"));
    if (count == nullptr) {
        std::printf("not loaded: %s\n", dlerror());
        return kNotLoaded;
    }
    std::printf("answers %d\n", count(std::atoi(argv[1])));
    return 0;
}
