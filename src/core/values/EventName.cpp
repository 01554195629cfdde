#include "core/values/EventName.h"

#include "util/StringUtils.h"

namespace NuvraMobile {

std::string EventName::ToStringImpl(const ToStringOptions&) const { return StringUtils::Quotify(name_); }

void WriteEventName(std::ostream& stream, const EventName* name) {
    stream << (name ? StringUtils::Quotify(name->GetName()) : "null");
}

}  // namespace NuvraMobile
