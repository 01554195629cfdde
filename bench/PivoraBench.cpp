// The personalisation data layer at the sizes of a busy app: one delivery request body, and the
// reading of a large delivery answer.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ReferenceRatio.h"
#include "core/values/Variant.h"
#include "lifecycle/LifecycleConstants.h"
#include "pivora/PivoraConstants.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraPreviewManager.h"
#include "pivora/PivoraRequestBuilder.h"
#include "pivora/PivoraResponseParser.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/FakeHttpConnection.h"
#include "support/FakeSystemInfoService.h"

namespace NuvraMobile {
namespace {

// A builder and a load as a busy app makes them: 50 execute mboxes of 20 parameters each, the 24
// lifecycle keys and 100 pending display notifications.
struct LoadFixture {
    LoadFixture() {
        std::map<std::string, std::string> lifecycle;
        for (const auto& [key, mapped] : LifecycleConstants::ContextDataKeys::MAP_TO_CONTEXT_DATA_KEYS) {
            lifecycle[mapped] = std::string(key) + "-value";
        }
        builder.SetLifecycleParameters(lifecycle);
        builder.SetPivoraInternalParameters("client", "qtx.1", "third-party");
        for (int mbox = 0; mbox < 50; ++mbox) {
            std::map<std::string, std::string> parameters;
            for (int parameter = 0; parameter < 20; ++parameter) {
                parameters["parameter" + std::to_string(parameter)] = "value " + std::to_string(mbox);
            }
            requests.push_back(std::make_shared<PivoraRequest>("location-" + std::to_string(mbox), "default",
                                                               std::make_shared<PivoraParameters>(parameters),
                                                               nullptr));
        }
        const auto record =
            json->CreateJsonObject(std::string(R"({"name": "shown", "options": [{"eventToken": "token"}]})"));
        for (int notification = 0; notification < 100; ++notification) {
            notifications.push_back(builder.GetDisplayNotificationJsonObject(
                "shown", record, nullptr, "notification-" + std::to_string(notification), 1700000000000));
        }
    }

    std::shared_ptr<JsonObject> Payload() {
        return builder.GetRequestPayload({}, requests, false, nullptr, notifications, "");
    }

    std::shared_ptr<JsonUtilityServiceInterface> json = CreateNativeJsonUtilityService();
    PivoraRequestBuilder builder{json, std::make_shared<FakeSystemInfoService>(),
                                 std::make_shared<PivoraPreviewManager>(nullptr, nullptr, nullptr, nullptr, nullptr)};
    std::vector<std::shared_ptr<PivoraRequest>> requests;
    PivoraRequestBuilder::JsonObjects notifications;
};

// GetRequestPayload alone: the body as a JSON object.
void BM_RequestPayload(benchmark::State& state) {
    LoadFixture fixture;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.Payload());
    }
}
BENCHMARK(BM_RequestPayload)->Unit(benchmark::kMicrosecond);

// GetRequestPayload and its JSON text, as it goes on the wire.
void BM_RequestBody(benchmark::State& state) {
    LoadFixture fixture;
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string body = fixture.Payload()->ToString();
        bytes = body.size();
        benchmark::DoNotOptimize(body);
    }
    state.counters["body_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RequestBody)->Unit(benchmark::kMicrosecond);

// The body's text alone, written from the payload as it goes on the wire; against nlohmann's compact
// dump() of the same document, in the same run.
void BM_RequestBodyText(benchmark::State& state) {
    LoadFixture fixture;
    const std::shared_ptr<JsonObject> payload = fixture.Payload();
    const nlohmann::json reference = nlohmann::json::parse(payload->ToString());
    size_t bytes = 0;
    RunAgainstReference(
        state, 1.0,
        [&] {
            const std::string body = payload->ToString();
            bytes = body.size();
            benchmark::DoNotOptimize(body.data());
        },
        [&] { benchmark::DoNotOptimize(reference.dump()); });
    state.counters["body_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RequestBodyText)->UseManualTime()->Unit(benchmark::kMicrosecond);

// An answer of about 1 MB: 100 execute mboxes of 5 options each, with their analytics payload.
std::string MakeAnswer() {
    const std::string html(2000, 'x');
    std::string text = R"({"id": {"qtxId": "qtx.1"}, "edgeHost": "edge.example", "execute": {"mboxes": [)";
    for (int mbox = 0; mbox < 100; ++mbox) {
        text += mbox > 0 ? "," : "";
        text += R"({"name": "location-)" + std::to_string(mbox) + R"(", "options": [)";
        for (int option = 0; option < 5; ++option) {
            text += option > 0 ? "," : "";
            text += R"({"type": "html", "eventToken": "token", "content": ")" + html + "\"}";
        }
        text += R"(], "analytics": {"payload": {"pe": "tnt", "tnta": "1:1:0:0"}}})";
    }
    return text + "]}}";
}

// What a load does with the answer: parse it, pick out the mboxes, and read each one's content and payload.
void BM_ParseAnswer(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    PivoraResponseParser parser(json);
    const auto connection = std::make_shared<FakeHttpConnection>(200, MakeAnswer());
    for (auto _ : state) {
        const auto response = parser.ParseResponseToJson(connection);
        size_t content = 0;
        for (const auto& [name, mbox] : parser.ExtractBatchedMBoxes(response)) {
            content += parser.ExtractMboxContent(mbox).size() + parser.GetAnalyticsForPivoraPayload(mbox).size();
        }
        benchmark::DoNotOptimize(content);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * connection->GetResponse().size()));
}
BENCHMARK(BM_ParseAnswer)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace NuvraMobile
