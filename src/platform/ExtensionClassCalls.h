#pragma once

// What the public class of every extension shares: the running core its facade is built over, a guard
// that keeps the core's errors from reaching the app, and the wrapping of the app's blocks into the
// callbacks the facades take.

#import <Foundation/Foundation.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/CopiedBlock.h"
#include "platform/ObjCRuntime.h"

namespace NuvraMobile {

class EventHub;
class PlatformServicesInterface;

/** The hub and services of the running core that a facade is made over. */
struct RunningCore {
    std::shared_ptr<EventHub> eventHub;
    std::shared_ptr<PlatformServicesInterface> platformServices;
};

/** The process-wide core's hub and services; the first call starts the whole system. */
RunningCore GetRunningCore();

/** A fresh facade of type `Api` over the running core, as every call of a public class makes. */
template <class Api>
std::shared_ptr<Api> FacadeOverRunningCore() {
    const RunningCore core = GetRunningCore();
    return Api::Create(core.eventHub, core.platformServices);
}

/**
 * Runs one public call. An error the core raises (a start-up that failed, a registration the hub
 * refused) is logged under `tag` as a warning and never reaches the app: public calls do not throw.
 */
void RunPublicCall(const char* tag, const std::function<void()>& call);

/**
 * A callback that runs `call(block, args...)` inside a release pool, on whatever thread the core calls
 * it. The block is copied once and released with the last copy of the callback. A nil block gives an
 * empty callback, so that nothing ever calls it.
 */
template <typename... Args, typename BlockType, typename Call>
std::function<void(Args...)> BlockFunction(BlockType block, Call call) {
    if (block == nil) {
        return nullptr;
    }
    CopiedBlock<BlockType> copied(block);
    return [copied, call](Args... args) { RunInObjCScope([&] { call(copied.Get(), args...); }); };
}

/** A callback that hands the text to the block as a string, nil for empty text; empty for a nil block. */
std::function<void(const std::string&)> StringBlockFunction(void (^block)(NSString*));

}  // namespace NuvraMobile
