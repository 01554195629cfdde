#pragma once

#include <functional>
#include <string>

namespace NuvraMobile {

// The error codes of the extension classes and the guard that turns core errors into them. Plain C++:
// only a C++ frame can catch a C++ exception on this Objective-C runtime. No state; any thread.

/** The extension error code of a core error code; codes the extension API does not name give 0. */
long GetNVRExtensionErrorFromErrorCodes(const std::string& errorCode);

/**
 * Runs `call`. When it throws (a core error, any other C++ exception or an Objective-C exception),
 * its extension error code is stored in `errorCode` and false returned.
 */
bool CallMappingErrors(const std::function<void()>& call, long& errorCode);

}  // namespace NuvraMobile
