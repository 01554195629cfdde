#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/QueryResultInterface.h"

namespace NuvraMobile {

/**
 * The rows of one query, every cell held as text (integers in decimal, reals with six decimals, null
 * and blob cells empty); typed getters parse their cell when asked. Filled by the statement runner
 * under the database lock, then owned by the one caller that ran the query: no lock of its own.
 */
class QueryResult : public Object, public virtual QueryResultInterface {
public:
    /** Appends one row; traces "QueryResult: <column> = cell" per cell. */
    void SetArgs(std::vector<std::string> cells, const std::vector<std::string>& columnNames);

    std::int32_t GetCount() override;
    std::int32_t GetInt(std::uint32_t column) override;
    double GetDouble(std::uint32_t column) override;
    float GetFloat(std::uint32_t column) override;
    std::int64_t GetLong(std::uint32_t column) override;
    std::string GetString(std::uint32_t column) override;
    bool IsNull(std::uint32_t column) override;
    bool MoveToFirst() override;
    bool MoveToLast() override;
    bool MoveToNext() override;
    void Close() override;

private:
    void ThrowIfClosed() const;
    const std::string& Cell(std::uint32_t column) const;

    bool closed_ = false;
    std::uint64_t cursor_ = 0;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace NuvraMobile
