#include "services/database/QueryResult.h"

#include <algorithm>
#include <utility>

#include "core/values/SdkError.h"
#include "services/database/Database.h"
#include "util/Log.h"

namespace NuvraMobile {

void QueryResult::SetArgs(std::vector<std::string> cells, const std::vector<std::string>& columnNames) {
    if (Log::Precheck(LoggingMode::Trace)) {
        for (size_t i = 0; i < cells.size() && i < columnNames.size(); ++i) {
            Log::Trace(Database::DATABASE_SERVICE_LOG_PREFIX, "QueryResult: <%s> = %s", columnNames[i],
                       cells[i]);
        }
    }
    rows_.push_back(std::move(cells));
}

std::int32_t QueryResult::GetCount() { return static_cast<std::int32_t>(rows_.size()); }

std::int32_t QueryResult::GetInt(std::uint32_t column) { return std::stoi(Cell(column)); }

double QueryResult::GetDouble(std::uint32_t column) { return std::stod(Cell(column)); }

float QueryResult::GetFloat(std::uint32_t column) { return std::stof(Cell(column)); }

std::int64_t QueryResult::GetLong(std::uint32_t column) { return std::stoll(Cell(column)); }

std::string QueryResult::GetString(std::uint32_t column) { return Cell(column); }

bool QueryResult::IsNull(std::uint32_t column) { return Cell(column).empty(); }

bool QueryResult::MoveToFirst() {
    ThrowIfClosed();
    cursor_ = 0;
    return true;
}

// On an empty result count - 1 wraps to the largest value, which leaves the cursor on no row.
bool QueryResult::MoveToLast() {
    ThrowIfClosed();
    cursor_ = std::max<std::uint64_t>(cursor_, static_cast<std::uint64_t>(rows_.size()) - 1);
    return true;
}

bool QueryResult::MoveToNext() {
    ThrowIfClosed();
    cursor_ = std::min<std::uint64_t>(static_cast<std::uint64_t>(rows_.size()) - 1, cursor_ + 1);
    return true;
}

void QueryResult::Close() {
    closed_ = true;
    cursor_ = 0;
    rows_.clear();
    rows_.shrink_to_fit();
}

void QueryResult::ThrowIfClosed() const {
    if (closed_) {
        Throw(SdkError("database.queryresult_already_closed", "QueryResult is already closed",
                       CurrentDebugInfo()));
    }
}

const std::string& QueryResult::Cell(std::uint32_t column) const {
    ThrowIfClosed();
    if (cursor_ >= rows_.size() || column >= rows_[cursor_].size()) {
        Throw(SdkError("database.queryresult_index_error", "Index error", CurrentDebugInfo()));
    }
    return rows_[cursor_][column];
}

}  // namespace NuvraMobile
