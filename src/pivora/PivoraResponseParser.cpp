#include "pivora/PivoraResponseParser.h"

#include "core/values/SdkError.h"
#include "pivora/PivoraConstants.h"
#include "pivora/PivoraJson.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "util/HttpConnectionConstants.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Json = PivoraJson;
using PivoraConstants::LOG_PREFIX;

PivoraResponseParser::PivoraResponseParser(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService)
    : jsonUtilityService_(std::move(jsonUtilityService)) {}

std::shared_ptr<JsonObject> PivoraResponseParser::ParseResponseToJson(
    const std::shared_ptr<HttpConnectionInterface>& connection) {
    // The status first: an error answer's body, empty or not, says less than its status.
    const int32_t code = connection->GetResponseCode();
    if (code != HttpConnectionConstants::HTTP_OK) {
        Log::Error(LOG_PREFIX, "Response code (%d) from Pivora server was invalid", code);
        return nullptr;
    }
    const std::string body = connection->GetResponse();
    if (body.empty()) {
        LogEmptyResponse(*connection);
        return nullptr;
    }
    std::shared_ptr<JsonObject> response;
    TryCatch([&] { response = jsonUtilityService_->CreateJsonObject(body); },
             [&](SdkError& error) {
                 Log::Debug(LOG_PREFIX, "Unable to parse Pivora Response:\n%s\nError - %s %s", body, error.GetCode(),
                            error.GetMessage());
             });
    if (response) {
        Log::Debug(LOG_PREFIX, "Pivora response was received (%s)", body);
        return response;
    }
    Log::Error(LOG_PREFIX, "Invalid json response (%s)", connection->GetResponseMessage());
    return nullptr;
}

// The connection gives no text for a body that is not UTF-8: the raw bytes tell the two apart.
void PivoraResponseParser::LogEmptyResponse(const HttpConnectionInterface& connection) {
    const auto raw = connection.GetResponseRawData();
    if (raw && raw->GetSize() > 0) {
        Log::Error(LOG_PREFIX, "Response of %d bytes was not UTF-8", raw->GetSize());
    } else {
        Log::Error(LOG_PREFIX, "Response was empty");
    }
}

PivoraResponseParser::MboxMap PivoraResponseParser::ExtractPrefetchedMboxes(const std::shared_ptr<JsonObject>& response) {
    return GetMboxesFromKey(response, Json::PREFETCH);
}

PivoraResponseParser::MboxMap PivoraResponseParser::ExtractBatchedMBoxes(const std::shared_ptr<JsonObject>& response) {
    return GetMboxesFromKey(response, Json::EXECUTE);
}

PivoraResponseParser::MboxMap PivoraResponseParser::GetMboxesFromKey(const std::shared_ptr<JsonObject>& response,
                                                                     std::string key) {
    MboxMap mboxes;
    const auto block = response ? response->OptJsonObject(key) : nullptr;
    if (!block) {
        return mboxes;
    }
    const auto items = block->OptJsonArray(Json::MBOXES);
    if (!items) {
        Log::Warning(LOG_PREFIX, "Empty or invalid json array under %s", key);
        return mboxes;
    }
    for (uint32_t index = 0; index < items->Length(); ++index) {
        TryCatch(
            [&] {
                auto mbox = items->GetJsonObject(index);
                const std::string name = mbox->OptString(Json::Mbox::NAME, "");
                if (name.empty()) {
                    return;
                }
                const std::string errorType = mbox->OptString(Json::Mbox::ERROR_TYPE, "");
                if (!errorType.empty()) {
                    Log::Warning(LOG_PREFIX, "Received error code %s for mbox %s.", errorType, name);
                    mbox->PutString(Json::Mbox::CONTENT, "");
                }
                mboxes[name] = std::move(mbox);
            },
            [](SdkError&) { Log::Warning(LOG_PREFIX, "Invalid mbox item"); });
    }
    return mboxes;
}

std::string PivoraResponseParser::ExtractPrefetchedViews(const std::shared_ptr<JsonObject>& response) {
    const auto prefetch = response ? response->OptJsonObject(Json::PREFETCH) : nullptr;
    const auto views = prefetch ? prefetch->OptJsonArray(Json::VIEWS) : nullptr;
    return views ? views->ToString() : "";
}

std::string PivoraResponseParser::GetQtxId(const std::shared_ptr<JsonObject>& response) {
    const auto id = response ? response->OptJsonObject(Json::ID) : nullptr;
    return id ? id->OptString(Json::ID_QTX_ID, "") : "";
}

std::string PivoraResponseParser::GetEdgeHost(const std::shared_ptr<JsonObject>& response) {
    return response ? response->OptString(Json::EDGE_HOST, "") : "";
}

std::string PivoraResponseParser::GetErrorMessage(const std::shared_ptr<JsonObject>& response) {
    return response ? response->OptString(Json::MESSAGE, "") : "";
}

PivoraResponseParser::StringMap PivoraResponseParser::GetErrorTypesForMboxes(const MboxMap& mboxes) {
    StringMap errorTypes;
    for (const auto& [name, mbox] : mboxes) {
        const std::string errorType = mbox ? mbox->OptString(Json::Mbox::ERROR_TYPE, "") : "";
        if (!errorType.empty()) {
            errorTypes[name] = errorType;
            Log::Error(LOG_PREFIX, "Error occured in prefetching mbox %s : %s", name, errorType);
        }
    }
    return errorTypes;
}

PivoraResponseParser::StringMap PivoraResponseParser::GetAnalyticsForPivoraPayload(
    const std::shared_ptr<JsonObject>& mbox) {
    StringMap payload;
    const auto analytics = mbox ? mbox->OptJsonObject(Json::ANALYTICS) : nullptr;
    const auto payloadObject = analytics ? analytics->OptJsonObject(Json::ANALYTICS_PAYLOAD) : nullptr;
    if (!payloadObject) {
        return payload;
    }
    for (auto& [key, value] : jsonUtilityService_->MapFromJsonObject(payloadObject)) {
        if (!key.empty()) {
            payload.emplace("&&" + key, std::move(value));
        }
    }
    return payload;
}

std::string PivoraResponseParser::ExtractMboxContent(const std::shared_ptr<JsonObject>& mbox) {
    std::string content;
    const auto options = mbox ? mbox->OptJsonArray(Json::OPTIONS) : nullptr;
    for (uint32_t index = 0; options && index < options->Length(); ++index) {
        const auto option = options->OptJsonObject(index);
        if (!option) {
            continue;
        }
        const std::string type = option->OptString(Json::Option::TYPE, "");
        if (type == Json::Option::TYPE_HTML) {
            content += option->OptString(Json::Option::CONTENT, "");
        } else if (type == Json::Option::TYPE_JSON) {
            if (const auto json = option->OptJsonObject(Json::Option::CONTENT)) {
                content += json->ToString();
            }
        }
    }
    return content;
}

std::vector<std::shared_ptr<JsonObject>> PivoraResponseParser::GetNotificationsNeedRetry(
    const std::shared_ptr<JsonObject>& response) {
    std::vector<std::shared_ptr<JsonObject>> notifications;
    const auto errors = response ? response->OptJsonArray(Json::NOTIFICATION_ERRORS) : nullptr;
    for (uint32_t index = 0; errors && index < errors->Length(); ++index) {
        TryCatch(
            [&] {
                if (errors->GetType(index) == JsonType::JSON_NULL) {
                    return;
                }
                const auto item = errors->GetJsonObject(index);
                if (item->OptString(Json::ERROR_CODE, "") == Json::ERROR_CODE_TIME_OUT) {
                    notifications.push_back(item->GetJsonObject(Json::NOTIFICATION));
                }
            },
            [](SdkError&) { Log::Warning(LOG_PREFIX, "Invalid notification error item"); });
    }
    return notifications;
}

}  // namespace NuvraMobile
