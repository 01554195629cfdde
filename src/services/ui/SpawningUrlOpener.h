#pragma once

#include <string>
#include <vector>

#include "core/values/Object.h"
#include "services/ui/UrlOpenerInterface.h"

namespace NuvraMobile {

/**
 * A URL opener the host may install: it starts a program (found on PATH) with the URL as its last
 * argument, never through a shell, and waits for it to end. Any thread may call; on the main queue
 * the queue waits while the program runs, so the program should hand the URL on and return.
 */
class SpawningUrlOpener : public Object, public virtual UrlOpenerInterface {
public:
    /** `command`: the program and the arguments before the URL, e.g. {"xdg-open"}. */
    explicit SpawningUrlOpener(std::vector<std::string> command);

    /** False when the program could not start or ended other than with status 0. */
    bool Open(const std::string& url) override;

private:
    const std::vector<std::string> command_;
};

}  // namespace NuvraMobile
