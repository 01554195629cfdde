#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/values/Expected.h"

namespace NuvraMobile {
namespace {

SdkError CaughtError(const std::function<void()>& action) {
    try {
        action();
    } catch (const SdkError& error) {
        return error;
    }
    ADD_FAILURE() << "no SdkError thrown";
    return SdkError();
}

TEST(ExpectedTest, HoldsAValue) {
    Expected<std::string> expected(std::string("value"));
    EXPECT_TRUE(expected.IsSet());
    EXPECT_TRUE(expected.HasValue());
    EXPECT_FALSE(expected.HasError());
    EXPECT_EQ("value", expected.Value());
    EXPECT_EQ("value", expected.ConstValue());
    expected.Value() = "changed";
    const Expected<std::string> copy = expected;
    EXPECT_EQ("changed", copy.Value());
}

struct Base {
    virtual ~Base() = default;
};
struct Derived : Base {};

Expected<std::shared_ptr<Base>> MakeBase() { return std::make_shared<Derived>(); }

TEST(ExpectedTest, ConvertsValuesAndHoldsANullPointerAsValue) {
    EXPECT_NE(nullptr, MakeBase().Value());
    const Expected<std::shared_ptr<Base>> null(nullptr);
    EXPECT_TRUE(null.HasValue());
    EXPECT_EQ(nullptr, null.Value());
}

TEST(ExpectedTest, HoldsAnError) {
    const Expected<int> expected(SdkError("json.key_not_found", "missing", DebugInfo()));
    EXPECT_TRUE(expected.IsSet());
    EXPECT_TRUE(expected.HasError());
    EXPECT_EQ("json.key_not_found", expected.Error().GetCode());
}

TEST(ExpectedTest, WrongSideThrowsBadCast) {
    const Expected<int> empty;
    const Expected<int> value(1);
    const Expected<int> error(SdkError("general.unexpected", "x", DebugInfo()));
    EXPECT_FALSE(empty.IsSet());

    for (const Expected<int>* noValue : {&empty, &error}) {
        const SdkError thrown = CaughtError([&] { noValue->ConstValue(); });
        EXPECT_EQ("std.bad_cast", thrown.GetCode());
        EXPECT_EQ("Value type not available.", thrown.GetMessage());
        EXPECT_NE(std::string::npos, thrown.GetDebugInfo().file.find("Expected"));
    }
    for (const Expected<int>* noError : {&empty, &value}) {
        const SdkError thrown = CaughtError([&] { noError->Error(); });
        EXPECT_EQ("std.bad_cast", thrown.GetCode());
        EXPECT_EQ("Error type not available.", thrown.GetMessage());
    }
}

}  // namespace
}  // namespace NuvraMobile
