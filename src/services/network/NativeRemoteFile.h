#pragma once

#include <string>

#include "core/values/Object.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * A file of the download cache. Its text is read from disk at most once, on first demand, and kept for
 * the object's lifetime (a missing, unreadable or non-UTF-8 file keeps the empty text). Any thread may call.
 */
class NativeRemoteFile : public Object, public virtual RemoteFileInterface {
public:
    explicit NativeRemoteFile(std::string path);

    /** The plain file-system path, without a scheme. */
    std::string ToUri() const override;
    std::string ReadJsonStringFromFile() const override;

private:
    const std::string path_;
    mutable Mutex mutex_;
    mutable std::string contents_ NVR_GUARDED_BY(mutex_);
    mutable bool loaded_ NVR_GUARDED_BY(mutex_) = false;
};

}  // namespace NuvraMobile
