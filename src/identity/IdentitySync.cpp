#include <array>
#include <cstdint>
#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/Identity.h"
#include "identity/IdentityHitDatabase.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/UuidInterface.h"
#include "shared/UrlBuilder.h"
#include "util/Log.h"
#include "util/UrlEncoder.h"

// Identifier sync: the decision, the identifiers of one sync, the visitor id and the request URL.

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys::Identity;

namespace {

constexpr std::size_t kMidHalfDigits = 19;

/** Bytes [offset, offset + 8) read most significant first. */
std::uint64_t ReadBigEndian(const std::array<std::uint8_t, 16>& bytes, std::size_t offset) {
    std::uint64_t value = 0;
    for (std::size_t index = offset; index < offset + 8; ++index) {
        value = (value << 8) | bytes[index];
    }
    return value;
}

/**
 * The magnitude of the half read as a signed 64-bit number, computed unsigned so that the most negative
 * value gives 9223372036854775808; padded with zeros to 19 digits.
 */
std::string MidHalf(std::uint64_t bits) {
    const bool negative = (bits >> 63) != 0;
    const std::uint64_t magnitude = negative ? ~bits + 1 : bits;
    std::string digits = std::to_string(magnitude);
    if (digits.size() < kMidHalfDigits) {
        digits.insert(0, kMidHalfDigits - digits.size(), '0');
    }
    return digits;
}

/** "&key=value" appended to `query` (the "&" only between items). */
void AppendQueryItem(std::string& query, const std::string& item) {
    if (!query.empty()) {
        query += "&";
    }
    query += item;
}

}  // namespace

bool Identity::HandleSyncIdentifiers(const std::shared_ptr<Event>& event,
                                     const std::shared_ptr<ConfigurationSharedStateIdentity>& view) {
    if (view->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        Log::Debug(LOG_PREFIX, "Ignoring ID Sync due to privacy status opt out.");
        return true;
    }
    const auto configuration = !view->GetOrgId().empty() ? view : lastValidConfiguration_;
    if (!configuration) {
        return false;
    }
    if (configuration->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        Log::Debug(LOG_PREFIX, "Ignoring ID Sync due to privacy status opt out!");
        return true;
    }
    const auto data = event->GetData();
    const auto dpids = ExtractDpid(data);
    const auto identifiers = ExtractIdentifiers(data, configuration);
    const auto state = IntegerToVisitorIdAuthenticationState(data->OptInteger(Keys::AUTHENTICATION_STATE, 0));
    const bool force = data->OptBoolean(Keys::FORCE_SYNC, false);
    if (!ShouldSync(identifiers, dpids, force, configuration)) {
        Log::Debug(LOG_PREFIX, "Ignoring ID sync because nothing new to sync after the last sync.");
        return true;
    }
    const auto newIds = GenerateCustomerIds(identifiers, state);
    const auto url = BuildUrlString(newIds, dpids, configuration);
    SetCustomerIds(MergeCustomerIds(newIds));
    SavePersistently();
    CreateSharedState(event->GetEventNumber(), PackageEventData());
    if (const auto database = GetIdentityDatabase()) {
        database->Queue(url, configuration, event);
    }
    return true;
}

Identity::StringMap Identity::ExtractDpid(const std::shared_ptr<EventData>& data) {
    if (!data || !data->ContainsKey(Keys::PUSH_IDENTIFIER)) {
        return {};
    }
    const auto token = data->OptString(Keys::PUSH_IDENTIFIER, "");
    UpdatePushIdentifier(token);
    return {{Keys::SLPNS_DPID, token}};
}

Identity::StringMap Identity::ExtractIdentifiers(const std::shared_ptr<EventData>& data,
                                                 const std::shared_ptr<ConfigurationSharedStateIdentity>&) {
    StringMap identifiers;
    if (!data || data->IsEmpty()) {
        return identifiers;
    }
    data->GetStringMap(Keys::IDENTIFIERS, identifiers);
    if (!data->ContainsKey(Keys::ADVERTISING_IDENTIFIER)) {
        return identifiers;
    }
    TryCatch(
        [&] {
            const auto advertisingIdentifier = data->OptString(Keys::ADVERTISING_IDENTIFIER, "");
            const bool unchanged = advertisingIdentifier == advertisingIdentifier_;
            if (unchanged) {
                return;
            }
            // An empty value while one is stored withdraws it.
            identifiers[Keys::ADID_DSID] = advertisingIdentifier;
            UpdateAdvertisingIdentifier(advertisingIdentifier);
        },
        [](SdkError& error) {
            Log::Error(LOG_PREFIX, "Error updating the advertising identifier (%s)", error.GetMessage());
        });
    return identifiers;
}

bool Identity::ShouldSync(const StringMap& identifiers, const StringMap& dpids, bool forceSync,
                          const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    const bool canSync = configuration && configuration->CanSyncIdentifiersWithCurrentConfiguration();
    if (!canSync) {
        Log::Debug(LOG_PREFIX, "Ignoring ID Sync due to privacy status opt out OR missing OrgID.");
    }
    const bool expired = ttl_ < clock_() - lastSync_;
    const bool needed = expired || forceSync || !identifiers.empty() || !dpids.empty() || mid_.empty();
    if (!needed) {
        return false;
    }
    if (mid_.empty()) {
        mid_ = GenerateMID();
    }
    return canSync;
}

Identity::CustomerIds Identity::GenerateCustomerIds(const StringMap& identifiers,
                                                    VisitorIdAuthenticationState state) {
    CustomerIds ids;
    for (const auto& [type, id] : identifiers) {
        TryCatch(
            // Captured by name: C++17 lambdas cannot capture structured bindings.
            [&, &type = type, &id = id] {
                const auto idState = type == Keys::ADID_DSID ? VisitorIdAuthenticationState::AUTHENTICATED : state;
                ids.push_back(std::make_shared<VisitorId>(IdentityConstants::VISITOR_ID_PARAMETER_KEY_CUSTOMER, type,
                                                          id, idState));
            },
            [](SdkError& error) {
                Log::Debug(LOG_PREFIX, "Unable to create VisitorID object (%s)", error.GetMessage());
            });
    }
    return ids;
}

Identity::CustomerIds Identity::MergeCustomerIds(const CustomerIds& newIds) {
    CustomerIds merged = customerIds_;
    for (const auto& newId : newIds) {
        bool replaced = false;
        for (auto& existing : merged) {
            if (existing->Equals(*newId)) {
                // Visitor ids are immutable: the replacement keeps the stored origin and position.
                existing = std::make_shared<VisitorId>(existing->GetIdOrigin(), existing->GetIdType(), newId->GetId(),
                                                       newId->GetAuthenticationState());
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            merged.push_back(newId);
        }
    }
    return merged;
}

std::string Identity::GenerateMID() {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_PREFIX, "Unable to generate mid. Platform services is null.");
        return "";
    }
    const auto crypto = platformServices->GetCryptoService();
    if (!crypto) {
        Log::Warning(LOG_PREFIX, "Unable to generate mid. Crypto services is null.");
        return "";
    }
    const auto uuid = crypto->GetRandomUuid();
    if (!uuid) {
        Log::Warning(LOG_PREFIX, "Unable to generate mid. UUID Interface is null.");
        return "";
    }
    std::array<std::uint8_t, 16> bytes{};
    uuid->GetBytes(bytes.data());
    return MidHalf(ReadBigEndian(bytes, 0)) + MidHalf(ReadBigEndian(bytes, 8));
}

std::string Identity::BuildUrlString(const CustomerIds& ids, const StringMap& dpids,
                                     const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    // Values the server gave us (and the stored ones next to them) are encoded: a space or "&" in them must
    // not break the query.
    std::string query = std::string(IdentityConstants::RESPONSE_KEY_ORGID) + "=" + configuration->GetOrgId();
    const std::pair<const char*, const std::string*> stored[] = {
        {IdentityConstants::RESPONSE_KEY_MID, &mid_},
        {IdentityConstants::RESPONSE_KEY_BLOB, &blob_},
        {IdentityConstants::RESPONSE_KEY_HINT, &locationHint_},
    };
    for (const auto& [key, value] : stored) {
        if (!value->empty()) {
            AppendQueryItem(query, std::string(key) + "=" + UrlEncoder::Encode(*value));
        }
    }
    const auto customerIds = GenerateURLEncodedValuesCustomerIdString(ids);
    if (!customerIds.empty()) {
        AppendQueryItem(query, customerIds);
    }
    const auto internalIds = GenerateInternalIdString(dpids);
    if (!internalIds.empty()) {
        AppendQueryItem(query, internalIds);
    }
    return UrlBuilder()
        .EnableSsl(IdentityConstants::Default::DEFAULT_SSL)
        .SetHost(configuration->GetSkyloomServer())
        .AddPath(IdentityConstants::KEY_PATH_ID)
        .AddQueryParameters({{IdentityConstants::KEY_API_VERSION, IdentityConstants::VALUE_API_VERSION},
                             {IdentityConstants::KEY_RESPONSE_TYPE, IdentityConstants::VALUE_RESPONSE_TYPE}})
        .AddQuery(query, UrlBuilder::EncodeType::NONE)
        .Build();
}

std::string Identity::GenerateURLEncodedValuesCustomerIdString(const CustomerIds& ids) {
    std::string text;
    for (const auto& id : ids) {
        AppendQueryItem(text, std::string(IdentityConstants::VISITOR_ID_PARAMETER_KEY_CUSTOMER) + "=" +
                                  UrlEncoder::Encode(id->GetIdType()) + IdentityConstants::Default::CID_DELIMITER +
                                  UrlEncoder::Encode(id->GetId()) + IdentityConstants::Default::CID_DELIMITER +
                                  std::to_string(static_cast<std::int32_t>(id->GetAuthenticationState())));
    }
    return text;
}

std::string Identity::GenerateInternalIdString(const StringMap& dpids) {
    std::string text;
    for (const auto& [dpid, value] : dpids) {
        AppendQueryItem(text, std::string(IdentityConstants::KEY_DPID) + "=" + UrlEncoder::Encode(dpid) +
                                  IdentityConstants::Default::CID_DELIMITER + UrlEncoder::Encode(value));
    }
    return text;
}

}  // namespace NuvraMobile
