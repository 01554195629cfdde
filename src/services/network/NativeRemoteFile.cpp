#include "services/network/NativeRemoteFile.h"

#include "services/system/FileIo.h"
#include "util/Utf8.h"

namespace NuvraMobile {

NativeRemoteFile::NativeRemoteFile(std::string path) : path_(std::move(path)) {}

std::string NativeRemoteFile::ToUri() const { return path_; }

std::string NativeRemoteFile::ReadJsonStringFromFile() const {
    MutexLock lock(mutex_);
    if (!loaded_) {
        std::string failure;
        std::string bytes = ReadWholeFile(path_, failure).value_or("");
        contents_ = IsValidUtf8(bytes) ? std::move(bytes) : std::string();
        loaded_ = true;
    }
    return contents_;
}

}  // namespace NuvraMobile
