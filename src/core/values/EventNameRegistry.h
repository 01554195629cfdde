#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "core/values/EventConstantStorage.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

// The interning registry shared by EventType and EventSource: one object per name compared without
// regard to letter case, created on first request with the spelling of that request. Any thread.
template <class Name>
class EventNameRegistry {
public:
    // The process-wide registry of Name; never destroyed, so it also serves during process exit.
    static EventNameRegistry& Instance() {
        static auto* registry = new EventNameRegistry();
        return *registry;
    }

    template <class Make>
    std::shared_ptr<Name> Intern(const std::string& name, Make make) {
        std::string key = StringUtils::ToLower(name);
        {
            // Lookups of known names, by far the most frequent, do not exclude each other.
            std::shared_lock<std::shared_mutex> lock(mutex_);
            auto entry = names_.find(key);
            if (entry != names_.end()) {
                return entry->second;
            }
        }
        std::lock_guard<std::shared_mutex> lock(mutex_);
        auto entry = names_.find(key);
        if (entry == names_.end()) {
            entry = names_.emplace(std::move(key), make(name)).first;
        }
        return entry->second;
    }

private:
    EventNameRegistry() = default;

    // A reader-writer lock rather than the annotated Mutex, which is exclusive: guards names_.
    std::shared_mutex mutex_;
    std::map<std::string, std::shared_ptr<Name>> names_;
};

// Fills the constants of Name once, in table order, with the interned prefix + suffix names.
template <class Name, std::size_t N>
void EnsureEventNameConstants(EventConstantStorage<std::shared_ptr<Name>> (&constants)[N],
                              const char* const (&suffixes)[N]) {
    static const bool built = [&] {
        const std::string prefix = Name::GetNuvraPrefix();
        for (std::size_t i = 0; i < N; ++i) {
            constants[i].Construct(Name::Get(prefix + suffixes[i]));
        }
        return true;
    }();
    (void)built;
}

}  // namespace NuvraMobile
