#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platformShim/Query.h"

namespace NuvraMobile {

/**
 * One-shot builder of a Query: every call after Build (a second Build included) throws SdkError
 * "general.unsupported". One user at a time.
 */
class QueryBuilder {
public:
    QueryBuilder(const std::string& table, const std::vector<std::string>& columns);

    QueryBuilder& Selection(const std::string& selection, const std::vector<std::string>& selectionArgs);
    QueryBuilder& GroupBy(const std::string& groupBy);
    QueryBuilder& Having(const std::string& having);
    QueryBuilder& OrderBy(const std::string& orderBy);
    QueryBuilder& Limit(const std::string& limit);
    std::shared_ptr<Query> Build();

private:
    void ThrowIfAlreadyBuilt() const;

    std::shared_ptr<Query> query_;
    bool built_ = false;
};

}  // namespace NuvraMobile
