#pragma once

#include <string>

namespace NuvraMobile {

/** A fresh folder under the system's temporary folder, removed with everything in it on destruction. */
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path_; }
    /** Path() + "/" + name. */
    std::string Join(const std::string& name) const;

private:
    std::string path_;
};

/** Writes `bytes` to the file at `path`, replacing it. */
void WriteFileBytes(const std::string& path, const std::string& bytes);
/** The whole content of the file at `path`; empty when it cannot be read. */
std::string ReadFileBytes(const std::string& path);

}  // namespace NuvraMobile
