#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class FileHandlerInterface;

/**
 * A movable current directory that creates missing folders and hands out file handlers inside
 * itself. Paths are joined and standardised ("." dropped, ".." removes the component before it,
 * repeated separators collapse). One user at a time; the static operations may be called from any
 * thread.
 */
class DirectoryHandlerInterface : public virtual ObjectInterface {
public:
    /** A handler at `path`; nothing is tested. */
    static std::shared_ptr<DirectoryHandlerInterface> CreateFromPath(const std::string& path);
    /** A handler at GetDefaultCacheDirectory(). */
    static std::shared_ptr<DirectoryHandlerInterface> CreateFromDefaultCache();
    /** AppFolders' cache folder, created when missing. Empty when none can be named. */
    static std::string GetDefaultCacheDirectory();

    virtual std::string GetPath() = 0;
    /** Moves into the sub-folder `name`; with `create` it must exist or be created, else nothing moves. */
    virtual bool MoveToSubDirectory(const std::string& name, bool create) = 0;
    virtual bool MoveToParentDirectory() = 0;
    /** A handler for the file `name` (which may hold sub-folders, created here); null when they cannot be. */
    virtual std::shared_ptr<FileHandlerInterface> CreateFileHandlerInDirectory(const std::string& name) = 0;
};

}  // namespace NuvraMobile
