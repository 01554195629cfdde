// Extraction speed of a rules-bundle-like archive: about 5 MB of zip holding 200 files in a few
// folders, extracted into a fresh folder per iteration. Throughput is counted in uncompressed bytes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "services/compression/NativeCompressedFileService.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;

constexpr int FILE_COUNT = 200;
constexpr std::size_t FILE_SIZE = 40 * 1024;

// Text from a small alphabet in a pseudo-random order deflates to about two thirds of its size.
std::string FileContent(int file) {
    std::string content(FILE_SIZE, ' ');
    std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(file);
    for (auto& character : content) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        character = "abcdefghijklmnopqrstuvwxyz{}\":,0123456789"[state % 41];
    }
    return content;
}

class ZipFixture : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        std::string pattern = (fs::temp_directory_path() / "nvr-zip-bench-XXXXXX").string();
        folder_ = mkdtemp(pattern.data());
        const fs::path source = folder_ / "source";
        for (int file = 0; file < FILE_COUNT; ++file) {
            const fs::path path =
                source / ("folder" + std::to_string(file % 8)) / ("file" + std::to_string(file) + ".json");
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << FileContent(file);
        }
        archive_ = (folder_ / "bundle.zip").string();
        const std::string command = "cd '" + source.string() + "' && zip -q -r '" + archive_ + "' .";
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("the zip command failed");
        }
        fs::remove_all(source);
    }

    void TearDown(const benchmark::State&) override { fs::remove_all(folder_); }

protected:
    fs::path folder_;
    std::string archive_;
};

BENCHMARK_DEFINE_F(ZipFixture, ExtractBundle)(benchmark::State& state) {
    auto service = CreateNativeCompressedFileService();
    int run = 0;
    for (auto _ : state) {
        const fs::path destination = folder_ / ("out" + std::to_string(run++));
        service->Extract(archive_, CompressedFileType::ZIP, destination.string());
        state.PauseTiming();
        fs::remove_all(destination);
        state.ResumeTiming();
    }
    const auto extractedBytes = static_cast<std::int64_t>(FILE_COUNT * FILE_SIZE);
    state.SetBytesProcessed(state.iterations() * extractedBytes);
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive_)) / 1e6;
    state.counters["archive_MB/s"] = benchmark::Counter(
        static_cast<double>(fs::file_size(archive_)) / 1e6 * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK_REGISTER_F(ZipFixture, ExtractBundle)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
