#pragma once

namespace NuvraMobile {

class Core;

/**
 * Boots a core whose modules are registered. Start runs once per process, so the first core of the
 * process is started and a later one is booted through its hub. Any thread.
 */
void BootCore(Core& core);

}  // namespace NuvraMobile
