// Signal's request queue: the rows it stores, what each answer does to a row, the headers and
// timeouts of a request, and how privacy starts, holds or empties the queue.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "core/values/SdkError.h"
#include "signal/SignalDatabaseHitSchema.h"
#include "signal/SignalHitProcessor.h"
#include "signal/SignalHitQueue.h"
#include "signal/SignalHitsDatabase.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/HitQueueTestSupport.h"
#include "support/ScriptedNetworkService.h"

namespace NuvraMobile {
namespace {

using ::testing::ElementsAre;

std::shared_ptr<SignalHit> Hit(const std::string& url, const std::string& body = "",
                               const std::string& contentType = "", std::int64_t timeout = 2) {
    auto hit = std::make_shared<SignalHit>();
    hit->url = url;
    hit->postBody = body;
    hit->contentType = contentType;
    hit->timeout = timeout;
    return hit;
}

class SignalHitQueueTest : public HitQueueTestFixture {
protected:
    /** A database whose queue sends through `network` (none when null) on a counting executor. */
    std::shared_ptr<SignalHitsDatabase> MakeDatabase(
        const std::shared_ptr<NetworkServiceInterface>& network) {
        const auto services = MakePlatformServices(threading);
        queue = std::make_shared<SignalHitQueue>(services, std::make_shared<SignalDatabaseHitSchema>(),
                                                 std::make_shared<SignalHitProcessor>(network, systemInfo));
        return std::make_shared<SignalHitsDatabase>(services, queue);
    }

    std::shared_ptr<HitQueueThreadingService> threading = std::make_shared<HitQueueThreadingService>();
    std::shared_ptr<SignalHitQueue> queue;
};

TEST_F(SignalHitQueueTest, StoredRowReadsBackAsTheSameRequest) {
    const auto database =
        MakeDatabase(std::make_shared<ScriptedNetworkService>(ScriptedNetworkService::Status(200)));
    database->Queue(Hit("https://pb.example.com/a", "x=1", "text/plain", 7), 1700000000,
                    MobilePrivacyStatus::UNKNOWN);

    const auto stored = queue->SelectOldestHit();
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ("1", stored->identifier);
    EXPECT_EQ("https://pb.example.com/a", stored->url);
    EXPECT_EQ(1700000000, stored->timestamp);
    EXPECT_EQ("x=1", stored->postBody);
    EXPECT_EQ("text/plain", stored->contentType);
    EXPECT_EQ(7, stored->timeout);
}

TEST_F(SignalHitQueueTest, AnswerDecidesWhetherTheRowIsRetried) {
    struct Case {
        std::int32_t status;
        HitProcessingResult result;
    };
    const Case cases[] = {
        {200, HitProcessingResult::DONE},  {201, HitProcessingResult::DONE},
        {204, HitProcessingResult::DONE},  {404, HitProcessingResult::DONE},
        {500, HitProcessingResult::DONE},  {502, HitProcessingResult::DONE},
        {408, HitProcessingResult::RETRY}, {503, HitProcessingResult::RETRY},
        {504, HitProcessingResult::RETRY},
    };
    for (const auto& testCase : cases) {
        SignalHitProcessor processor(
            std::make_shared<ScriptedNetworkService>(ScriptedNetworkService::Status(testCase.status)),
            systemInfo);
        EXPECT_EQ(testCase.result, processor.Process(Hit("https://pb.example.com/a"))) << testCase.status;
    }
}

TEST_F(SignalHitQueueTest, NoAnswerOrARefusedRequestIsDiscarded) {
    ScopedCapturingLog log;
    SignalHitProcessor unanswered(std::make_shared<ScriptedNetworkService>(), systemInfo);
    EXPECT_EQ(HitProcessingResult::DONE, unanswered.Process(Hit("https://pb.example.com/a")));
    EXPECT_TRUE(
        log.Service().Contains("Could not process a request because it was invalid. Discarding request"));

    SignalHitProcessor refusing(
        std::make_shared<ScriptedNetworkService>(
            [](const ScriptedNetworkService::Request&) -> std::shared_ptr<HttpConnectionInterface> {
                throw std::invalid_argument("Invalid url");
            }),
        systemInfo);
    EXPECT_EQ(HitProcessingResult::DONE, refusing.Process(Hit("http://pb.example.com/a")));
    EXPECT_TRUE(
        log.Service().Contains("Failed to send the request (http://pb.example.com/a), error message ("));

    EXPECT_EQ(HitProcessingResult::DONE, unanswered.Process(nullptr));
}

TEST_F(SignalHitQueueTest, RequestCarriesItsMethodHeadersAndTimeouts) {
    const auto network = std::make_shared<ScriptedNetworkService>(ScriptedNetworkService::Status(200));
    SignalHitProcessor processor(network, systemInfo);
    processor.Process(Hit("https://pb.example.com/get", "", "", 7));
    processor.Process(Hit("https://pb.example.com/post", "{}", "application/json", 3));

    const auto get = network->RequestTo("/get");
    EXPECT_EQ(HttpCommandType::GET, get.command);
    EXPECT_EQ("application/x-www-form-urlencoded", get.headers.at("Content-Type"));
    EXPECT_EQ("en-US", get.headers.at("Accept-Language"));
    EXPECT_EQ(7, get.connectTimeout);
    EXPECT_EQ(7, get.readTimeout);
    const auto post = network->RequestTo("/post");
    EXPECT_EQ(HttpCommandType::POST, post.command);
    EXPECT_EQ("{}", post.payload);
    EXPECT_EQ("application/json", post.headers.at("Content-Type"));
    EXPECT_EQ(3, post.connectTimeout);
    EXPECT_EQ(3, post.readTimeout);
}

TEST_F(SignalHitQueueTest, WithoutANetworkServiceRowsAreKeptAndTheWorkerStops) {
    const auto database = MakeDatabase(nullptr);
    database->Queue(Hit("https://pb.example.com/a"), 1, MobilePrivacyStatus::OPT_IN);
    ASSERT_TRUE(threading->WaitForFinishedTasks(1));
    const auto kept = queue->SelectOldestHit();
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ("https://pb.example.com/a", kept->url);
}

TEST_F(SignalHitQueueTest, PrivacyStartsHoldsOrEmptiesTheQueue) {
    const auto network = std::make_shared<ScriptedNetworkService>(ScriptedNetworkService::Status(200));
    const auto database = MakeDatabase(network);
    database->Queue(Hit("https://pb.example.com/1"), 1, MobilePrivacyStatus::UNKNOWN);
    database->Queue(Hit("https://pb.example.com/2"), 2, MobilePrivacyStatus::UNKNOWN);
    EXPECT_EQ(2, queue->GetSize());
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty()) << "storing never starts the queue";

    database->UpdatePrivacyStatus(MobilePrivacyStatus::OPT_IN);
    ASSERT_TRUE(threading->WaitForFinishedTasks(1));
    ASSERT_EQ(2u, network->Requests().size());
    EXPECT_EQ("https://pb.example.com/1", network->Requests()[0].url);
    EXPECT_EQ("https://pb.example.com/2", network->Requests()[1].url);
    EXPECT_EQ(0, queue->GetSize());

    database->UpdatePrivacyStatus(MobilePrivacyStatus::UNKNOWN);
    database->Queue(Hit("https://pb.example.com/3"), 3, MobilePrivacyStatus::UNKNOWN);
    database->UpdatePrivacyStatus(MobilePrivacyStatus::OPT_OUT);
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_EQ(0, queue->GetSize());
    EXPECT_EQ(2u, network->Requests().size());
}

// A folder that cannot be made would lose every request: they are kept in memory and sent while the app
// runs, with the one error line that says so and none per request.
TEST_F(SignalHitQueueTest, RequestsOfAFolderThatCannotBeMadeAreKeptInMemoryAndSent) {
    folder.WriteFile("file", "a regular file");
    const std::string unusable = folder.PathOf("file/sub");
    systemInfo->Update(
        [&](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = unusable; });
    ScopedCapturingLog log(LoggingMode::Trace);
    const auto network = std::make_shared<ScriptedNetworkService>(ScriptedNetworkService::Status(200));
    const auto database = MakeDatabase(network);
    database->Queue(Hit("https://pb.example.com/1"), 1, MobilePrivacyStatus::UNKNOWN);
    database->Queue(Hit("https://pb.example.com/2"), 2, MobilePrivacyStatus::UNKNOWN);
    EXPECT_EQ(2, queue->GetSize());

    database->UpdatePrivacyStatus(MobilePrivacyStatus::OPT_IN);
    ASSERT_TRUE(threading->WaitUntilIdle());
    ASSERT_EQ(2u, network->Requests().size());
    EXPECT_EQ("https://pb.example.com/1", network->Requests()[0].url);
    EXPECT_EQ("https://pb.example.com/2", network->Requests()[1].url);
    EXPECT_EQ(0, queue->GetSize());
    EXPECT_THAT(log.Service().GetMessages(LoggingMode::Error),
                ElementsAre("Cannot open NVBMobileSignals.sqlite in " + unusable +
                            "; its hits are kept in memory only, and are lost when the app ends"));
    EXPECT_EQ("a regular file", folder.ReadFile("file"));
}

TEST_F(SignalHitQueueTest, WithoutPlatformServicesNothingIsStoredAndDisposeSucceeds) {
    ScopedCapturingLog log;
    SignalHitsDatabase database(nullptr);
    database.Queue(Hit("https://pb.example.com/a"), 1, MobilePrivacyStatus::OPT_IN);
    database.UpdatePrivacyStatus(MobilePrivacyStatus::OPT_IN);
    EXPECT_TRUE(database.Dispose(std::chrono::milliseconds(0)));
    EXPECT_TRUE(log.Service().Contains("Failed to initialize hit database (platform services was null)"));
    EXPECT_TRUE(log.Service().Contains("Failed to queue hit (hit queue was null)"));
}

}  // namespace
}  // namespace NuvraMobile
