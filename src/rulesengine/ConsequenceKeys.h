#pragma once

namespace NuvraMobile {

/** The keys of a consequence record inside the data of a consequence event. */
namespace ConsequenceKeys {
constexpr const char* CONSEQUENCE_TRIGGERED = "triggeredconsequence";
constexpr const char* CONSEQUENCE_ID = "id";
constexpr const char* CONSEQUENCE_TYPE = "type";
constexpr const char* CONSEQUENCE_DETAIL = "detail";
constexpr const char* CONSEQUENCE_ASSETS_PATH = "assetsPath";
}  // namespace ConsequenceKeys

}  // namespace NuvraMobile
