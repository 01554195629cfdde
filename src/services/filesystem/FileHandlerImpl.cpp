#include "services/filesystem/FileHandlerImpl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace NuvraMobile {

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
    const auto* next = static_cast<const char*>(bytes);
    std::uint32_t written = 0;
    while (written < count) {
        ssize_t step = ::write(descriptor_, next + written, count - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            break;
        }
        written += static_cast<std::uint32_t>(step);
    }
    return written;
}

std::uint32_t FileHandlerImpl::Read(std::uint32_t count, void* buffer) {
    if (descriptor_ < 0 || buffer == nullptr) {
        return 0;
    }
    auto* next = static_cast<char*>(buffer);
    std::uint32_t read = 0;
    while (read < count) {
        ssize_t step = ::read(descriptor_, next + read, count - read);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            break;
        }
        read += static_cast<std::uint32_t>(step);
    }
    return read;
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
