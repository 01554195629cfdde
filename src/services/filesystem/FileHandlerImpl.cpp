#include "services/filesystem/FileHandlerImpl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace NuvraMobile {

namespace {
// Repeats `step` (one read or write of up to `left` bytes after the `done` ones) until `count` bytes
// have moved, the file ends or an error stops it; answers how far the offset advanced.
template <typename Step>
std::uint32_t TransferAll(std::uint32_t count, Step step) {
    std::uint32_t done = 0;
    while (done < count) {
        ssize_t moved = step(done, count - done);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            break;
        }
        done += static_cast<std::uint32_t>(moved);
    }
    return done;
}
}  // namespace

std::shared_ptr<FileHandlerInterface> CreateNativeFileHandler(const std::string& path) {
    return std::make_shared<FileHandlerImpl>(path);
}

FileHandlerImpl::FileHandlerImpl(std::string path) : path_(std::move(path)) {}

FileHandlerImpl::~FileHandlerImpl() { Close(); }

std::uint64_t FileHandlerImpl::Size() {
    struct stat attributes {};
    if (path_.empty() || ::stat(path_.c_str(), &attributes) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(attributes.st_size);
}

std::int64_t FileHandlerImpl::LastModified() {
    struct stat attributes {};
    if (path_.empty() || ::stat(path_.c_str(), &attributes) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(attributes.st_mtim.tv_sec) * 1000000;
}

bool FileHandlerImpl::OpenForReading() { return Open(O_RDONLY); }

bool FileHandlerImpl::OpenForWriting() { return Open(O_WRONLY | O_CREAT | O_TRUNC); }

bool FileHandlerImpl::Open(int flags) {
    Close();
    if (path_.empty()) {
        return false;
    }
    descriptor_ = ::open(path_.c_str(), flags | O_CLOEXEC, 0644);
    return descriptor_ >= 0;
}

bool FileHandlerImpl::MoveToOffset(std::uint64_t offset) {
    if (descriptor_ < 0) {
        return false;
    }
    return ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::uint32_t FileHandlerImpl::Write(std::uint32_t count, const void* bytes) {
    if (descriptor_ < 0 || bytes == nullptr) {
        return 0;
    }
    const auto* data = static_cast<const char*>(bytes);
    return TransferAll(count, [&](std::uint32_t done, std::uint32_t left) {
        return ::write(descriptor_, data + done, left);
    });
}

std::uint32_t FileHandlerImpl::Read(std::uint32_t count, void* buffer) {
    if (descriptor_ < 0 || buffer == nullptr) {
        return 0;
    }
    auto* data = static_cast<char*>(buffer);
    return TransferAll(count, [&](std::uint32_t done, std::uint32_t left) {
        return ::read(descriptor_, data + done, left);
    });
}

bool FileHandlerImpl::Close() {
    if (descriptor_ < 0) {
        return false;
    }
    ::close(descriptor_);
    descriptor_ = -1;
    return true;
}

}  // namespace NuvraMobile
