#pragma once

namespace NuvraMobile {

/** Event-data keys and values that the core and several modules share. */
namespace CoreConstants {

constexpr const char* CORE_VERSION = "0.1";
constexpr const char* SUFFIX_FOR_EACH_OBJECT = "[*]";

namespace EventDataKeys {
constexpr const char* SHARED_STATE_OWNER = "stateowner";

namespace Configuration {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.configuration";
constexpr const char* GLOBAL_CONFIG_PRIVACY = "global.privacy";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_JSON_APP_ID = "config.appId";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_JSON_FILE_PATH = "config.filePath";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG = "config.update";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_RETRIEVE_CONFIG = "config.getData";
constexpr const char* CONFIGURATION_RESPONSE_IDENTITY_ALL_IDENTIFIERS = "config.allidentifiers";
}  // namespace Configuration

namespace Identity {
constexpr const char* ADVERTISING_IDENTIFIER = "advertisingidentifier";
constexpr const char* PUSH_IDENTIFIER = "pushidentifier";
}  // namespace Identity

namespace Lifecycle {
constexpr const char* ADDITIONAL_CONTEXT_DATA = "additionalcontextdata";
constexpr const char* LIFECYCLE_ACTION_KEY = "action";
constexpr const char* LIFECYCLE_PAUSE = "pause";
constexpr const char* LIFECYCLE_START = "start";
}  // namespace Lifecycle

namespace RulesEngine {
constexpr const char* CONSEQUENCE_TRIGGERED = "triggeredconsequence";
constexpr const char* CONSEQUENCES_LOADED = "loadedconsequences";
constexpr const char* CONSEQUENCE_ID = "id";
constexpr const char* CONSEQUENCE_TYPE = "type";
constexpr const char* CONSEQUENCE_DETAIL = "detail";
constexpr const char* CONSEQUENCE_ASSETS_PATH = "assetsPath";
constexpr const char* RULES_REQUEST_CONTENT_DOWNLOAD_RULES = "downloadrules";
}  // namespace RulesEngine

namespace Signal {
constexpr const char* CONTEXT_DATA = "contextdata";
}  // namespace Signal
}  // namespace EventDataKeys

}  // namespace CoreConstants

}  // namespace NuvraMobile
