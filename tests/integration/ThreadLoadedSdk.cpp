// The SDK as a library that ThreadLoadingApp loads at run time on a thread of its own, so that the SDK's
// statics are built on that thread. It exports one function, and keeps everything else it links to itself.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/Core.h"
#include "services/PlatformServices.h"

namespace {

using namespace NuvraMobile;

/** How long the app waits for its answers, all told. */
constexpr std::chrono::seconds kAnswersBound{10};

/** The answers that have come; shared with the callbacks, which may come after the app stopped waiting. */
struct Answers {
    std::mutex mutex;
    std::condition_variable came;
    int count = 0;
};

/** The app's core, for the process: the app never releases it. */
std::shared_ptr<Core> KeptCore() {
    static const auto* const kept = new std::shared_ptr<Core>([] {
        const auto services = CreateNativeSharedPlatformServices();
        const auto core = Core::Create([services] { return services->CreatePlatformServices(); });
        core->Start([] {});
        return core;
    }());
    return *kept;
}

}  // namespace

/** Asks for the privacy status `requests` times; the number of answers that came within kAnswersBound. */
extern "C" __attribute__((visibility("default"))) int NvrTestCountPrivacyStatusAnswers(int requests) {
    const auto core = KeptCore();
    const auto answers = std::make_shared<Answers>();
    for (int request = 0; request < requests; ++request) {
        core->GetPrivacyStatus([answers](MobilePrivacyStatus) {
            std::lock_guard<std::mutex> lock(answers->mutex);
            ++answers->count;
            answers->came.notify_all();
        });
    }
    std::unique_lock<std::mutex> lock(answers->mutex);
    answers->came.wait_for(lock, kAnswersBound, [&] { return answers->count == requests; });
    return answers->count;
}
