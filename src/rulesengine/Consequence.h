#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class Variant;

/**
 * The consequence record a module reads back out of a consequence event ("triggeredconsequence"):
 * id, type, assets path and the handler's detail map. An immutable value; any thread may read it.
 */
class Consequence : public Object {
public:
    Consequence(std::string id, std::string type, std::string assetsPath,
                std::map<std::string, std::shared_ptr<Variant>> detail);

    const std::string& GetId() const { return id_; }
    const std::string& GetType() const { return type_; }
    const std::string& GetAssetsPath() const { return assetsPath_; }
    const std::map<std::string, std::shared_ptr<Variant>>& GetDetail() const { return detail_; }

private:
    const std::string id_;
    const std::string type_;
    const std::string assetsPath_;
    const std::map<std::string, std::shared_ptr<Variant>> detail_;
};

}  // namespace NuvraMobile
