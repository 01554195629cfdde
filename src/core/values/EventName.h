#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "core/values/Object.h"

namespace NuvraMobile {

// The immutable name shared by EventType and EventSource; renders as the quoted name. Any thread.
class EventName : public Object {
public:
    // The full name as first registered.
    const std::string& GetName() const { return name_; }
    std::string ToStringImpl(const ToStringOptions& options) const override;

protected:
    explicit EventName(std::string name) : name_(std::move(name)) {}

private:
    const std::string name_;
};

// Writes the quoted name, or "null".
void WriteEventName(std::ostream& stream, const EventName* name);

}  // namespace NuvraMobile
