#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/FileSystemServiceInterface.h"

namespace NuvraMobile {

/**
 * A file system over a real one whose file writes fail once a budget of bytes is spent, as on a disk
 * that fills up: the write that crosses the budget stores only what fits and answers the shorter count,
 * later writes store nothing. Everything else goes to the real file system. Thread-safe; the budget is
 * shared by every file handler the service hands out.
 */
class FaultInjectingFileSystemService : public Object, public virtual FileSystemServiceInterface {
public:
    explicit FaultInjectingFileSystemService(std::shared_ptr<FileSystemServiceInterface> target);

    /** From now on at most `bytes` more bytes are written. */
    void FailWritesAfter(std::uint64_t bytes);
    /** Writes succeed again. */
    void Clear();
    /** Bytes written through this service so far. */
    std::uint64_t BytesWritten() const;

    /** Takes up to `count` bytes from the budget; answers how many may be written. */
    std::uint32_t Reserve(std::uint32_t count);

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

private:
    const std::shared_ptr<FileSystemServiceInterface> target_;
    mutable std::mutex mutex_;
    std::uint64_t budget_ = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t written_ = 0;
};

}  // namespace NuvraMobile
