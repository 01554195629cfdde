#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class DatabaseInterface;

/**
 * Opens and deletes SQLite databases by bare file name (for example "NVBMobileSignals.sqlite"); the
 * service places them in the application's cache folder. May be called from any thread.
 */
class DatabaseServiceInterface : public virtual ObjectInterface {
public:
    /** The open database of that name, created when absent; empty when it cannot be opened. */
    virtual std::shared_ptr<DatabaseInterface> OpenDatabase(const std::string& fileName) = 0;
    /**
     * The stand-in for the database `fileName` when its file cannot be opened, or can be read but not
     * written: a database that lives in memory only, as long as the service, and writes no file. It starts
     * empty: the rows of a file that cannot be written stay there, unsent, for a launch that can write it.
     * Every call for one name gets the same one. The first call for a name logs one error line that names
     * the folder and says that its hits are kept in memory only. Empty when even that cannot be opened.
     */
    virtual std::shared_ptr<DatabaseInterface> OpenInMemoryDatabase(const std::string& fileName) = 0;
    /** True when the file is gone. */
    virtual bool DeleteDatabase(const std::string& fileName) = 0;
    /**
     * Puts the database `replacement` in the place of `fileName` in one step that a crash cannot split:
     * true once the file of `replacement` is the database `fileName`. False when that cannot be done,
     * leaving both files as they were.
     */
    virtual bool ReplaceDatabase(const std::string& fileName, const std::string& replacement) = 0;
};

}  // namespace NuvraMobile
