#pragma once

#include <memory>
#include <string>

#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {

class Event;
class RecordingModule;

/**
 * Gives a test its own app: the key-value store, cache and (empty) bundle folders in a scratch folder.
 * On destruction the running system, if any, is reset and the folders are set back to their defaults.
 */
class ScratchApp {
public:
    ScratchApp();
    ~ScratchApp();
    ScratchApp(const ScratchApp&) = delete;
    ScratchApp& operator=(const ScratchApp&) = delete;

private:
    FileSystemTestFolder scratch_;
};

/** The first event named `name` that the module records within the usual bound; empty when none came. */
std::shared_ptr<Event> WaitForEventNamed(const RecordingModule& module, const std::string& name);

}  // namespace NuvraMobile
