#include "platformShim/Query.h"

#include <utility>

namespace NuvraMobile {

Query::Query(std::string table, std::vector<std::string> columns)
    : table_(std::move(table)), columns_(std::move(columns)) {}

}  // namespace NuvraMobile
