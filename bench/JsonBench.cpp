// Parsing a 1 MB JSON document of nested objects and arrays into Variants, and writing it back.
#include <benchmark/benchmark.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "ReferenceRatio.h"
#include "platformShim/JsonObjectSerializer.h"
#include "services/json/NativeJsonUtilityService.h"

namespace NuvraMobile {
namespace {

// A document like a large configuration or rules bundle: records of strings, numbers, booleans and
// nested arrays and objects, about 1 MB in all.
std::string MakeDocument() {
    std::string text = "{\"records\": [";
    for (int i = 0; text.size() < 1000000; ++i) {
        if (i > 0) text += ',';
        const std::string n = std::to_string(i);
        text += "{\"id\": " + n + ", \"name\": \"record " + n + "\", \"ratio\": " + n +
                ".25, \"active\": " + (i % 2 == 0 ? "true" : "false") + ", \"tags\": [\"a\", \"b\", " + n +
                "], \"detail\": {\"url\": \"https://example.com/p/" + n +
                "\", \"weights\": [0.5, 1.5, 2.5], \"meta\": {\"depth\": 3, \"note\": null}}}";
    }
    return text + "]}";
}

const std::string& Document() {
    static const std::string document = MakeDocument();
    return document;
}

void ReferenceParse() { benchmark::DoNotOptimize(nlohmann::json::parse(Document())); }

// The text into a JSON object, whose members are Variants; against nlohmann's own parse into its document.
void BM_ParseToJsonObject(benchmark::State& state) {
    const std::shared_ptr<JsonUtilityServiceInterface> service = CreateNativeJsonUtilityService();
    RunAgainstReference(
        state, 1.5, [&] { benchmark::DoNotOptimize(service->CreateJsonObject(Document())); }, ReferenceParse);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document().size()));
}
BENCHMARK(BM_ParseToJsonObject)->UseManualTime()->Unit(benchmark::kMillisecond);

// The text straight into a map variant, as values are read; against the same reference.
void BM_ParseToVariant(benchmark::State& state) {
    const std::shared_ptr<JsonUtilityServiceInterface> service = CreateNativeJsonUtilityService();
    RunAgainstReference(
        state, 1.5, [&] { benchmark::DoNotOptimize(service->JsonTextToVariant(Document())); }, ReferenceParse);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document().size()));
}
BENCHMARK(BM_ParseToVariant)->UseManualTime()->Unit(benchmark::kMillisecond);

// The values back into compact text; against nlohmann's compact dump() of the same document.
void BM_WriteFromVariant(benchmark::State& state) {
    const std::shared_ptr<JsonUtilityServiceInterface> service = CreateNativeJsonUtilityService();
    JsonObjectSerializer serializer(service);
    const std::shared_ptr<Variant> variant = serializer.Serialize(*service->CreateJsonObject(Document()));
    const nlohmann::json reference = nlohmann::json::parse(Document());
    size_t written = 0;
    RunAgainstReference(
        state, 1.0,
        [&] {
            const std::string text = serializer.Deserialize(*variant).Value()->ToString();
            written = text.size();
            benchmark::DoNotOptimize(text.data());
        },
        [&] { benchmark::DoNotOptimize(reference.dump()); });
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}
BENCHMARK(BM_WriteFromVariant)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace NuvraMobile
