#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "services/storage/AppInfo.h"
#include "services/storage/KeyValueStore.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

// Module tasks on several worker threads use their stores at once, each through its own objects.
TEST(KeyValueStoreConcurrencyTest, ThreadsWritingAndReadingTheirStoresLoseNothing) {
    FileSystemTestFolder folder;
    AppInfo::SetDataDirectory(folder.Path());
    constexpr int THREADS = 4;
    constexpr int KEYS = 25;
    auto service = CreateNativeLocalStorageService();

    std::vector<std::thread> threads;
    for (int thread = 0; thread < THREADS; ++thread) {
        threads.emplace_back([&service, thread] {
            auto store = service->GetDataStore("store" + std::to_string(thread));
            for (int key = 0; key < KEYS; ++key) {
                store->SetInt("k" + std::to_string(key), key * thread);
                EXPECT_EQ(store->GetInt("k" + std::to_string(key), -1), key * thread);
                service->GetDataStore("shared")->SetString("t" + std::to_string(thread), std::to_string(key));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    for (int thread = 0; thread < THREADS; ++thread) {
        auto store = service->GetDataStore("store" + std::to_string(thread));
        for (int key = 0; key < KEYS; ++key) {
            EXPECT_EQ(store->GetInt("k" + std::to_string(key), -1), key * thread);
        }
        EXPECT_EQ(service->GetDataStore("shared")->GetString("t" + std::to_string(thread), ""),
                  std::to_string(KEYS - 1));
    }
    AppInfo::SetDataDirectory("");
}

// The services' Dispose may close every store while module tasks still write (an exit from an SDK
// callback): a write that meets its store closed opens it again, and none is lost.
TEST(KeyValueStoreConcurrencyTest, WritesWhileEveryStoreIsClosedOpenItAgainAndLoseNothing) {
    FileSystemTestFolder folder;
    const auto store = KeyValueStore::Open(folder.PathOf("store.sqlite"));
    ASSERT_TRUE(store);
    constexpr int THREADS = 3;
    constexpr int KEYS = 40;
    std::atomic<bool> writing{true};
    std::thread closer([&] {
        while (writing.load()) {
            KeyValueStore::CloseEveryStore();
        }
    });
    std::vector<std::thread> writers;
    for (int thread = 0; thread < THREADS; ++thread) {
        writers.emplace_back([&store, thread] {
            for (int key = 0; key < KEYS; ++key) {
                store->Put(std::to_string(thread) + "-" + std::to_string(key),
                           KeyValueStore::Value(std::int64_t{key}));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    writing.store(false);
    closer.join();
    for (int thread = 0; thread < THREADS; ++thread) {
        for (int key = 0; key < KEYS; ++key) {
            EXPECT_EQ(store->Get(std::to_string(thread) + "-" + std::to_string(key)),
                      KeyValueStore::Value(std::int64_t{key}));
        }
    }
}

}  // namespace
}  // namespace NuvraMobile
