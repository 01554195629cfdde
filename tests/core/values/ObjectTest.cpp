#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "core/values/Object.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

class CountingEquals : public Object {
public:
    bool Equals(const ObjectInterface& other) const override {
        ++calls;
        return Object::Equals(other);
    }
    mutable int calls = 0;
};

class Described : public Object {
public:
    std::string ToStringImpl(const ToStringOptions&) const override { return "described"; }
};

class ThrowingDescription : public Object {
public:
    std::string ToStringImpl(const ToStringOptions&) const override { throw std::logic_error("no"); }
};

TEST(ObjectTest, EqualsIsIdentity) {
    const auto first = std::make_shared<Object>();
    const auto second = std::make_shared<Object>();
    EXPECT_TRUE(first->Equals(*first));
    EXPECT_FALSE(first->Equals(*second));
    EXPECT_TRUE(IsEqual(*first, *first));
    EXPECT_FALSE(IsEqual(*first, *second));
    EXPECT_TRUE(IsEqual(first, first));
    EXPECT_FALSE(IsEqual(first, second));
}

class FirstInterface : public virtual ObjectInterface {};
class SecondInterface : public virtual ObjectInterface {};
class Both : public Object, public virtual FirstInterface, public virtual SecondInterface {};

TEST(ObjectTest, OneIdentityThroughEveryInterface) {
    const auto object = std::make_shared<Both>();
    const std::shared_ptr<FirstInterface> first = object;
    const std::shared_ptr<SecondInterface> second = object;
    EXPECT_TRUE(IsEqual(first, second));
    EXPECT_TRUE(first->Equals(*second));
    EXPECT_EQ(object, ObjectToSharedPtr<Both>(*second));
    EXPECT_EQ(nullptr, ObjectToSharedPtr<Described>(*second));
    EXPECT_EQ(object->ToString(), StringUtils::ToString(second));
}

TEST(ObjectTest, IsEqualWithNullCallsNothing) {
    const auto object = std::make_shared<CountingEquals>();
    const std::shared_ptr<Object> empty;
    EXPECT_TRUE(IsEqual(empty, empty));
    EXPECT_TRUE(IsEqual(static_cast<ObjectInterface*>(nullptr), nullptr));
    EXPECT_FALSE(IsEqual(object, empty));
    EXPECT_FALSE(IsEqual(empty, object));
    EXPECT_TRUE(IsEqual(object, object));
    EXPECT_EQ(0, object->calls);
    EXPECT_FALSE(IsEqual(object, std::make_shared<Object>()));
    EXPECT_EQ(1, object->calls);
}

TEST(ObjectTest, SharedPtrToThisSharesOwnership) {
    const auto object = std::make_shared<Described>();
    const std::shared_ptr<ObjectInterface> again = object->SharedPtrToThisObjectInterface();
    EXPECT_EQ(static_cast<ObjectInterface*>(object.get()), again.get());
    EXPECT_EQ(2, object.use_count());
    EXPECT_EQ(object, ObjectToSharedPtr<Described>(*object));
}

TEST(ObjectTest, SharedPtrToThisWithoutOwnerThrowsBadWeakPtr) {
    Object onStack;
    EXPECT_THROW(onStack.SharedPtrToThisObjectInterface(), std::bad_weak_ptr);
}

TEST(ObjectTest, DefaultDescriptionNamesAddressAndType) {
    const auto object = std::make_shared<Object>();
    const std::string text = object->ToString();
    const std::string address =
        std::to_string(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(object.get())));
    EXPECT_EQ("{ class: \"Object\", this: " + address +
                  ", typeid: " + StringUtils::Quotify(typeid(Object).name()) + " }",
              text);

    ToStringOptions shortNames;
    shortNames.maxStringLength = 2;
    EXPECT_NE(std::string::npos, object->ToString(shortNames).find("...\" }"));
}

TEST(ObjectTest, RendersThroughStringUtils) {
    const auto object = std::make_shared<Described>();
    EXPECT_EQ("described", StringUtils::ToString(object));
    EXPECT_EQ("described", StringUtils::ToString(*object));
    EXPECT_EQ("[ described, null ]",
              StringUtils::ToString(std::vector<std::shared_ptr<Described>>{object, nullptr}));
    EXPECT_EQ("x described", StringUtils::FormatString("x %s", object));
}

TEST(ObjectTest, ThrowingDescriptionRendersAsError) {
    const auto object = std::make_shared<ThrowingDescription>();
    EXPECT_EQ("ERROR", object->ToString());
    EXPECT_EQ("a ERROR b", StringUtils::FormatString("a %s b", object));
}

}  // namespace
}  // namespace NuvraMobile
