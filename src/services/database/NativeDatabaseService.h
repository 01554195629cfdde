#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/values/Object.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Database;
class SystemInfoServiceInterface;

/**
 * A database service over `systemInfoService`'s cache folder. Throws SdkError
 * "platform_services.missing_service" ("SystemInfo Service") when it is null.
 */
std::shared_ptr<DatabaseServiceInterface> CreateNativeDatabaseService(
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService);

/**
 * Opens SQLite files by cleaned name in the application's cache folder and hands out one Database
 * per name for as long as it lives; deletes the files of the databases it opened. One mutex is held
 * for the whole of each operation, so any thread may call it and two threads opening one name get
 * the same object.
 */
class NativeDatabaseService : public Object, public virtual DatabaseServiceInterface {
public:
    explicit NativeDatabaseService(std::shared_ptr<SystemInfoServiceInterface> systemInfoService);

    /**
     * The database of the cleaned name, opened on first use, and opened again here when CloseEveryDatabase
     * closed it; throws "database.open_error" in both cases alike, so the caller takes the stand-in in
     * memory. A file that can be read but not written is refused, and left as it is.
     */
    std::shared_ptr<DatabaseInterface> OpenDatabase(const std::string& fileName) override;
    /**
     * The database of the cleaned name in memory only, made on first use and kept as long as the service;
     * the first call for a name logs the error line that names the cache folder. Never in the map of files,
     * so DeleteDatabase and ReplaceDatabase leave it alone. It starts empty; for a file OpenDatabase refused
     * as one that cannot be written, the line says what refuses the writes and that the stored rows wait
     * in the file, unsent: a copy in memory would send them again at every launch that cannot write it.
     */
    std::shared_ptr<DatabaseInterface> OpenInMemoryDatabase(const std::string& fileName) override;
    /**
     * Closes the connection of a database this service opened, then removes its file with the
     * write-ahead-log, shared-memory and journal files beside it. True only when the database file
     * existed and was removed. The name is forgotten in every case, so the next open starts afresh.
     */
    bool DeleteDatabase(const std::string& fileName) override;
    /**
     * Closes the connections of both databases and renames the file of `replacement` over the other,
     * then syncs the folder so that the rename survives a power failure. Refused while a write-ahead log
     * or rollback journal is left beside either file (its connection could not fold it in on closing):
     * beside the renamed file it would be applied to it. The replacement's name is forgotten; the database
     * of `fileName` is opened again on the file then under its name, so every holder of it goes on there.
     */
    bool ReplaceDatabase(const std::string& fileName, const std::string& replacement) override;

    /**
     * Closes the connection of every database file it opened, so that no write-ahead log or shared-memory
     * file is left beside them (one inside a transaction closes when that ends); a database used afterwards
     * opens its file again. The databases in memory stay.
     */
    void CloseEveryDatabase();

    /** Backslashes and "/" become "_", ".." is removed, then "__" becomes "_" (one pass each). */
    static std::string RemoveRelativePathComponent(const std::string& fileName);

private:
    /**
     * The one open of a database file, for a name not held yet and for one CloseEveryDatabase closed: the
     * folder asked for, then the file opened; throws as the Database constructor.
     */
    std::shared_ptr<Database> OpenLocked(const std::string& name) NVR_REQUIRES(mutex_);
    /** Closes the connection of the database of the cleaned name and forgets it; false when none was open. */
    bool CloseLocked(const std::string& name) NVR_REQUIRES(mutex_);

    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    Mutex mutex_;
    std::map<std::string, std::shared_ptr<Database>> databases_ NVR_GUARDED_BY(mutex_);
    std::map<std::string, std::shared_ptr<Database>> inMemory_ NVR_GUARDED_BY(mutex_);
    // Why the file of a name could be opened for reading only, once OpenDatabase met it so.
    std::map<std::string, std::string> unwritable_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
