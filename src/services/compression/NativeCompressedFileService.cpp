#include "services/compression/NativeCompressedFileService.h"

#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "core/values/SdkError.h"
#include "services/compression/ZipFile.h"
#include "services/compression/ZipFormat.h"

namespace NuvraMobile {

namespace {

namespace fs = std::filesystem;
using ZipFormat::ErrorCodes::CORRUPTED;
using ZipFormat::ErrorCodes::DECOMPRESSION_FAILED;
using ZipFormat::ErrorCodes::WRITE_FAILED;

// The components of an entry name; backslashes count as separators too, as archives made on other
// systems use them.
std::vector<std::string> NameComponents(const std::string& name) {
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = name.find_first_of("/\\", start);
        const std::size_t stop = end == std::string::npos ? name.size() : end;
        components.push_back(name.substr(start, stop - start));
        start = stop + 1;
    }
    return components;
}

// A name may only lead below the destination: not absolute, no ".." component, no NUL byte; and a file
// needs a name of its own, not one that stands for the destination folder itself.
bool IsSafeName(const ZipCompressedFile& entry) {
    const std::string& name = entry.FileName();
    const bool absolute =
        !name.empty() && (name[0] == '/' || name[0] == '\\' || (name.size() >= 2 && name[1] == ':'));
    if (absolute || name.find('\0') != std::string::npos) {
        return false;
    }
    bool hasOwnName = false;
    for (const auto& component : NameComponents(name)) {
        if (component == "..") {
            return false;
        }
        hasOwnName = hasOwnName || (!component.empty() && component != ".");
    }
    return hasOwnName || entry.IsDirectory();
}

void CheckEntries(const ZipFile& archive) {
    std::uint64_t totalBytes = 0;
    for (const auto& entry : archive.GetEntries()) {
        if (!IsSafeName(entry)) {
            Throw(CORRUPTED, "Entry name leads outside the destination: " + entry.FileName());
        }
        if (entry.IsSymbolicLink()) {
            Throw(CORRUPTED, "Symbolic link entries are not extracted: " + entry.FileName());
        }
        totalBytes += entry.DeclaredUncompressedSize();
        if (totalBytes > NativeCompressedFileService::MAX_EXTRACTED_BYTES) {
            Throw(DECOMPRESSION_FAILED, "Archive expands beyond " +
                                            std::to_string(NativeCompressedFileService::MAX_EXTRACTED_BYTES) +
                                            " bytes");
        }
    }
}

fs::path WithoutTrailingSeparators(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    return trimmed;
}

// A folder beside the destination that no other extraction uses.
fs::path StagingFolder(const fs::path& destination) {
    std::random_device random;
    const std::uint64_t tag = (static_cast<std::uint64_t>(random()) << 32) | random();
    return destination.parent_path() /
           ("." + destination.filename().string() + ".extracting-" + std::to_string(tag));
}

// Moves everything below `source` into `target`, replacing entries of the same name; folders merge.
void MergeInto(const fs::path& source, const fs::path& target) {
    for (const auto& entry : fs::directory_iterator(source)) {
        const fs::path destination = target / entry.path().filename();
        const bool isFolder = entry.is_directory();
        if (fs::exists(fs::symlink_status(destination)) &&
            (isFolder != fs::is_directory(destination) || fs::is_symlink(destination))) {
            fs::remove_all(destination);
        }
        if (isFolder && fs::exists(destination)) {
            MergeInto(entry.path(), destination);
        } else {
            fs::rename(entry.path(), destination);
        }
    }
}

void MoveIntoPlace(const fs::path& staging, const fs::path& destination) {
    if (!fs::exists(staging)) {
        return;
    }
    if (!fs::exists(destination)) {
        if (destination.has_parent_path()) {
            fs::create_directories(destination.parent_path());
        }
        fs::rename(staging, destination);
        return;
    }
    MergeInto(staging, destination);
    fs::remove_all(staging);
}

}  // namespace

bool NativeCompressedFileService::Extract(const std::string& archivePath, CompressedFileType type,
                                          const std::string& destinationPath) {
    if (type != CompressedFileType::ZIP) {
        return false;
    }
    if (destinationPath.empty()) {
        Throw(WRITE_FAILED, "No destination folder given");
    }
    ZipFile archive(archivePath);
    CheckEntries(archive);
    const fs::path destination = WithoutTrailingSeparators(destinationPath);
    const fs::path staging = StagingFolder(destination);
    try {
        for (const auto& entry : archive.GetEntries()) {
            entry.ExtractFile(staging.string());
        }
        MoveIntoPlace(staging, destination);
    } catch (const fs::filesystem_error& error) {
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        Throw(WRITE_FAILED,
              "Failed to move the extracted files into " + destination.string() + ": " + error.what());
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        throw;
    }
    return true;
}

std::shared_ptr<CompressedFileServiceInterface> CreateNativeCompressedFileService() {
    return std::make_shared<NativeCompressedFileService>();
}

}  // namespace NuvraMobile
