#pragma once

#include <string>
#include <vector>

namespace NuvraMobile {

/**
 * A fresh folder under the system's temporary folder, removed with everything in it on destruction, also
 * where a test took away the owner's permissions from something inside.
 */
class FileSystemTestFolder {
public:
    FileSystemTestFolder();
    ~FileSystemTestFolder();
    FileSystemTestFolder(const FileSystemTestFolder&) = delete;
    FileSystemTestFolder& operator=(const FileSystemTestFolder&) = delete;

    const std::string& Path() const { return path_; }
    /** Path() + "/" + relative */
    std::string PathOf(const std::string& relative) const;
    /** Writes `content` to the file at `relative`, creating its folders. */
    void WriteFile(const std::string& relative, const std::string& content) const;
    /** The whole file at `relative`; empty when it cannot be read. */
    std::string ReadFile(const std::string& relative) const;

private:
    std::string path_;
};

/** Writes `bytes` to the file at `path`, replacing it and creating its folders. */
void WriteFileBytes(const std::string& path, const std::string& bytes);
/** The whole content of the file at `path`; empty when it cannot be read. */
std::string ReadFileBytes(const std::string& path);
/**
 * The names of the files SQLite keeps beside a database while a connection to it is open (write-ahead
 * logs, shared-memory files, rollback journals) under `folder`, at any depth.
 */
std::vector<std::string> FilesBesideDatabases(const std::string& folder);

}  // namespace NuvraMobile
