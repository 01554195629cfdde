#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/values/Variant.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "services/database/NativeDatabaseService.h"
#include "shared/HitQueueBase.h"
#include "support/ChildProcess.h"
#include "support/FileSystemTestFolder.h"
#include "support/HitQueueTestSupport.h"
#include "support/ProcessEndingVfs.h"

namespace NuvraMobile {
namespace {

constexpr int PRODUCERS = 5;
constexpr int HITS_PER_PRODUCER = 5000;
constexpr size_t ACKNOWLEDGED_BEFORE_KILL = 200;

// One write per line: a pipe keeps writes below its buffer size whole, whichever thread makes them.
void Report(int descriptor, const std::string& line) {
    const std::string text = line + "\n";
    for (size_t written = 0; written < text.size();) {
        const ssize_t count = write(descriptor, text.data() + written, text.size() - written);
        if (count <= 0) {
            _exit(2);
        }
        written += static_cast<size_t>(count);
    }
}

size_t CountLinesStartingWith(const std::string& text, const std::string& prefix) {
    size_t count = 0;
    for (size_t at = 0; (at = text.find("\n" + prefix, at)) != std::string::npos; ++at) {
        ++count;
    }
    return count + (text.rfind(prefix, 0) == 0 ? 1 : 0);
}

/** The URLs of the complete report lines of each kind. */
struct ChildHits {
    explicit ChildHits(const std::string& reports) {
        std::istringstream lines(reports);
        for (std::string line; std::getline(lines, line);) {
            if (lines.eof()) {
                break;  // no newline: not a complete report
            }
            const size_t space = line.find(' ');
            const std::string kind = line.substr(0, space);
            (kind == "stored" ? stored : kind == "sent" ? sent : refused).insert(line.substr(space + 1));
        }
    }

    std::set<std::string> stored;
    std::set<std::string> sent;
    std::set<std::string> refused;
};

class HitQueueKillTest : public HitQueueTestFixture {
protected:
    // Producers queue hits as fast as commits allow while the worker sends and deletes them; each
    // acknowledgement is reported only after Queue returned true.
    void ProduceAndSendUntilKilled(int reports) {
        auto processor = std::make_shared<TestHitProcessor>([reports](const TestHit& hit) {
            Report(reports, "sent " + hit.url);
            return HitProcessingResult::DONE;
        });
        auto queue = std::make_shared<TestHitQueue>(MakePlatformServices(), std::make_shared<TestHitSchema>(),
                                                    processor);
        std::vector<std::thread> producers;
        for (int p = 0; p < PRODUCERS; ++p) {
            producers.emplace_back([&queue, reports, p] {
                for (int i = 0; i < HITS_PER_PRODUCER; ++i) {
                    const std::string url = std::to_string(p) + "/" + std::to_string(i);
                    Report(reports, (queue->Queue(TestHit::Make(url)) ? "stored " : "refused ") + url);
                    queue->BringOnline();
                }
            });
        }
        for (auto& producer : producers) {
            producer.join();
        }
    }
};

TEST_F(HitQueueKillTest, EveryAcknowledgedHitSurvivesAKillDuringGroupCommits) {
    const KilledChildReports reports = RunInChildProcessUntilKilled(
        [this](int descriptor) { ProduceAndSendUntilKilled(descriptor); },
        [](const std::string& text) { return CountLinesStartingWith(text, "stored ") >= ACKNOWLEDGED_BEFORE_KILL; });
    ASSERT_TRUE(reports.killed) << reports.text.substr(0, 500);
    const ChildHits hits(reports.text);
    ASSERT_GE(hits.stored.size(), ACKNOWLEDGED_BEFORE_KILL);
    EXPECT_TRUE(hits.refused.empty()) << *hits.refused.begin();

    auto queue = std::make_shared<TestHitQueue>(MakePlatformServices(), std::make_shared<TestHitSchema>(),
                                                std::make_shared<TestHitProcessor>());
    const std::vector<std::string> urls = TakeUrlsInTable(*queue);
    const std::set<std::string> inTable(urls.begin(), urls.end());
    size_t missing = 0;
    for (const std::string& url : hits.stored) {
        if (inTable.count(url) == 0 && hits.sent.count(url) == 0) {
            ADD_FAILURE() << "acknowledged hit lost: " << url;
            ++missing;
        }
    }
    EXPECT_EQ(0u, missing);
}

class HitQueueSalvageKillTest : public HitQueueTestFixture {
protected:
    static constexpr const char* FILE_NAME = "NVBMobileTest.sqlite";
    static constexpr int HITS = 600;

    HitQueueSalvageKillTest() { ProcessEndingVfs::Install(); }

    std::shared_ptr<TestHitQueue> MakeQueue() {
        return std::make_shared<TestHitQueue>(MakePlatformServices(), std::make_shared<TestHitSchema>(),
                                              std::make_shared<TestHitProcessor>());
    }

    // The database file with a damaged range in the middle; no connection stays open.
    std::string MakeDamagedFile() {
        InsertHitRows(HITS);
        databaseService = CreateNativeDatabaseService(systemInfo);  // closes the file, folding its log in
        DamagePages(folder.PathOf(FILE_NAME), 10, 2);
        return ReadFileBytes(folder.PathOf(FILE_NAME));
    }

    // Only the damaged file, as it was before any salvage.
    void RestoreDamagedFile(const std::string& bytes) {
        databaseService = CreateNativeDatabaseService(systemInfo);
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            std::filesystem::remove(entry.path());
        }
        WriteFileBytes(folder.PathOf(FILE_NAME), bytes);
    }

    // A salvage as the next start runs it; the rows of the table afterwards.
    std::vector<std::string> SalvageAndReadRows() {
        MakeQueue()->Reset();
        std::vector<std::string> urls = UrlsInTable();
        databaseService = CreateNativeDatabaseService(systemInfo);
        return urls;
    }
};

// The process ends at the Nth change the salvage asks of the file system (before it is made), for N
// spread over the whole salvage and past its end; the next start finds either the damaged file or the
// new one, and keeps every row that was readable.
TEST_F(HitQueueSalvageKillTest, ASalvageEndedAtAnyMomentKeepsEveryReadableRow) {
    ProcessEndingVfs& layer = ProcessEndingVfs::Install();
    const std::string damaged = MakeDamagedFile();
    std::int64_t changes = 0;
    std::vector<std::string> readable;
    {
        auto queue = MakeQueue();
        layer.EndAtChange(0);
        queue->Reset();
        changes = layer.Changes();
        readable = UrlsInTable();
    }
    ASSERT_GT(readable.size(), HITS / 2u);
    ASSERT_LT(readable.size(), static_cast<size_t>(HITS));
    ASSERT_GT(changes, 4);

    const std::int64_t stride = std::max<std::int64_t>(1, changes / 24);
    for (std::int64_t endAt = 1; endAt <= changes + 1; endAt += endAt + stride > changes ? 1 : stride) {
        SCOPED_TRACE("ended at change " + std::to_string(endAt) + " of " + std::to_string(changes));
        RestoreDamagedFile(damaged);
        RunInChildProcess([&] {
            auto queue = MakeQueue();
            layer.EndAtChange(endAt);
            queue->Reset();
        });
        const std::vector<std::string> kept = SalvageAndReadRows();
        EXPECT_EQ(readable.size(), kept.size());
        EXPECT_TRUE(kept == readable) << "other rows than the readable ones";
    }
}

}  // namespace
}  // namespace NuvraMobile
