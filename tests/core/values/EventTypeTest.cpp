#include <gtest/gtest.h>

#include <sstream>

#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {
namespace {

// Read during this file's static initialisation, before main.
const std::string hubNameAtStaticInitialisation = EventType::HUB->GetName();
const bool bootedInternedAtStaticInitialisation =
    EventSource::Get("COM.NUVRA.EVENTSOURCE.BOOTED") == EventSource::BOOTED;

struct NamedConstant {
    const std::shared_ptr<EventType>* type;
    const std::shared_ptr<EventSource>* source;
    const char* suffix;
};

const NamedConstant CONSTANTS[] = {
    {&EventType::ACQUISITION, nullptr, "acquisition"},
    {&EventType::ANALYTICS, nullptr, "analytics"},
    {&EventType::COHORTIX, nullptr, "cohortix"},
    {&EventType::CAMPAIGN, nullptr, "campaign"},
    {&EventType::CONFIGURATION, nullptr, "configuration"},
    {&EventType::CUSTOM, nullptr, "custom"},
    {&EventType::GENERIC_DATA, nullptr, "generic.data"},
    {&EventType::GENERIC_IDENTITY, nullptr, "generic.identity"},
    {&EventType::GENERIC_LIFECYCLE, nullptr, "generic.lifecycle"},
    {&EventType::GENERIC_PII, nullptr, "generic.pii"},
    {&EventType::GENERIC_TRACK, nullptr, "generic.track"},
    {&EventType::HUB, nullptr, "hub"},
    {&EventType::IDENTITY, nullptr, "identity"},
    {&EventType::LIFECYCLE, nullptr, "lifecycle"},
    {&EventType::LOCATION, nullptr, "location"},
    {&EventType::PII, nullptr, "pii"},
    {&EventType::PLACES, nullptr, "places"},
    {&EventType::RULES_ENGINE, nullptr, "rulesEngine"},
    {&EventType::SIGNAL, nullptr, "signal"},
    {&EventType::SYSTEM, nullptr, "system"},
    {&EventType::PIVORA, nullptr, "pivora"},
    {&EventType::USER_PROFILE, nullptr, "userProfile"},
    {&EventType::WILDCARD, nullptr, "__wildcard__"},
    {nullptr, &EventSource::NONE, "none"},
    {nullptr, &EventSource::BOOTED, "booted"},
    {nullptr, &EventSource::OS, "os"},
    {nullptr, &EventSource::REQUEST_CONTENT, "requestContent"},
    {nullptr, &EventSource::REQUEST_IDENTITY, "requestIdentity"},
    {nullptr, &EventSource::REQUEST_PROFILE, "requestProfile"},
    {nullptr, &EventSource::REQUEST_RESET, "requestReset"},
    {nullptr, &EventSource::RESPONSE_CONTENT, "responseContent"},
    {nullptr, &EventSource::RESPONSE_IDENTITY, "responseIdentity"},
    {nullptr, &EventSource::RESPONSE_PROFILE, "responseProfile"},
    {nullptr, &EventSource::SHARED_STATE, "sharedState"},
    {nullptr, &EventSource::WILDCARD, "__wildcard__"},
};

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(EventTypeTest, EveryConstantIsTheInternedPrefixedNameInAnyLetterCase) {
    for (const auto& constant : CONSTANTS) {
        SCOPED_TRACE(constant.suffix);
        if (constant.type) {
            const std::string name = "com.nuvra.eventType." + std::string(constant.suffix);
            ASSERT_TRUE(*constant.type);
            EXPECT_EQ(name, (*constant.type)->GetName());
            EXPECT_EQ(*constant.type, EventType::Get(Upper(name)));
            EXPECT_EQ(*constant.type, EventType::Get("com.nuvra.eventType." + Upper(constant.suffix)));
        } else {
            const std::string name = "com.nuvra.eventSource." + std::string(constant.suffix);
            ASSERT_TRUE(*constant.source);
            EXPECT_EQ(name, (*constant.source)->GetName());
            EXPECT_EQ(*constant.source, EventSource::Get(Upper(name)));
        }
    }
}

TEST(EventTypeTest, ConstantsAndRegistryServeDuringStaticInitialisation) {
    EXPECT_EQ("com.nuvra.eventType.hub", hubNameAtStaticInitialisation);
    EXPECT_TRUE(bootedInternedAtStaticInitialisation);
}

TEST(EventTypeTest, PrefixesAreFixed) {
    EXPECT_EQ("com.nuvra.eventType.", EventType::GetNuvraPrefix());
    EXPECT_EQ("com.nuvra.eventSource.", EventSource::GetNuvraPrefix());
}

TEST(EventTypeTest, LowerCaseLookupOfAMixedCaseConstantKeepsItsSpelling) {
    auto type = EventType::Get("com.nuvra.eventtype.rulesengine");
    EXPECT_EQ(EventType::RULES_ENGINE, type);
    EXPECT_EQ("com.nuvra.eventType.rulesEngine", type->GetName());
}

TEST(EventTypeTest, FirstSpellingOfANewNameIsKept) {
    auto first = EventType::Get("My.Custom.Type");
    auto second = EventType::Get("MY.CUSTOM.TYPE");
    EXPECT_EQ(first, second);
    EXPECT_EQ("My.Custom.Type", second->GetName());
    EXPECT_NE(first, EventType::Get("My.Custom.Type2"));
}

TEST(EventTypeTest, AnyTextIsAValidName) {
    auto empty = EventType::Get("");
    EXPECT_EQ(empty, EventType::Get(""));
    EXPECT_EQ("", empty->GetName());
    EXPECT_EQ("No Prefix At All", EventSource::Get("No Prefix At All")->GetName());
}

TEST(EventTypeTest, TypeAndSourceOfTheSameTextAreDifferentObjects) {
    auto type = EventType::Get("shared.text");
    auto source = EventSource::Get("shared.text");
    EXPECT_NE(static_cast<const void*>(type.get()), static_cast<const void*>(source.get()));
}

TEST(EventTypeTest, RendersAsTheQuotedName) {
    std::ostringstream stream;
    ToStringImpl(stream, EventSource::BOOTED, ToStringOptions());
    EXPECT_EQ("\"com.nuvra.eventSource.booted\"", stream.str());
    EXPECT_EQ("\"com.nuvra.eventType.hub\"", EventType::HUB->ToString());
}

}  // namespace
}  // namespace NuvraMobile
