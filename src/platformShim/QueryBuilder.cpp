#include "platformShim/QueryBuilder.h"

#include "core/values/SdkError.h"

namespace NuvraMobile {

QueryBuilder::QueryBuilder(const std::string& table, const std::vector<std::string>& columns)
    : query_(new Query(table, columns)) {}

QueryBuilder& QueryBuilder::Selection(const std::string& selection,
                                      const std::vector<std::string>& selectionArgs) {
    ThrowIfAlreadyBuilt();
    query_->selection_ = selection;
    query_->selectionArgs_ = selectionArgs;
    return *this;
}

QueryBuilder& QueryBuilder::GroupBy(const std::string& groupBy) {
    ThrowIfAlreadyBuilt();
    query_->groupBy_ = groupBy;
    return *this;
}

QueryBuilder& QueryBuilder::Having(const std::string& having) {
    ThrowIfAlreadyBuilt();
    query_->having_ = having;
    return *this;
}

QueryBuilder& QueryBuilder::OrderBy(const std::string& orderBy) {
    ThrowIfAlreadyBuilt();
    query_->orderBy_ = orderBy;
    return *this;
}

QueryBuilder& QueryBuilder::Limit(const std::string& limit) {
    ThrowIfAlreadyBuilt();
    query_->limit_ = limit;
    return *this;
}

std::shared_ptr<Query> QueryBuilder::Build() {
    ThrowIfAlreadyBuilt();
    built_ = true;
    return query_;
}

void QueryBuilder::ThrowIfAlreadyBuilt() const {
    if (built_) {
        Throw(SdkError("general.unsupported",
                       "attempted to call methods on QueryBuilder after Build() was called",
                       CurrentDebugInfo()));
    }
}

}  // namespace NuvraMobile
