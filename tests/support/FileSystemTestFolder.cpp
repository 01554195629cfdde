#include "support/FileSystemTestFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace NuvraMobile {

namespace fs = std::filesystem;

namespace {

// Gives the owner every permission on `path` and, for a folder, on everything inside, so that it can be
// removed; links are not followed.
void RestoreOwnerPermissions(const fs::path& path) {
    std::error_code ignored;
    if (fs::is_symlink(fs::symlink_status(path, ignored))) {
        return;
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    if (!fs::is_directory(fs::symlink_status(path, ignored))) {
        return;
    }
    for (const auto& entry : fs::directory_iterator(path, ignored)) {
        RestoreOwnerPermissions(entry.path());
    }
}

}  // namespace

FileSystemTestFolder::FileSystemTestFolder() {
    std::string pattern = (fs::temp_directory_path() / "nvr-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

FileSystemTestFolder::~FileSystemTestFolder() {
    RestoreOwnerPermissions(path_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string FileSystemTestFolder::PathOf(const std::string& relative) const { return path_ + "/" + relative; }

void FileSystemTestFolder::WriteFile(const std::string& relative, const std::string& content) const {
    WriteFileBytes(PathOf(relative), content);
}

std::string FileSystemTestFolder::ReadFile(const std::string& relative) const {
    return ReadFileBytes(PathOf(relative));
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    const fs::path file = path;
    std::error_code ignored;
    fs::create_directories(file.parent_path(), ignored);
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

std::vector<std::string> FilesBesideDatabases(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        for (const std::string suffix : {"-wal", "-shm", "-journal"}) {
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                found.push_back(name);
            }
        }
    }
    return found;
}

}  // namespace NuvraMobile
