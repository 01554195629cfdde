#pragma once

#include <map>
#include <memory>
#include <string>

#include "shared/DatabaseHitBase.h"
#include "shared/DatabaseHitSchemaBase.h"

namespace NuvraMobile {

/** The typed schema of a module's hits `THit` (which derives DatabaseHitBase). Read from any thread. */
template <typename THit>
class DatabaseHitSchema : public DatabaseHitSchemaBase {
public:
    virtual std::shared_ptr<THit> GenerateHit(const std::shared_ptr<QueryResultInterface>& result) = 0;
    virtual std::map<std::string, std::shared_ptr<Variant>> GenerateDataMap(
        const std::shared_ptr<THit>& hit) = 0;

    std::shared_ptr<DatabaseHitBase> GenerateHitBase(
        const std::shared_ptr<QueryResultInterface>& result) override {
        return GenerateHit(result);
    }

    /** A hit of another type reaches GenerateDataMap as an empty pointer. */
    std::map<std::string, std::shared_ptr<Variant>> GenerateDataMapBase(
        const std::shared_ptr<DatabaseHitBase>& hit) override {
        return GenerateDataMap(std::dynamic_pointer_cast<THit>(hit));
    }
};

}  // namespace NuvraMobile
