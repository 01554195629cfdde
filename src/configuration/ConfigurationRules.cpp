#include "configuration/Configuration.h"

// The Configuration module's side of the rules: the rules engine brings the bundle download and the
// rules file reader; until then a configuration names rules that nothing loads.

namespace NuvraMobile {

void Configuration::RetrieveCachedRules() {}

void Configuration::DownloadRules(const std::shared_ptr<EventData>& /*configuration*/) {}

}  // namespace NuvraMobile
