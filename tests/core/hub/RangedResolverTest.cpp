#include <gtest/gtest.h>

#include <functional>

#include "core/hub/RangedResolver.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/EventData.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using Resolver = RangedResolver<EventData>;

TEST(RangedResolverTest, MarkersAreDistinctAndPendingIsNull) {
    EXPECT_EQ(nullptr, SHARED_STATE_PENDING);
    for (const auto* marker : {&SHARED_STATE_INVALID, &SHARED_STATE_NEXT, &SHARED_STATE_PREV}) {
        ASSERT_TRUE(*marker);
        EXPECT_TRUE((*marker)->IsEmpty());
    }
    EXPECT_NE(SHARED_STATE_INVALID, SHARED_STATE_NEXT);
    EXPECT_NE(SHARED_STATE_NEXT, SHARED_STATE_PREV);
    EXPECT_NE(SHARED_STATE_INVALID, SHARED_STATE_PREV);
}

TEST(RangedResolverTest, WorkedExample) {
    const auto A = std::make_shared<EventData>();
    const auto C = std::make_shared<EventData>();
    const auto D = std::make_shared<EventData>();
    Resolver resolver(SHARED_STATE_PENDING, SHARED_STATE_INVALID, SHARED_STATE_NEXT, SHARED_STATE_PREV);

    struct Read {
        int32_t version;
        std::shared_ptr<EventData> expected;
    };
    struct Step {
        const char* what;
        std::function<bool()> change;  // null when the step only reads
        bool accepted;
        std::vector<Read> reads;
    };
    const std::vector<Step> steps = {
        {"construct", nullptr, true, {{5, nullptr}}},
        {"Add(3, A)", [&] { return resolver.Add(3, A); }, true, {{2, A}, {3, A}, {100, A}}},
        {"Add(2, B)", [&] { return resolver.Add(2, std::make_shared<EventData>()); }, false, {{2, A}}},
        {"Add(7, PENDING)",
         [&] { return resolver.Add(7, SHARED_STATE_PENDING); },
         true,
         {{6, A}, {8, nullptr}}},
        {"Update(7, C)", [&] { return resolver.Update(7, C); }, true, {{8, C}}},
        {"Update(7, D)", [&] { return resolver.Update(7, D); }, false, {{8, C}}},
        {"Add(9, PENDING)", [&] { return resolver.Add(9, SHARED_STATE_PENDING); }, true, {{10, nullptr}}},
        {"Update(9, PREV)", [&] { return resolver.Update(9, SHARED_STATE_PREV); }, true, {{10, C}}},
        {"Add(11, PENDING)", [&] { return resolver.Add(11, SHARED_STATE_PENDING); }, true, {{11, nullptr}}},
        // A read steps back over every PREV in a row to the last real state.
        {"Update(11, PREV)",
         [&] { return resolver.Update(11, SHARED_STATE_PREV); },
         true,
         {{11, C}, {12, C}}},
        {"Add(12, NEXT)", [&] { return resolver.Add(12, SHARED_STATE_NEXT); }, false, {{12, C}}},
        {"Add(12, PREV)", [&] { return resolver.Add(12, SHARED_STATE_PREV); }, false, {{12, C}}},
        {"Update(20, PENDING)", [&] { return resolver.Update(20, SHARED_STATE_PENDING); }, false, {{20, C}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.change) {
            EXPECT_EQ(step.accepted, step.change());
        }
        for (const auto& read : step.reads) {
            EXPECT_EQ(read.expected, resolver.Get(read.version)) << "Get(" << read.version << ")";
        }
    }
}

TEST(RangedResolverTest, ContainsValidStateCountsRealAndPendingVersions) {
    struct Case {
        const char* what;
        const std::shared_ptr<EventData>* value;  // null: nothing added
        bool expected;
    };
    const auto real = std::make_shared<EventData>();
    const Case cases[] = {
        {"fresh", nullptr, false},
        {"pending", &SHARED_STATE_PENDING, true},
        {"invalid", &SHARED_STATE_INVALID, false},
        {"real", &real, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Resolver resolver(SHARED_STATE_PENDING, SHARED_STATE_INVALID, SHARED_STATE_NEXT, SHARED_STATE_PREV);
        if (c.value) {
            ASSERT_TRUE(resolver.Add(0, *c.value));
        }
        EXPECT_EQ(c.expected, resolver.ContainsValidState());
    }
}

TEST(RangedResolverTest, InvalidAndPreviousEntriesResolveAsStated) {
    const auto A = std::make_shared<EventData>();
    Resolver resolver(SHARED_STATE_PENDING, SHARED_STATE_INVALID, SHARED_STATE_NEXT, SHARED_STATE_PREV);
    ASSERT_TRUE(resolver.Add(2, SHARED_STATE_PENDING));
    ASSERT_TRUE(resolver.Update(2, SHARED_STATE_PREV));
    ASSERT_TRUE(resolver.Add(4, A));
    ASSERT_TRUE(resolver.Add(6, SHARED_STATE_INVALID));
    // A PREV with nothing real before it resolves forward to the next real state.
    EXPECT_EQ(A, resolver.Get(3));
    EXPECT_EQ(A, resolver.Get(5));
    EXPECT_EQ(SHARED_STATE_INVALID, resolver.Get(6));
    EXPECT_EQ(SHARED_STATE_INVALID, resolver.Get(1000));
}

TEST(RangedResolverTest, WarnsWhenMarkersCollide) {
    ScopedCapturingLog log(LoggingMode::Warning);
    Resolver resolver(SHARED_STATE_PENDING, SHARED_STATE_NEXT, SHARED_STATE_NEXT, SHARED_STATE_PREV);
    ASSERT_EQ(1u, log.Service().GetLines().size());
    EXPECT_EQ("RangedResolver", log.Service().GetLines()[0].tag);
    EXPECT_EQ(0u, log.Service().GetLines()[0].message.find("Found equality between marker states! Pending("));
}

}  // namespace
}  // namespace NuvraMobile
