#pragma once

#include <cstdint>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

/**
 * The fields common to every stored hit; module hit types derive from it (virtually) and add their
 * own. A plain value holder: one user at a time.
 */
class DatabaseHitBase : public Object {
public:
    /** The text of the row's "ID" column; empty until the row has been read back from the table. */
    std::string identifier;
    /** The hit's time as the owning module writes it into its "TIMESTAMP" column. */
    std::int64_t timestamp = 0;
};

}  // namespace NuvraMobile
