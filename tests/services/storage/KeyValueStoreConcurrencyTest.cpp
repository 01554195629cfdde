#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "services/storage/AppInfo.h"
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

}  // namespace
}  // namespace NuvraMobile
