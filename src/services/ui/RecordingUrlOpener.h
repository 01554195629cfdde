#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "services/ui/UrlOpenerInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/** The default URL opener: it records the URLs it is asked to open and opens nothing. Thread-safe. */
class RecordingUrlOpener : public Object, public virtual UrlOpenerInterface {
public:
    bool Open(const std::string& url) override;

    std::vector<std::string> GetOpenedUrls() const;

private:
    mutable Mutex mutex_;
    std::vector<std::string> opened_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
