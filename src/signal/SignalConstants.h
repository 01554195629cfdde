#pragma once

#include <cstdint>

namespace NuvraMobile {

/** The vocabulary of the Signal module: consequence types, detail keys and the keys it reads elsewhere. */
namespace SignalConstants {

constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.signal";
constexpr const char* LOG_PREFIX = SHARED_STATE_NAME;

// Keys of a "pb" or "pii" consequence's detail; compared byte for byte.
constexpr const char* TEMPLATE_CALLBACK_URL = "templateurl";
constexpr const char* TEMPLATE_CALLBACK_BODY = "templatebody";
constexpr const char* TEMPLATE_CALLBACK_CONTENT_TYPE = "contenttype";
constexpr const char* TEMPLATE_CALLBACK_TIMEOUT = "timeout";
/** Seconds, when the detail gives no usable timeout. */
constexpr std::int64_t TEMPLATE_TIMEOUT_DEFAULT = 2;
/** Seconds; a larger timeout would hold every later postback back for that long. */
constexpr std::int64_t TEMPLATE_TIMEOUT_MAX = 60;

constexpr const char* RULES_CONSEQUENCE_TYPE_POSTBACKS = "pb";
constexpr const char* RULES_CONSEQUENCE_TYPE_PII = "pii";
constexpr const char* RULES_CONSEQUENCE_TYPE_OPEN_URL = "url";
/** Detail key of a "url" consequence. */
constexpr const char* OPENURL_URL = "url";
/** Event-data key of the PII map that the public API sends. */
constexpr const char* CONTEXT_DATA = "contextdata";

namespace Configuration {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.configuration";
constexpr const char* GLOBAL_CONFIG_PRIVACY = "global.privacy";
}  // namespace Configuration

namespace RulesEngine {
constexpr const char* CONSEQUENCE_TRIGGERED = "triggeredconsequence";
}  // namespace RulesEngine

}  // namespace SignalConstants

}  // namespace NuvraMobile
