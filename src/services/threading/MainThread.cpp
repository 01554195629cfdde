#include "services/threading/MainThread.h"

#include <unistd.h>

namespace NuvraMobile {

// The kernel gives the process's first thread the process's own id.
bool IsMainThread() { return gettid() == getpid(); }

}  // namespace NuvraMobile
