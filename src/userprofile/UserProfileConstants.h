#pragma once

namespace NuvraMobile {

/** The vocabulary of the User profile module and its attribute store. */
namespace UserProfileConstants {

namespace EventDataKeys {
namespace UserProfile {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.userProfile";
/** Request data: the map of attributes to set (a null value removes its key). */
constexpr const char* UPDATE_DATA_KEY = "userprofileupdatekey";
/** Request data: the key to remove. */
constexpr const char* REMOVE_DATA_KEY = "userprofileremovekey";
/** Published data: the whole attribute map. */
constexpr const char* USERPROFILE_DATA_KEY = "userprofiledata";
// Keys of a "csp" consequence's detail.
constexpr const char* CONSEQUENCE_OPERATION = "operation";
constexpr const char* CONSEQUENCE_KEY = "key";
constexpr const char* CONSEQUENCE_VALUE = "value";
}  // namespace UserProfile

namespace RulesEngine {
constexpr const char* CONSEQUENCE_TRIGGERED = "triggeredconsequence";
}  // namespace RulesEngine
}  // namespace EventDataKeys

constexpr const char* CONSEQUENCE_OPERATION_WRITE = "write";
constexpr const char* CONSEQUENCE_OPERATION_DELETE = "delete";

// Message-interaction keys whose written value is a message id to count.
constexpr const char* NUVRA_MESSAGE_TRIGGERED = "a.triggered";
constexpr const char* NUVRA_MESSAGE_VIEWED = "a.viewed";
constexpr const char* NUVRA_MESSAGE_CLICKED = "a.clicked";

constexpr const char* USER_PROFILE_DATASTORE_NAME = "NVBUserProfile";
/** The attributes as the text of one JSON object. */
constexpr const char* KEY_USER_PROFILE = "user_profile";
/** Stored text that could not be read, kept so that no attribute is silently lost. */
constexpr const char* KEY_USER_PROFILE_BACKUP = "user_profile_unreadable";

}  // namespace UserProfileConstants

}  // namespace NuvraMobile
