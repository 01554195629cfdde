#pragma once

namespace NuvraMobile {

class Core;

/**
 * Boots a core whose modules are registered, through its hub: Start runs once per process, and a test
 * program that runs whole may have started another core already. Any thread.
 */
void BootCore(Core& core);

}  // namespace NuvraMobile
