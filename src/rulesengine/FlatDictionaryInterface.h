#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class Variant;

/**
 * A value that can present itself as one flat map of dotted keys, for rule keys and tokens to read.
 * Implementations say from which threads they may be asked.
 */
class FlatDictionaryInterface : public virtual ObjectInterface {
public:
    /** Fills `out` with the value's entries; false when the value has nothing to give. */
    virtual bool GetFlatDictionary(std::map<std::string, std::shared_ptr<Variant>>& out) const = 0;
};

}  // namespace NuvraMobile
