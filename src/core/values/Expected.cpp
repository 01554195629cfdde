#include "core/values/Expected.h"

namespace NuvraMobile::ExpectedInternal {

void ThrowValueNotAvailable() {
    throw SdkError("std.bad_cast", "Value type not available.", CurrentDebugInfo());
}

void ThrowErrorNotAvailable() {
    throw SdkError("std.bad_cast", "Error type not available.", CurrentDebugInfo());
}

}  // namespace NuvraMobile::ExpectedInternal
