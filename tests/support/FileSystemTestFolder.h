#pragma once

#include <string>

namespace NuvraMobile {

/** A fresh folder under the system's temporary folder, removed with everything in it on destruction. */
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

}  // namespace NuvraMobile
