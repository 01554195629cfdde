#include "rulesengine/Consequence.h"

namespace NuvraMobile {

Consequence::Consequence(std::string id, std::string type, std::string assetsPath,
                         std::map<std::string, std::shared_ptr<Variant>> detail)
    : id_(std::move(id)),
      type_(std::move(type)),
      assetsPath_(std::move(assetsPath)),
      detail_(std::move(detail)) {}

}  // namespace NuvraMobile
