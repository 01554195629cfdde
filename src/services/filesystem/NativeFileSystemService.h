#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/FileSystemServiceInterface.h"

namespace NuvraMobile {

/** A new file-system service. */
std::shared_ptr<FileSystemServiceInterface> CreateNativeFileSystemService();

/**
 * The file-system service over std::filesystem. It keeps no state, so any thread may call it.
 * Log lines name the path as the caller gave it, under the tag "NativeFileSystemService".
 */
class NativeFileSystemService : public Object, public virtual FileSystemServiceInterface {
public:
    static constexpr const char* LOG_TAG = "NativeFileSystemService";
    static constexpr const char* ERROR_CODE = "filesystem";

    std::shared_ptr<FileHandlerInterface> CreateFileHandler(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    bool DeleteDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool IsDirectory(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool DirectoryIsWritable(const std::string& path) override;
    std::vector<std::string> GetDirectoryContents(const std::string& path) override;
    std::vector<std::string> GetDirectoryFiles(const std::string& path) override;
    std::string ReadStringFromFile(const std::string& path) override;
    char GetPathSeparatorChar() override;
    std::string GetPathSeparator() override;
};

}  // namespace NuvraMobile
