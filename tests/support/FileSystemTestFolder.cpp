#include "support/FileSystemTestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace NuvraMobile {

namespace fs = std::filesystem;

FileSystemTestFolder::FileSystemTestFolder() {
    std::string pattern = (fs::temp_directory_path() / "nvr-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = buffer.data();
}

FileSystemTestFolder::~FileSystemTestFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string FileSystemTestFolder::PathOf(const std::string& relative) const { return path_ + "/" + relative; }

void FileSystemTestFolder::WriteFile(const std::string& relative, const std::string& content) const {
    fs::path file = PathOf(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

std::string FileSystemTestFolder::ReadFile(const std::string& relative) const {
    std::ifstream file(PathOf(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace NuvraMobile
