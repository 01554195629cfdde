#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class FileHandlerInterface;

/**
 * Files and directories. Paths are texts with "/" as separator; the directory, deletion, test and
 * listing operations read a relative path against the process's current directory. Platform errors
 * are raised as SdkError "filesystem"; refusals answer false. Stateless: callable from any thread.
 */
class FileSystemServiceInterface : public virtual ObjectInterface {
public:
    /** A handler for the path; nothing is opened or tested yet. */
    virtual std::shared_ptr<FileHandlerInterface> CreateFileHandler(const std::string& path) = 0;
    /** Creates the directory with its missing parents; true when a directory is there afterwards. */
    virtual bool MakeDirectory(const std::string& path) = 0;
    /** Removes an empty directory; refuses a non-empty one or a file. True when nothing is left there. */
    virtual bool DeleteDirectory(const std::string& path) = 0;
    /** Removes a file; refuses a directory. True when nothing is left there. */
    virtual bool DeleteFile(const std::string& path) = 0;
    /**
     * Moves a file or directory to a new path on the same volume in one step; a file, or an empty
     * directory, already at the new path is replaced. False when nothing moved.
     */
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    virtual bool IsDirectory(const std::string& path) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    virtual bool DirectoryIsWritable(const std::string& path) = 0;
    /** Every entry below the directory, as paths relative to it ("a", "a/b"). */
    virtual std::vector<std::string> GetDirectoryContents(const std::string& path) = 0;
    /** The regular files below the directory, as paths relative to it. */
    virtual std::vector<std::string> GetDirectoryFiles(const std::string& path) = 0;
    /** The whole file as UTF-8 text. */
    virtual std::string ReadStringFromFile(const std::string& path) = 0;
    virtual char GetPathSeparatorChar() = 0;
    virtual std::string GetPathSeparator() = 0;
};

}  // namespace NuvraMobile
