// Percent-encoding and context-data encoding of a 2 KB context-data map.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "shared/ContextData.h"
#include "util/UrlEncoder.h"

namespace NuvraMobile {
namespace {

// About 2 KB of keys and values as a measurement hit carries them.
std::map<std::string, std::string> MakeContextData() {
    std::map<std::string, std::string> data;
    size_t size = 0;
    for (int i = 0; size < 2048; ++i) {
        const std::string key = "a.section" + std::to_string(i % 7) + ".key" + std::to_string(i);
        const std::string value = "value " + std::to_string(i) + " & more/text?";
        size += key.size() + value.size();
        data[key] = value;
    }
    return data;
}

void BM_UrlEncode(benchmark::State& state) {
    std::string text;
    for (const auto& [key, value] : MakeContextData()) text += key + "=" + value + "&";
    for (auto _ : state) {
        benchmark::DoNotOptimize(UrlEncoder::Encode(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_UrlEncode)->Unit(benchmark::kMicrosecond);

void BM_EncodeContextData(benchmark::State& state) {
    const std::map<std::string, std::string> data = MakeContextData();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ContextData::EncodeContextData(data));
    }
}
BENCHMARK(BM_EncodeContextData)->Unit(benchmark::kMicrosecond);

void BM_DecodeContextData(benchmark::State& state) {
    const std::string text = "&c." + ContextData::EncodeContextData(MakeContextData()) + "&.c";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ContextData::DecodeContextData(text));
    }
}
BENCHMARK(BM_DecodeContextData)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace NuvraMobile
