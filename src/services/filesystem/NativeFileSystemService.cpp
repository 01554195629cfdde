#include "services/filesystem/NativeFileSystemService.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/values/SdkError.h"
#include "services/filesystem/FileHandlerImpl.h"
#include "util/Log.h"
#include "util/Utf8.h"

namespace NuvraMobile {

namespace fs = std::filesystem;

namespace {

// A relative path is read against the process's current directory; an empty one is that directory.
fs::path GetAbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return fs::path(path);
    }
    std::error_code error;
    fs::path current = fs::current_path(error);
    return path.empty() ? current : current / path;
}

[[noreturn]] void ThrowFileSystemError(const std::string& description) {
    Throw(SdkError(NativeFileSystemService::ERROR_CODE, description, CurrentDebugInfo()));
}

fs::file_status StatusOf(const fs::path& path) {
    std::error_code ignored;
    return fs::status(path, ignored);
}

struct RemovalMessages {
    const char* failed;
    const char* failedWithoutError;
    const char* removed;
};

// Removes the entry at `absolute`; the log lines name `path` as the caller gave it.
bool RemoveEntry(const fs::path& absolute, const std::string& path, const RemovalMessages& messages) {
    std::error_code error;
    bool removed = fs::remove(absolute, error);
    if (error) {
        Log::Error(NativeFileSystemService::LOG_TAG, messages.failed, path, error.message());
        ThrowFileSystemError(error.message());
    }
    if (!removed) {
        Log::Debug(NativeFileSystemService::LOG_TAG, messages.failedWithoutError, path);
        return false;
    }
    Log::Debug(NativeFileSystemService::LOG_TAG, messages.removed, path);
    return true;
}

std::vector<std::string> GetPathContents(const std::string& path, bool filesOnly) {
    std::vector<std::string> entries;
    fs::path root = GetAbsolutePath(path);
    std::error_code error;
    fs::recursive_directory_iterator walker(root, error);
    for (fs::recursive_directory_iterator end; !error && walker != end; walker.increment(error)) {
        std::error_code typeError;
        if (filesOnly && walker->symlink_status(typeError).type() != fs::file_type::regular) {
            continue;
        }
        entries.push_back(walker->path().lexically_relative(root).generic_string());
    }
    return entries;
}

}  // namespace

std::shared_ptr<FileSystemServiceInterface> CreateNativeFileSystemService() {
    return std::make_shared<NativeFileSystemService>();
}

std::shared_ptr<FileHandlerInterface> NativeFileSystemService::CreateFileHandler(const std::string& path) {
    return CreateNativeFileHandler(path);
}

bool NativeFileSystemService::MakeDirectory(const std::string& path) {
    fs::path absolute = GetAbsolutePath(path);
    fs::file_status status = StatusOf(absolute);
    if (fs::is_directory(status)) {
        return true;
    }
    if (fs::exists(status)) {
        Log::Debug(LOG_TAG, "Can't create directory %s because it is already a file", path);
        return false;
    }
    std::error_code error;
    bool created = fs::create_directories(absolute, error);
    if (error) {
        ThrowFileSystemError(error.message());
    }
    if (!created) {
        Log::Debug(LOG_TAG, "Failed to create directory %s but no error returned", path);
    }
    return created;
}

bool NativeFileSystemService::Rename(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::rename(GetAbsolutePath(from), GetAbsolutePath(to), error);
    if (error) {
        Log::Debug(LOG_TAG, "Can't rename %s to %s (%s)", from, to, error.message());
    }
    return !error;
}

bool NativeFileSystemService::DeleteDirectory(const std::string& path) {
    fs::path absolute = GetAbsolutePath(path);
    fs::file_status status = StatusOf(absolute);
    if (!fs::exists(status)) {
        return true;
    }
    if (!fs::is_directory(status)) {
        Log::Debug(LOG_TAG, "Can't delete directory %s because it is a file", path);
        return false;
    }
    if (!GetDirectoryContents(path).empty()) {
        Log::Debug(LOG_TAG, "Can't delete directory %s because it has files", path);
        return false;
    }
    return RemoveEntry(absolute, path,
                       {"Failed to delete directory %s:\n%s",
                        "Failed to delete directory %s but no error returned", "Deleted directory: %s"});
}

bool NativeFileSystemService::DeleteFile(const std::string& path) {
    fs::path absolute = GetAbsolutePath(path);
    fs::file_status status = StatusOf(absolute);
    if (!fs::exists(status)) {
        return true;
    }
    if (fs::is_directory(status)) {
        Log::Debug(LOG_TAG, "Can't delete %s because it is a directory", path);
        return false;
    }
    return RemoveEntry(absolute, path,
                       {"Failed to delete file %s:\n%s", "Failed to delete file %s but no error returned",
                        "Deleted file successfully: %s"});
}

bool NativeFileSystemService::IsDirectory(const std::string& path) {
    return fs::is_directory(StatusOf(GetAbsolutePath(path)));
}

bool NativeFileSystemService::DirectoryExists(const std::string& path) { return IsDirectory(path); }

bool NativeFileSystemService::DirectoryIsWritable(const std::string& path) {
    return ::access(GetAbsolutePath(path).c_str(), W_OK) == 0;
}

std::vector<std::string> NativeFileSystemService::GetDirectoryContents(const std::string& path) {
    return GetPathContents(path, false);
}

std::vector<std::string> NativeFileSystemService::GetDirectoryFiles(const std::string& path) {
    return GetPathContents(path, true);
}

std::string NativeFileSystemService::ReadStringFromFile(const std::string& path) {
    if (path.empty()) {
        Log::Debug(LOG_TAG, "Failed to read file. File path parameter is empty.");
        return "";
    }
    if (fs::is_directory(StatusOf(path))) {
        ThrowFileSystemError(std::make_error_code(std::errc::is_a_directory).message());
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ThrowFileSystemError(std::error_code(errno, std::generic_category()).message());
    }
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        ThrowFileSystemError(std::make_error_code(std::errc::io_error).message());
    }
    if (!IsValidUtf8(text)) {
        ThrowFileSystemError("The file is not valid UTF-8 text.");
    }
    return text;
}

char NativeFileSystemService::GetPathSeparatorChar() { return '/'; }

std::string NativeFileSystemService::GetPathSeparator() { return std::string(1, GetPathSeparatorChar()); }

}  // namespace NuvraMobile
