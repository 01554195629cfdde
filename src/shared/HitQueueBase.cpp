#include "shared/HitQueueBase.h"

#include <atomic>
#include <utility>

#include "core/execution/ExecutorShutdown.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/values/SdkError.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "platformShim/ThreadingServiceInterface.h"
#include "shared/DatabaseHitBase.h"
#include "shared/DatabaseHitSchemaBase.h"
#include "shared/HitProcessorBase.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds PAUSE_SLICE{1000};
// The longest a group's leader waits for the callers of the group before it to come back.
constexpr std::chrono::microseconds MAX_GATHERING{1000};

// An update rewrites rows; their number stays.
std::int64_t KeepsTheRowCount(std::int64_t count) { return count; }

// Set once, at exit: every queue of the process is stopped.
std::atomic<bool> everyQueueStopped{false};

std::shared_ptr<DatabaseServiceInterface> DatabaseServiceOf(
    const std::shared_ptr<PlatformServicesInterface>& services) {
    return services ? services->GetDatabaseService() : nullptr;
}

std::shared_ptr<SystemInfoServiceInterface> SystemInfoServiceOf(
    const std::shared_ptr<PlatformServicesInterface>& services) {
    return services ? services->GetSystemInfoService() : nullptr;
}

}  // namespace

HitQueueBase::HitQueueBase(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                           const std::shared_ptr<DatabaseHitSchemaBase>& schema,
                           const std::shared_ptr<HitProcessorBase>& processor)
    : HitDatabaseBase(DatabaseServiceOf(platformServices), schema),
      hitSchema_(schema),
      hitProcessor_(processor),
      platformServices_(platformServices),
      systemInfoService_(SystemInfoServiceOf(platformServices)) {
    OpenOrCreateDatabase();
    MigrateDatabaseIfNeeded(schema);
}

HitQueueBase::~HitQueueBase() {
    DisposeOnDestruction(
        this, [this](std::chrono::milliseconds timeout) { return Dispose(timeout); }, LOG_TAG);
}

bool HitQueueBase::InitializeDatabase(const std::shared_ptr<DatabaseInterface>& database) {
    if (!database) {
        Log::Error(LOG_TAG, "Failed to query hit (database was null)");
        return false;
    }
    if (!hitSchema_) {
        return false;
    }
    return RunStatement(
        database,
        [&] {
            return database->CreateTable(hitSchema_->GetTableName(), hitSchema_->GetColumnNames(),
                                         hitSchema_->GetColumnDataTypes(),
                                         hitSchema_->GetColumnConstraints());
        },
        LOG_TAG, "Unable to read from database.  Query failed with error %s", false);
}

bool HitQueueBase::Dispose(std::chrono::milliseconds timeout) {
    std::shared_ptr<TaskExecutorInterface> executor;
    {
        MutexLock lock(mutex_);
        isDisposed_ = true;
        executor = taskExecutor_;
    }
    if (!executor) {
        return true;
    }
    condition_.notify_all();
    return executor->Dispose(timeout);
}

void HitQueueBase::StopSending() {
    {
        MutexLock lock(mutex_);
        requestsMayBeCut_ = true;
    }
    Dispose(std::chrono::milliseconds(0));
}

void HitQueueBase::StopEveryQueue() { everyQueueStopped.store(true); }

void HitQueueBase::BringOnline() {
    MutexLock lock(mutex_);
    if (isDisposed_) {
        return;
    }
    isSuspended_ = false;
    if (!taskExecutor_) {
        taskExecutor_ = CreateExecutor();
    }
    std::weak_ptr<Object> owner = weak_from_this();
    // The run holds a shared owner of the queue, so the queue's destructor can run on this worker's
    // thread when that owner turns out to be the last one: the mark, declared first, tells it so.
    taskExecutor_->AddTask([owner, marked = static_cast<const void*>(this)] {
        RunningTaskMark mark(marked);
        auto queue = std::static_pointer_cast<HitQueueBase>(owner.lock());
        if (queue) {
            queue->RunWorker();
        }
    });
}

std::shared_ptr<TaskExecutorInterface> HitQueueBase::CreateExecutor() {
    std::shared_ptr<ThreadingServiceInterface> threading =
        platformServices_ ? platformServices_->GetThreadingService() : nullptr;
    if (threading) {
        return threading->CreateSequentialTaskExecutor("HitQueueBase");
    }
    return TaskExecutorInterface::CreateFixedThreaded(1);
}

void HitQueueBase::Suspend() {
    {
        MutexLock lock(mutex_);
        isSuspended_ = true;
    }
    condition_.notify_all();
}

bool HitQueueBase::IsSuspended() {
    MutexLock lock(mutex_);
    return isSuspended_;
}

void HitQueueBase::SetRetryPauseForTesting(std::chrono::milliseconds pause) {
    MutexLock lock(mutex_);
    retryPause_ = pause;
}

// A sent hit whose deletion failed is deleted before any other is sent: sending on would send it again.
void HitQueueBase::RunWorker() {
    if (!ShouldWorkerContinue() || !DeleteSentHitKeptAside()) {
        return;
    }
    do {
        SetRowsUpdatedSinceRead(false);
        std::shared_ptr<DatabaseHitBase> hit = SelectOldestHit();
        if (!hit) {
            return;
        }
        HitProcessingResult result =
            hitProcessor_ ? hitProcessor_->ProcessBase(hit) : HitProcessingResult::STOP;
        if (result == HitProcessingResult::STOP || KeepsHitInHand(result)) {
            return;
        }
        if (result == HitProcessingResult::RETRY) {
            PauseBeforeRetrying();
        } else if (!DeleteSentHit(hit->identifier)) {
            return;
        }
    } while (ShouldWorkerContinue());
}

// The network status is read outside the lock, so that callers of Suspend or Dispose never wait for it.
bool HitQueueBase::ShouldWorkerContinue() {
    {
        MutexLock lock(mutex_);
        if (isSuspended_ || IsStoppedNoLock()) {
            return false;
        }
    }
    return IsNetworkConnected();
}

bool HitQueueBase::ShouldWorkerContinueNoLock() {
    return !isSuspended_ && !IsStoppedNoLock() && IsNetworkConnected();
}

// A disposal that cuts no request short lets a hit the server took be deleted: kept, the next launch would
// send it again. Once requests may have been cut short (a stop before an abort, the exit), a done hit may be
// one whose request never ended, so it keeps its row.
bool HitQueueBase::KeepsHitInHand(HitProcessingResult result) {
    MutexLock lock(mutex_);
    if (!IsStoppedNoLock()) {
        return false;
    }
    return result != HitProcessingResult::DONE || requestsMayBeCut_ || everyQueueStopped.load();
}

bool HitQueueBase::IsStopped() {
    MutexLock lock(mutex_);
    return IsStoppedNoLock();
}

bool HitQueueBase::IsStoppedNoLock() { return isDisposed_ || everyQueueStopped.load(); }

bool HitQueueBase::IsNetworkConnected() const {
    return systemInfoService_ && systemInfoService_->GetNetworkConnectionStatus() == ConnectionStatus::CONNECTED;
}

// Waits in slices of at most a second, so a network loss ends the pause within about a second;
// suspension, disposal and an update of every row notify the condition and end it at once.
void HitQueueBase::PauseBeforeRetrying() {
    auto start = std::chrono::steady_clock::now();
    MutexLock lock(mutex_);
    auto deadline = start + retryPause_;
    for (auto now = start; now < deadline; now = std::chrono::steady_clock::now()) {
        if (!ShouldWorkerContinueNoLock() || rowsUpdatedSinceRead_) {
            return;
        }
        lock.WaitUntil(condition_,
                       std::min<std::chrono::steady_clock::time_point>(deadline, now + PAUSE_SLICE));
    }
}

void HitQueueBase::SetRowsUpdatedSinceRead(bool updated) {
    {
        MutexLock lock(mutex_);
        rowsUpdatedSinceRead_ = updated;
    }
    condition_.notify_all();
}

std::shared_ptr<DatabaseHitBase> HitQueueBase::QueryHit(const std::shared_ptr<Query>& query) {
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_TAG, "Failed to query hit (database was null)");
        return nullptr;
    }
    if (!query) {
        Log::Error(LOG_TAG, "Invalid query (null)");
        return nullptr;
    }
    std::shared_ptr<DatabaseHitBase> hit;
    std::shared_ptr<QueryResultInterface> result;
    RunStatement(
        database,
        [&] {
            result = database->RunQuery(query);
            if (result && result->GetCount() > 0 && result->MoveToFirst()) {
                hit = hitSchema_->GenerateHitBase(result);
            }
            return true;
        },
        LOG_TAG, "Unable to read from database.  Query failed with error %s", true);
    if (result) {
        TrySwallow([&] { result->Close(); });
    }
    return hit;
}

bool HitQueueBase::Queue(const std::shared_ptr<DatabaseHitBase>& hit) {
    if (!hit) {
        Log::Debug(LOG_TAG, "Ignoring null hit");
        return false;
    }
    if (!AcceptsWrite(ResetRetrySchedule::Refusal::NEW_HIT)) {
        return false;
    }
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_TAG, "Failed to query hit (database was null)");
        return false;
    }
    PendingRow row;
    row.values = hitSchema_->GenerateDataMapBase(hit);
    return CommitWithOthers(row);
}

bool HitQueueBase::CommitWithOthers(PendingRow& row) {
    std::vector<PendingRow*> group;
    {
        MutexLock lock(groupMutex_);
        waitingRows_.push_back(&row);
        queuedCondition_.notify_all();
        while (committing_ && !row.committed && !row.leads) {
            lock.Wait(groupCondition_);
        }
        if (row.committed) {
            return row.stored;
        }
        // Taken before gathering: callers arriving meanwhile wait for this group.
        const bool tookOver = committing_;
        committing_ = true;
        GatherReturningCallers(lock, tookOver);
        group.swap(waitingRows_);
    }
    const auto start = std::chrono::steady_clock::now();
    const bool stored = InsertGroup(group);
    const auto end = std::chrono::steady_clock::now();
    {
        MutexLock lock(groupMutex_);
        lastGroupSize_ = group.size();
        lastCommitTime_ = end - start;
        lastCommitEnd_ = end;
        // Each waiting caller returns as soon as it sees its flag: its row is not touched after this.
        for (PendingRow* member : group) {
            member->stored = stored;
            member->committed = true;
        }
        if (waitingRows_.empty()) {
            committing_ = false;
        } else {
            waitingRows_.front()->leads = true;
        }
    }
    groupCondition_.notify_all();
    return stored;
}

// Callers whose group has just been committed usually queue their next hit at once. Without waiting for
// them, groups alternate between the callers that waited and those that were served (a first caller
// back even commits alone). So a leader that takes over from a commit, or comes within one commit's time
// after a group of several, gives the callers of that group half a commit's time (at most
// MAX_GATHERING) to join. A lone caller never waits: its last group was itself.
void HitQueueBase::GatherReturningCallers(MutexLock& lock, bool tookOver) {
    const auto now = std::chrono::steady_clock::now();
    const bool recent = now - lastCommitEnd_ < lastCommitTime_;
    if (!tookOver && !(recent && lastGroupSize_ > 1)) {
        return;
    }
    // A leader that took over was not in the last group; one that came after it probably was.
    const size_t expected = lastGroupSize_ + (tookOver ? waitingRows_.size() : 0);
    const auto deadline = now + std::min<std::chrono::steady_clock::duration>(lastCommitTime_ / 2, MAX_GATHERING);
    while (waitingRows_.size() < expected && lock.WaitUntil(queuedCondition_, deadline)) {
    }
}

// A group of one is a plain insert, so a lone caller pays nothing for the grouping.
bool HitQueueBase::InsertGroup(std::vector<PendingRow*>& group) {
    const std::string table = hitSchema_->GetTableName();
    std::vector<DatabaseInterface::ColumnValues> rows;
    rows.reserve(group.size());
    for (PendingRow* member : group) {
        rows.push_back(std::move(member->values));
    }
    const auto added = static_cast<std::int64_t>(rows.size());
    return Write(
        [&](DatabaseInterface& database) {
            return rows.size() == 1 ? database.Insert(table, rows.front()) : database.InsertRows(table, rows);
        },
        [added](std::int64_t count) { return count + added; }, LOG_TAG,
        "Unable to read from database.  Query failed with error %s",
        [] { Log::Error(LOG_TAG, "Failed to query hit (database was null)"); });
}

void HitQueueBase::WaitForQueuedCallersForTesting(size_t count) {
    MutexLock lock(groupMutex_);
    while (!committing_ || waitingRows_.size() < count) {
        lock.Wait(queuedCondition_);
    }
}

std::shared_ptr<DatabaseHitBase> HitQueueBase::SelectOldestHit() {
    if (!hitSchema_) {
        return nullptr;
    }
    return QueryHit(QueryBuilder(hitSchema_->GetTableName(), hitSchema_->GetColumnNames())
                        .OrderBy("ID ASC")
                        .Limit("1")
                        .Build());
}

bool HitQueueBase::UpdateHit(const std::shared_ptr<DatabaseHitBase>& hit) {
    if (!hit || hit->identifier.empty()) {
        Log::Warning(LOG_TAG, "Unable to update hit with empty identifier");
        return false;
    }
    if (!GetDatabase() || !AcceptsWrite(ResetRetrySchedule::Refusal::UPDATE)) {
        return false;
    }
    return Write(
        [&](DatabaseInterface& database) {
            return database.Update(hitSchema_->GetTableName(), hitSchema_->GenerateDataMapBase(hit), "ID = ?",
                                   {hit->identifier});
        },
        KeepsTheRowCount, LOG_TAG, "Unable to update hit in database. Query failed with error %s", nullptr);
}

bool HitQueueBase::UpdateAllHits(const std::map<std::string, std::shared_ptr<Variant>>& values) {
    if (!GetDatabase() || !AcceptsWrite(ResetRetrySchedule::Refusal::UPDATE)) {
        return false;
    }
    const bool updated = Write(
        [&](DatabaseInterface& database) { return database.Update(tableName, values, "", {}); },
        KeepsTheRowCount, LOG_TAG, "Unable to read from database.  Query failed with error %s", nullptr);
    if (updated) {
        SetRowsUpdatedSinceRead(true);
    }
    return updated;
}

}  // namespace NuvraMobile
