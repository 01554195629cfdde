#pragma once

#include <cstdint>
#include <string>

namespace NuvraMobile {

/** The cross-platform wrapper the SDK runs in, if any; 1 is the one named wrapper. */
enum class WrapperType : std::int32_t { NONE = 0, REACT_NATIVE = 1 };

/**
 * Holds the wrapper type that a cross-platform wrapper may set and builds the SDK version string from it:
 * "2.3.5", followed by "-" and the wrapper's name when a wrapper is set. Safe to call from any thread.
 */
class ExtensionVersionManager {
public:
    static constexpr const char* SDK_VERSION = "2.3.5";

    static void SetWrapperType(WrapperType wrapperType);
    static std::string GetSdkVersion();
};

}  // namespace NuvraMobile
