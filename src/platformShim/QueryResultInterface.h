#pragma once

#include <cstdint>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * A cursor over the rows of one query; column indexes are those of the query's columns, from 0.
 * Getters raise SdkError on a closed result or a bad index. Belongs to the one caller that ran the
 * query: it has no lock.
 */
class QueryResultInterface : public virtual ObjectInterface {
public:
    virtual std::int32_t GetCount() = 0;
    virtual std::int32_t GetInt(std::uint32_t column) = 0;
    virtual double GetDouble(std::uint32_t column) = 0;
    virtual float GetFloat(std::uint32_t column) = 0;
    virtual std::int64_t GetLong(std::uint32_t column) = 0;
    virtual std::string GetString(std::uint32_t column) = 0;
    virtual bool IsNull(std::uint32_t column) = 0;
    virtual bool MoveToFirst() = 0;
    virtual bool MoveToLast() = 0;
    virtual bool MoveToNext() = 0;
    virtual void Close() = 0;
};

}  // namespace NuvraMobile
