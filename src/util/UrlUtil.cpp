#include "util/UrlUtil.h"

#include "util/StringUtils.h"

namespace NuvraMobile {
namespace UrlUtil {

std::map<std::string, std::string> ExtractQueryParameters(const std::string& query) {
    std::map<std::string, std::string> parameters;
    for (const std::string& piece : StringUtils::Split(query, "&")) {
        if (piece.empty()) {
            continue;
        }
        const std::vector<std::string> nameAndValue = StringUtils::SplitWithLimit(piece, "=", 2);
        if (nameAndValue.size() == 2 && !nameAndValue[0].empty() && !nameAndValue[1].empty()) {
            parameters[nameAndValue[0]] = nameAndValue[1];
        }
    }
    return parameters;
}

}  // namespace UrlUtil
}  // namespace NuvraMobile
