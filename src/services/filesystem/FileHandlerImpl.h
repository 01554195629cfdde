#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/FileHandlerInterface.h"

namespace NuvraMobile {

/** A handler for `path`; no file is opened and no test is made. */
std::shared_ptr<FileHandlerInterface> CreateNativeFileHandler(const std::string& path);

/**
 * One file over a POSIX descriptor. An empty path stands for no file: every operation then answers
 * false or 0. Destroying the handler closes a file still open. One user at a time.
 */
class FileHandlerImpl : public Object, public virtual FileHandlerInterface {
public:
    explicit FileHandlerImpl(std::string path);
    ~FileHandlerImpl() override;
    FileHandlerImpl(const FileHandlerImpl&) = delete;
    FileHandlerImpl& operator=(const FileHandlerImpl&) = delete;

    std::uint64_t Size() override;
    std::int64_t LastModified() override;
    bool OpenForReading() override;
    bool OpenForWriting() override;
    bool MoveToOffset(std::uint64_t offset) override;
    std::uint32_t Write(std::uint32_t count, const void* bytes) override;
    std::uint32_t Read(std::uint32_t count, void* buffer) override;
    bool Close() override;

private:
    bool Open(int flags);

    const std::string path_;
    int descriptor_ = -1;
};

}  // namespace NuvraMobile
