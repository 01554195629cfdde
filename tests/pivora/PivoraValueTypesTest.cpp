// The personalisation value types: their flat-map conversions, merging, and their Variant forms in
// event data (round trips, malformed forms, the parameter fallbacks of the request listener).

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraParameters.h"
#include "pivora/PivoraSerializers.h"
#include "support/CapturingLoggingService.h"
#include "support/EventDataJson.h"
#include "support/VariantShorthands.h"

namespace NuvraMobile {
namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;
using StringMap = std::map<std::string, std::string>;


std::shared_ptr<Variant> Texts(const std::vector<std::string>& texts) { return Variant::FromStringVector(texts); }

std::shared_ptr<Variant> Map(VariantMap map) { return Variant::FromVariantMap(std::move(map)); }

/** A Variant form rendered as JSON text, so that two forms compare by content. */
std::string FormText(const std::shared_ptr<Variant>& form) {
    return JsonText(std::make_shared<EventData>(VariantMap{{"form", form}}));
}

std::shared_ptr<PivoraParameters> FullBundle() {
    return std::make_shared<PivoraParameters>(
        StringMap{{"m1", "v1"}}, StringMap{{"p1", "w1"}}, std::make_shared<PivoraProduct>("prod", "cat"),
        std::make_shared<PivoraOrder>("ord", 12.5, std::vector<std::shared_ptr<Variant>>{Text("a"), Text("b")}));
}

// --- Flat maps of products and orders ------------------------------------------------------------

TEST(PivoraOrderTest, FromMapReadsTotalsAndIdsByTheirKind) {
    struct Case {
        const char* name;
        VariantMap map;
        bool isNull;
        std::string id;
        double total;
        size_t productIds;
    };
    const Case cases[] = {
        {"total as text", {{"id", Text("o")}, {"total", Text("12.5")}}, false, "o", 12.5, 0},
        {"total text that is no number", {{"id", Text("o")}, {"total", Text("abc")}}, false, "o", 0, 0},
        {"total as integer", {{"id", Text("o")}, {"total", Variant::FromInteger(7)}}, false, "o", 7.0, 0},
        {"total as boolean", {{"id", Text("o")}, {"total", Variant::FromBoolean(true)}}, false, "o", 0, 0},
        {"id that is not text", {{"id", Variant::FromInteger(3)}}, false, "", 0, 0},
        {"ids as vector", {{"id", Text("o")}, {"purchasedProductIds", Texts({"x", "y"})}}, false, "o", 0, 2},
        {"ids not a vector", {{"id", Text("o")}, {"purchasedProductIds", Text("x")}}, false, "o", 0, 0},
        {"no id", {{"total", Text("3")}}, true, "", 0, 0},
        {"empty map", {}, true, "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto order = PivoraOrder::fromMap(c.map);
        ASSERT_EQ(c.isNull, order == nullptr);
        if (order) {
            EXPECT_EQ(c.id, order->GetOrderId());
            EXPECT_DOUBLE_EQ(c.total, order->GetTotal());
            EXPECT_EQ(c.productIds, order->GetPurchasedProductIds().size());
        }
    }
}

TEST(PivoraOrderTest, ToMapLeavesOutWhatCarriesNothing) {
    EXPECT_TRUE(PivoraOrder::toMap(nullptr).empty());
    EXPECT_TRUE(PivoraOrder::toMap(std::make_shared<PivoraOrder>("", 5.0, std::vector<std::shared_ptr<Variant>>{}))
                    .empty());
    for (double total : {0.0, -1.0}) {
        const auto map = PivoraOrder::toMap(std::make_shared<PivoraOrder>("o", total, std::vector<std::shared_ptr<Variant>>{}));
        EXPECT_EQ(1u, map.size());
        EXPECT_EQ(1u, map.count("id"));
    }
    const auto full = PivoraOrder::toMap(std::make_shared<PivoraOrder>("o", 2.5, std::vector<std::shared_ptr<Variant>>{Text("p")}));
    EXPECT_EQ(3u, full.size());
}

TEST(PivoraProductTest, FromMapAndToMap) {
    EXPECT_EQ(nullptr, PivoraProduct::fromMap({}));
    EXPECT_EQ(nullptr, PivoraProduct::fromMap({{"categoryId", "c"}}));
    const auto emptyId = PivoraProduct::fromMap({{"id", ""}});
    ASSERT_NE(nullptr, emptyId);
    EXPECT_EQ("", emptyId->GetCategoryId());
    EXPECT_TRUE(PivoraProduct::toMap(emptyId).empty());
    EXPECT_EQ((StringMap{{"id", "p"}}), PivoraProduct::toMap(std::make_shared<PivoraProduct>("p", "")));
    EXPECT_EQ((StringMap{{"id", "p"}, {"categoryId", "c"}}),
              PivoraProduct::toMap(std::make_shared<PivoraProduct>("p", "c")));
}

TEST(PivoraParametersTest, MergeLetsLaterEntriesWinAndKeepsOrdersWithoutId) {
    const auto first = std::make_shared<PivoraParameters>(
        StringMap{{"a", "1"}, {"b", "2"}}, StringMap{{"x", "1"}}, std::make_shared<PivoraProduct>("p1", ""),
        std::make_shared<PivoraOrder>("o1", 1.0, std::vector<std::shared_ptr<Variant>>{}));
    const auto second = std::make_shared<PivoraParameters>(
        StringMap{{"b", "3"}}, StringMap{}, std::make_shared<PivoraProduct>("p2", "c"),
        std::make_shared<PivoraOrder>("", 9.0, std::vector<std::shared_ptr<Variant>>{}));
    const auto merged = PivoraParameters::Merge({first, second});
    EXPECT_EQ((StringMap{{"a", "1"}, {"b", "3"}}), merged->GetMboxParameters());
    EXPECT_EQ((StringMap{{"x", "1"}}), merged->GetProfileParameters());
    EXPECT_EQ("p2", merged->GetProduct()->GetProductId());
    EXPECT_EQ("o1", merged->GetOrder()->GetOrderId());

    const auto none = PivoraParameters::Merge({});
    EXPECT_TRUE(none->GetMboxParameters().empty());
    EXPECT_EQ(nullptr, none->GetOrder());
}

TEST(PivoraObjectTest, ConstructorsKeepMapsAndBundleInStep) {
    const PivoraPrefetch fromMaps("loc", {{"m", "1"}}, {{"id", "p"}, {"categoryId", "c"}},
                                  {{"id", Text("o")}, {"total", Text("4")}});
    ASSERT_NE(nullptr, fromMaps.GetPivoraParameters());
    EXPECT_TRUE(fromMaps.GetProfileParameters().empty());
    EXPECT_EQ("p", fromMaps.GetPivoraParameters()->GetProduct()->GetProductId());
    EXPECT_DOUBLE_EQ(4.0, fromMaps.GetPivoraParameters()->GetOrder()->GetTotal());

    const PivoraPrefetch fromBundle("loc", FullBundle());
    EXPECT_EQ((StringMap{{"p1", "w1"}}), fromBundle.GetProfileParameters());
    EXPECT_EQ((StringMap{{"id", "prod"}, {"categoryId", "cat"}}), fromBundle.GetProductParameters());
    EXPECT_EQ(3u, fromBundle.GetOrderParameters().size());

    const PivoraPrefetch nullBundle("loc", nullptr);
    EXPECT_TRUE(nullBundle.GetMboxParameters().empty());
    EXPECT_TRUE(nullBundle.GetOrderParameters().empty());
}

// --- Variant forms ---------------------------------------------------------------------------------

TEST(PivoraSerializersTest, RequestRoundTripKeepsWhatTheModuleNeeds) {
    struct Case {
        const char* name;
        std::shared_ptr<PivoraRequest> request;
    };
    int called = 0;
    const auto callback = [&called](const std::string&) { ++called; };
    const Case cases[] = {
        {"bundle with profile parameters", std::make_shared<PivoraRequest>("loc", "fallback", FullBundle(), callback)},
        {"null bundle", std::make_shared<PivoraRequest>("loc", "fallback", nullptr, callback)},
        {"empty name", std::make_shared<PivoraRequest>("", "", FullBundle(), callback)},
        {"from maps", std::make_shared<PivoraRequest>("loc", "d", StringMap{{"m", "1"}}, StringMap{{"id", "p"}},
                                                      VariantMap{{"id", Text("o")}}, callback)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.request->SetResponsePairId("pair-7");
        const auto form = PivoraFromTypedObject(c.request);
        VariantMap entries;
        ASSERT_TRUE(form->GetVariantMap(entries));
        EXPECT_EQ(!c.request->GetName().empty(), entries.count("mboxname") == 1);

        const auto read = form->GetTypedObject<PivoraRequest>();
        ASSERT_TRUE(read.HasValue());
        const auto& back = read.Value();
        EXPECT_EQ(c.request->GetName(), back->GetName());
        EXPECT_EQ(c.request->GetDefaultContent(), back->GetDefaultContent());
        EXPECT_EQ("pair-7", back->GetResponsePairId());
        EXPECT_EQ(c.request->GetProfileParameters(), back->GetProfileParameters());
        EXPECT_EQ(c.request->GetPivoraParameters() == nullptr, back->GetPivoraParameters() == nullptr);
        EXPECT_EQ(FormText(form), FormText(PivoraFromTypedObject(back)));
        back->GetContentCallback()("ignored");
    }
    EXPECT_EQ(0, called);
}

TEST(PivoraSerializersTest, PrefetchRoundTripAndNamelessForm) {
    const auto prefetch = std::make_shared<PivoraPrefetch>("loc", FullBundle());
    const auto form = PivoraFromTypedObject(prefetch);
    const auto back = form->GetTypedObject<PivoraPrefetch>().Value();
    EXPECT_EQ("loc", back->GetName());
    EXPECT_EQ(FormText(form), FormText(PivoraFromTypedObject(back)));

    VariantMap entries;
    form->GetVariantMap(entries);
    entries.erase("mboxname");
    const auto nameless = Map(entries)->GetTypedObject<PivoraPrefetch>();
    ASSERT_TRUE(nameless.HasValue());
    EXPECT_EQ("", nameless.Value()->GetName());
}

TEST(PivoraSerializersTest, NullVariantReadsAsNoObjectAtEveryLevel) {
    const auto null = Variant::FromNull();
    EXPECT_EQ(nullptr, null->GetTypedObject<PivoraProduct>().Value());
    EXPECT_EQ(nullptr, null->GetTypedObject<PivoraOrder>().Value());
    EXPECT_EQ(nullptr, null->GetTypedObject<PivoraParameters>().Value());
    EXPECT_EQ(nullptr, null->GetTypedObject<PivoraObject>().Value());
    EXPECT_EQ(nullptr, null->GetTypedObject<PivoraRequest>().Value());
    EXPECT_EQ(nullptr, null->GetTypedObject<PivoraPrefetch>().Value());
    EXPECT_EQ(FormText(null), FormText(PivoraFromTypedObject(std::shared_ptr<PivoraOrder>())));
}

VariantMap ObjectForm() {
    return {{"mboxname", Text("loc")},
            {"mboxparameters", Map({})},
            {"productparameters", Map({})},
            {"orderparameters", Map({})}};
}

VariantMap RequestForm(std::shared_ptr<Variant> base) {
    return {{"baseclass", std::move(base)}, {"defaultcontent", Text("d")}, {"responsepairid", Text("r")}};
}

VariantMap ParametersForm(std::shared_ptr<Variant> product, std::shared_ptr<Variant> order) {
    return {{"mboxparameters", Map({})},
            {"profileparams", Map({})},
            {"productparameters", std::move(product)},
            {"orderparameters", std::move(order)}};
}

/** Reads the form as a T, keeping only whether that worked. */
template <typename T>
std::function<Expected<bool, SdkError>()> ReadAs(std::shared_ptr<Variant> form) {
    return [form]() -> Expected<bool, SdkError> {
        const auto result = form->GetTypedObject<T>();
        if (result.HasError()) {
            return result.Error();
        }
        return true;
    };
}

TEST(PivoraSerializersTest, MalformedFormsAnswerTypeErrorWithoutThrowing) {
    struct Case {
        const char* name;
        std::function<Expected<bool, SdkError>()> read;
    };
    const auto orderWith = [](std::shared_ptr<Variant> total) {
        return Map({{"id", Text("o")}, {"total", std::move(total)}, {"purchasedProductIds", Texts({})}});
    };
    auto objectWithNumberName = ObjectForm();
    objectWithNumberName["mboxname"] = Variant::FromInteger(1);
    auto requestWithoutContent = RequestForm(Map(ObjectForm()));
    requestWithoutContent.erase("defaultcontent");
    const Case cases[] = {
        {"product that is text", ReadAs<PivoraProduct>(Text("p"))},
        {"product without categoryId", ReadAs<PivoraProduct>(Map({{"id", Text("p")}}))},
        {"order total as text", ReadAs<PivoraOrder>(orderWith(Text("3")))},
        {"order without product ids", ReadAs<PivoraOrder>(Map({{"id", Text("o")}, {"total", Variant::FromDouble(1)}}))},
        {"parameters with a malformed product", ReadAs<PivoraParameters>(Map(ParametersForm(Map({}), Variant::FromNull())))},
        {"parameters with a malformed order", ReadAs<PivoraParameters>(Map(ParametersForm(Variant::FromNull(), orderWith(Text("x")))))},
        {"parameters without profileparams", ReadAs<PivoraParameters>(Map({{"mboxparameters", Map({})}}))},
        {"object whose name is a number", ReadAs<PivoraObject>(Map(objectWithNumberName))},
        {"request whose base is null", ReadAs<PivoraRequest>(Map(RequestForm(Variant::FromNull())))},
        {"request whose base is malformed", ReadAs<PivoraRequest>(Map(RequestForm(Map({}))))},
        {"request without default content", ReadAs<PivoraRequest>(Map(requestWithoutContent))},
        {"prefetch without base", ReadAs<PivoraPrefetch>(Map({{"mboxname", Text("loc")}}))},
        {"prefetch that is a vector", ReadAs<PivoraPrefetch>(Texts({"loc"}))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Expected<bool, SdkError> result;
        ASSERT_NO_THROW(result = c.read());
        ASSERT_TRUE(result.HasError());
        EXPECT_EQ("variant.not_type", result.Error().GetCode());
        EXPECT_EQ("type error", result.Error().GetMessage());
    }
}

TEST(PivoraSerializersTest, OrderTotalWidensIntegers) {
    const auto order = Map({{"id", Text("o")}, {"total", Variant::FromLong(1LL << 40)}, {"purchasedProductIds", Texts({"a"})}})
                           ->GetTypedObject<PivoraOrder>()
                           .Value();
    EXPECT_DOUBLE_EQ(static_cast<double>(1LL << 40), order->GetTotal());
}

TEST(PivoraObjectTest, DeserializePivoraParametersFallsBackToTheSeparateKeys) {
    struct Case {
        const char* name;
        VariantMap map;
        bool isNull;
        StringMap mboxParameters;
        bool logsFallback;
    };
    const auto bundle = PivoraFromTypedObject(FullBundle());
    const Case cases[] = {
        {"empty map", {}, true, {}, false},
        {"no parameter keys", {{"other", Text("x")}}, true, {}, false},
        {"all parameter keys empty", {{"mboxparameters", Map({})}, {"orderparameters", Map({})}}, true, {}, false},
        {"bundle", {{"pivoraparams", bundle}, {"mboxparameters", Map({{"top", Text("1")}})}}, false, {{"m1", "v1"}}, false},
        {"null bundle, separate keys", {{"pivoraparams", Variant::FromNull()}, {"mboxparameters", Map({{"top", Text("1")}})}},
         false, {{"top", "1"}}, false},
        {"unreadable bundle, separate keys", {{"pivoraparams", Text("x")}, {"mboxparameters", Map({{"top", Text("1")}})}},
         false, {{"top", "1"}}, true},
        {"separate key of another kind", {{"mboxparameters", Text("x")}, {"profileparams", Map({{"p", Text("1")}})}},
         false, {}, false},
        {"only an order", {{"orderparameters", Map({{"id", Text("o")}})}}, false, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedCapturingLog log;
        const auto parameters = PivoraObject::DeserializePivoraParameters(c.map);
        ASSERT_EQ(c.isNull, parameters == nullptr);
        if (parameters) {
            EXPECT_EQ(c.mboxParameters, parameters->GetMboxParameters());
        }
        EXPECT_EQ(c.logsFallback, log.Service().Contains("Error while fetching Pivora Parameters.\n"));
    }
}

TEST(PivoraObjectTest, OnlyOrderParametersGiveAnOrder) {
    const auto parameters =
        PivoraObject::DeserializePivoraParameters({{"orderparameters", Map({{"id", Text("o")}, {"total", Text("2")}})}});
    ASSERT_NE(nullptr, parameters->GetOrder());
    EXPECT_DOUBLE_EQ(2.0, parameters->GetOrder()->GetTotal());
    EXPECT_EQ(nullptr, parameters->GetProduct());
}

}  // namespace
}  // namespace NuvraMobile
