#include <gtest/gtest.h>

#include "core/hub/SharedStateMarkers.h"
#include "core/hub/SharedStateStore.h"
#include "core/values/EventData.h"
#include "support/HubTestSupport.h"

namespace NuvraMobile {
namespace {

TEST(SharedStateStoreTest, WriteFollowsTheCreateAndUpdateFlags) {
    struct Case {
        const char* description;
        bool pendingAtFive;
        bool create;
        bool update;
        int32_t version;
        bool written;
    };
    const Case cases[] = {
        {"create after the last version", false, true, false, 6, true},
        {"create at the last version", false, true, false, 5, false},
        {"update without a pending entry", false, false, true, 5, false},
        {"update of the pending entry", true, false, true, 5, true},
        {"create or update falls back to the pending entry", true, true, true, 5, true},
        {"create or update at a version never written", true, true, true, 4, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.description);
        SharedStateStore store;
        ASSERT_TRUE(store.Write(
            "owner", 5, testCase.pendingAtFive ? SHARED_STATE_PENDING : MakeStateData("five"), true, false));
        const auto data = MakeStateData("new");
        EXPECT_EQ(testCase.written,
                  store.Write("owner", testCase.version, data, testCase.create, testCase.update));
        if (testCase.written) {
            EXPECT_EQ(data, store.Read("owner", testCase.version));
        }
    }
}

TEST(SharedStateStoreTest, UpdateNeverCreatesAnOwner) {
    SharedStateStore store;
    EXPECT_FALSE(store.Write("owner", 0, MakeStateData("a"), false, true));
    EXPECT_FALSE(store.Has("owner"));
}

TEST(SharedStateStoreTest, AFailedFirstCreateStillMakesTheOwnerKnown) {
    SharedStateStore store;
    EXPECT_FALSE(store.Write("owner", 3, SHARED_STATE_NEXT, true, false));
    EXPECT_FALSE(store.Has("owner"));
    EXPECT_TRUE(store.Write("owner", 3, MakeStateData("a"), true, false));
}

TEST(SharedStateStoreTest, ReadAnswersThroughTheResolverAndPendingForUnknownOwners) {
    SharedStateStore store;
    EXPECT_EQ(SHARED_STATE_PENDING, store.Read("owner", 4));
    const auto first = MakeStateData("first");
    store.Write("owner", 3, first, true, false);
    EXPECT_EQ(first, store.Read("owner", 0));
    EXPECT_EQ(first, store.Read("owner", 2147483647));
    store.Clear("owner");
    EXPECT_EQ(SHARED_STATE_PENDING, store.Read("owner", 4));
    const auto second = MakeStateData("second");
    EXPECT_TRUE(store.Write("owner", 1, second, true, false)) << "a cleared owner starts again";
    EXPECT_EQ(second, store.Read("owner", 4));
}

TEST(SharedStateStoreTest, HasCountsPendingButNotInvalidVersions) {
    SharedStateStore store;
    store.Write("pending", 0, SHARED_STATE_PENDING, true, false);
    store.Write("invalid", 0, SHARED_STATE_INVALID, true, false);
    EXPECT_TRUE(store.Has("pending"));
    EXPECT_FALSE(store.Has("invalid"));
    EXPECT_FALSE(store.Has("unknown"));
}

TEST(SharedStateStoreTest, CircularReadsAreFoundFromTheSecondDirectionOn) {
    SharedStateStore store;
    EXPECT_FALSE(store.NoteReadAndCheckCircular("x", "y"));
    EXPECT_FALSE(store.NoteReadAndCheckCircular("x", "y"));
    EXPECT_TRUE(store.NoteReadAndCheckCircular("y", "x"));
    EXPECT_TRUE(store.NoteReadAndCheckCircular("x", "y"));
}

TEST(SharedStateStoreTest, CircularReadsCompareWholeNames) {
    SharedStateStore store;
    EXPECT_FALSE(store.NoteReadAndCheckCircular("ab", "c"));
    EXPECT_FALSE(store.NoteReadAndCheckCircular("c", "a")) << "not the reverse of ab reading c";
    EXPECT_FALSE(store.NoteReadAndCheckCircular("a", "bc")) << "joined texts collide, the reads do not";
    EXPECT_FALSE(store.NoteReadAndCheckCircular("X", "x")) << "names differing in case are different readers";
    EXPECT_FALSE(store.NoteReadAndCheckCircular("x", "x")) << "a module reading its own state";
}

TEST(SharedStateStoreTest, PublicationCopiesRealStatesAndKeepsMarkers) {
    for (const auto& marker :
         {SHARED_STATE_PENDING, SHARED_STATE_INVALID, SHARED_STATE_NEXT, SHARED_STATE_PREV}) {
        EXPECT_EQ(marker, SharedStateStore::ForPublication(marker));
    }
    const auto data = MakeStateData("original");
    const auto published = SharedStateStore::ForPublication(data);
    ASSERT_NE(data, published);
    data->PutString("value", "changed");
    EXPECT_EQ("original", published->OptString("value", ""));
}

}  // namespace
}  // namespace NuvraMobile
