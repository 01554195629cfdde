#pragma once

#include <memory>
#include <string>

namespace NuvraMobile {

class EventData;

/** The entries of the data as JSON text, for comparing contents in tests; "null" for no data. */
std::string JsonText(const std::shared_ptr<EventData>& data);

}  // namespace NuvraMobile
