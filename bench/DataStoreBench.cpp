// Data-store throughput for string values. Every write is a durable commit, so the write figure is
// bounded by the disk's sync latency; reads are served by SQLite's page cache. The raw-SQLite cases
// show what the store's journal settings cost against the alternatives.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "services/storage/AppInfo.h"
#include "services/storage/NativeLocalStorageService.h"

namespace NuvraMobile {
namespace {

constexpr int KEY_COUNT = 64;
const std::string VALUE(64, 'v');

// A fresh folder on the disk that holds the temporary folder, removed afterwards.
class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nvr-bench-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string Key(std::int64_t index) { return "key" + std::to_string(index % KEY_COUNT); }

void BM_DataStoreSetString(benchmark::State& state) {
    BenchFolder folder;
    AppInfo::SetDataDirectory(folder.Path());
    auto store = CreateNativeLocalStorageService()->GetDataStore("bench");
    std::int64_t index = 0;
    for (auto _ : state) {
        // A value that differs from the stored one: an unchanged value commits nothing.
        store->SetString(Key(index), VALUE + std::to_string(index));
        ++index;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DataStoreSetString)->UseRealTime();

void BM_DataStoreGetString(benchmark::State& state) {
    BenchFolder folder;
    AppInfo::SetDataDirectory(folder.Path());
    auto store = CreateNativeLocalStorageService()->GetDataStore("bench");
    for (int index = 0; index < KEY_COUNT; ++index) {
        store->SetString(Key(index), VALUE);
    }
    std::int64_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->GetString(Key(index++), ""));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DataStoreGetString)->UseRealTime();

// One committed upsert per iteration under the journal mode and sync level named by the arguments:
// 0 WAL + FULL (the store's choice), 1 WAL + NORMAL, 2 rollback journal + FULL.
void BM_SqliteCommitBySettings(benchmark::State& state) {
    static const char* SETTINGS[] = {
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;",
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;",
        "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;",
    };
    static const char* LABELS[] = {"WAL+FULL", "WAL+NORMAL", "DELETE+FULL"};
    BenchFolder folder;
    sqlite3* database = nullptr;
    sqlite3_open((folder.Path() + "/bench.sqlite").c_str(), &database);
    sqlite3_exec(database, SETTINGS[state.range(0)], nullptr, nullptr, nullptr);
    sqlite3_exec(database, "CREATE TABLE entries(key BLOB PRIMARY KEY, kind INTEGER, value) WITHOUT ROWID",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(
        database,
        "INSERT INTO entries VALUES(?1, 3, ?2) ON CONFLICT(key) DO UPDATE SET value = excluded.value", -1,
        &statement, nullptr);
    std::int64_t index = 0;
    for (auto _ : state) {
        const std::string key = Key(index);
        const std::string value = VALUE + std::to_string(index++);
        sqlite3_bind_blob(statement, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(statement, 2, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_close(database);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(LABELS[state.range(0)]);
}
BENCHMARK(BM_SqliteCommitBySettings)->DenseRange(0, 2)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
