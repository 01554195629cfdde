#include "services/json/TreeArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/values/Variant.h"
#include "services/json/JsonErrorText.h"
#include "services/json/JsonText.h"

namespace NuvraMobile {
namespace {

struct alignas(32) Wide {
    explicit Wide(int number) : number(number) {}
    int number;
};

// Values of every alignment, across many blocks, some freed while the arena still builds and the rest
// after it is gone, in an order unlike the building order and on another thread: each is where its
// alignment wants it, and each block goes with its last value (the address sanitizer build reports a
// leak or a double free).
TEST(TreeArenaTest, ValuesAreAlignedAndEachBlockGoesWithItsLastValue) {
    std::vector<std::shared_ptr<char>> small;
    std::vector<std::shared_ptr<Wide>> wide;
    {
        TreeArena arena(10);
        std::allocate_shared<Wide>(TreeAllocator<Wide>(arena), -1);
        for (int index = 0; index < 5000; ++index) {
            small.push_back(std::allocate_shared<char>(TreeAllocator<char>(arena), 'x'));
            wide.push_back(std::allocate_shared<Wide>(TreeAllocator<Wide>(arena), index));
        }
    }
    for (int index = 0; index < 5000; ++index) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(wide[index].get()) % alignof(Wide), 0u);
        EXPECT_EQ(wide[index]->number, index);
    }
    small.clear();
    std::thread([moved = std::move(wide)]() mutable { moved.clear(); }).join();
}

TEST(TreeArenaTest, AnArenaWithNothingBuiltLeavesNothing) { TreeArena arena(0); }

// A value kept from a tree read from text stays whole after the rest of the tree is gone.
TEST(TreeArenaTest, ValuesKeptFromATreeOutliveIt) {
    std::shared_ptr<Variant> kept;
    std::shared_ptr<Variant> nested;
    {
        auto members =
            JsonText::ParseObject(R"({"a": "a text longer than any short string", "n": {"b": [1, 2.5, true]}})");
        kept = members.at("a");
        nested = members.at("n");
    }
    std::string text;
    ASSERT_TRUE(kept->GetString(text));
    EXPECT_EQ(text, "a text longer than any short string");
    std::thread([&] { kept.reset(); }).join();
    std::map<std::string, std::shared_ptr<Variant>> inner;
    ASSERT_TRUE(nested->GetVariantMap(inner));
    std::vector<std::shared_ptr<Variant>> elements;
    ASSERT_TRUE(inner.at("b")->GetVariantVector(elements));
    ASSERT_EQ(elements.size(), 3u);
    double number = 0;
    EXPECT_TRUE(elements[1]->GetDouble(number));
    EXPECT_EQ(number, 2.5);
}

// A text refused after part of its tree was built gives back what was built.
TEST(TreeArenaTest, ATextRefusedHalfwayLeavesNothingBehind) {
    EXPECT_EQ(CodeOf([] { JsonText::ParseObject(R"({"a": "x", "b": [1, {"c": 9007199254740992}]})"); }),
              "std.logic_error.out_of_range");
}

}  // namespace
}  // namespace NuvraMobile
