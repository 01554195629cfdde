#include "services/filesystem/DirectoryHandlerImpl.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "services/filesystem/FileHandlerImpl.h"
#include "services/system/AppFolders.h"

namespace NuvraMobile {

namespace fs = std::filesystem;

namespace {

// An existing directory passes, an existing file fails, a missing folder is created with its parents.
bool EnsurePathExists(const std::string& folder) {
    std::error_code error;
    fs::file_status status = fs::status(folder, error);
    if (fs::exists(status)) {
        return fs::is_directory(status);
    }
    fs::create_directories(folder, error);
    return !error && fs::is_directory(fs::status(folder, error));
}

}  // namespace

std::shared_ptr<DirectoryHandlerInterface> DirectoryHandlerInterface::CreateFromPath(
    const std::string& path) {
    return std::make_shared<DirectoryHandlerImpl>(path);
}

std::shared_ptr<DirectoryHandlerInterface> DirectoryHandlerInterface::CreateFromDefaultCache() {
    return CreateFromPath(GetDefaultCacheDirectory());
}

std::string DirectoryHandlerInterface::GetDefaultCacheDirectory() {
    std::string directory = AppFolders::GetCacheDirectory();
    if (!directory.empty()) {
        EnsurePathExists(directory);
    }
    return directory;
}

DirectoryHandlerImpl::DirectoryHandlerImpl(std::string path) : path_(std::move(path)) {}

std::string DirectoryHandlerImpl::StandardizePath(const std::string& base, const std::string& name) {
    std::string joined = base.empty() ? name : name.empty() ? base : base + "/" + name;
    bool absolute = !joined.empty() && joined.front() == '/';
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        std::string component = joined.substr(start, end - start);
        if (component == "..") {
            if (!components.empty() && components.back() != "..") {
                components.pop_back();
            } else if (!absolute) {
                components.push_back(component);
            }
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }
    std::string path = absolute ? "/" : "";
    for (size_t i = 0; i < components.size(); ++i) {
        path += (i == 0 ? "" : "/") + components[i];
    }
    return path;
}

std::string DirectoryHandlerImpl::GetPath() { return path_; }

bool DirectoryHandlerImpl::MoveToSubDirectory(const std::string& name, bool create) {
    std::string next = StandardizePath(path_, name);
    if (create && !EnsurePathExists(next)) {
        return false;
    }
    path_ = next;
    return true;
}

bool DirectoryHandlerImpl::MoveToParentDirectory() {
    path_ = StandardizePath(path_, "..");
    return true;
}

std::shared_ptr<FileHandlerInterface> DirectoryHandlerImpl::CreateFileHandlerInDirectory(
    const std::string& name) {
    std::string filePath = StandardizePath(path_, name);
    if (!EnsurePathExists(StandardizePath(filePath, ".."))) {
        return nullptr;
    }
    return CreateNativeFileHandler(filePath);
}

}  // namespace NuvraMobile
