#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/module/HitSenderInterface.h"
#include "platformShim/DatabaseInterface.h"
#include "shared/HitDatabaseBase.h"
#include "shared/HitProcessorBase.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class DatabaseHitBase;
class DatabaseHitSchemaBase;
class HitProcessorBase;
class PlatformServicesInterface;
class Query;
class SystemInfoServiceInterface;
class TaskExecutorInterface;
class Variant;

/**
 * A persistent send queue: hits are rows of one table, and one worker task at a time hands the
 * oldest row to the processor until the table is empty, the network is not connected, or the queue
 * is suspended or stopped (disposed, or every queue stopped for exit). DONE deletes the row, RETRY keeps
 * it and offers it again after a pause, STOP keeps it and ends the worker. When the deletion after DONE
 * fails the worker ends, and each later run first deletes that row, sending nothing before it could: the
 * hit is not sent twice by one process. Nothing restarts the worker but BringOnline.
 *
 * Stopping: whoever stops a queue stops it (StopSending) before it aborts the requests the queue may wait
 * for. A hit whose processing ends once the queue is stopped so keeps its row, whatever the processor
 * answered: an aborted request looks like a refused one, and a hit answered in that instant is at worst sent
 * once more on the next launch. A queue disposed without its requests cut short deletes a hit the server
 * took as usual, so that the next launch does not send it again. A stopped worker takes no next hit.
 *
 * Threads: every operation may be called from any thread. `mutex_` guards the flags and the executor;
 * the worker takes it only for its checks and the pause, never while the processor or a statement
 * runs. The worker runs on the queue's own sequential executor and holds a shared owner of the queue
 * during each run, so a queue stays alive while a run is in progress; when that owner is the last one,
 * the destructor runs on the worker's thread and only starts the disposal.
 *
 * Durability: Queue returns true only once the row is committed and on disk. Callers of Queue that
 * arrive while a commit is running wait and form the next group, which one of them commits in a single
 * transaction; a failing statement fails every caller of that group and no other. The leader of a group
 * that forms behind a commit, or right after one of several callers, first gives the callers of that
 * commit a short while (half its time, at most a millisecond) to queue their next hits and join. A lone caller inserts its row on its
 * own at once, as if no one else could come. The worker deletes a sent row without waiting for the
 * disk: the next commit that waits carries the deletion, and a power failure before it only sends the
 * hit again.
 */
class HitQueueBase : public HitDatabaseBase, public HitSenderInterface {
public:
    static constexpr const char* LOG_TAG = "HitQueue";
    static constexpr std::chrono::milliseconds DEFAULT_RETRY_PAUSE{30000};

    /** Opens or creates the table and migrates it when its columns differ from the schema's. */
    HitQueueBase(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                 const std::shared_ptr<DatabaseHitSchemaBase>& schema,
                 const std::shared_ptr<HitProcessorBase>& processor);
    /** Disposes the executor, waiting a bounded time for a run in progress to end. */
    ~HitQueueBase() override;
    HitQueueBase(const HitQueueBase&) = delete;
    HitQueueBase& operator=(const HitQueueBase&) = delete;

    bool InitializeDatabase(const std::shared_ptr<DatabaseInterface>& database) override;

    /** Final: the worker ends at its next check and the executor is disposed; true when it finished in time.
     */
    virtual bool Dispose(std::chrono::milliseconds timeout);
    /** Dispose without waiting: the stop its module makes before it aborts the queue's requests. */
    void StopSending() override;
    /**
     * For process exit: stops every queue of the process, old or new, as Dispose stops one, without
     * waiting for any. Final for the process; any thread.
     */
    static void StopEveryQueue();
    /** Clears the suspension and adds one worker task; does nothing once disposed. */
    virtual void BringOnline();
    /** The worker finishes the hit in hand, then stops; rows stay. */
    virtual void Suspend();
    /**
     * Sets the given columns on every row; refused, as Queue is, after a failed reset. A hit that failed
     * before the update (its server, say, changed since) is offered again at once, not after its pause.
     */
    virtual bool UpdateAllHits(const std::map<std::string, std::shared_ptr<Variant>>& values);
    bool IsSuspended();

    /** The hit of the query's first row, or empty. */
    std::shared_ptr<DatabaseHitBase> QueryHit(const std::shared_ptr<Query>& query);
    /**
     * Stores the hit as a new row, true once it is on disk; does not start the worker. After a failed
     * reset it is refused, unless the reset was due to be tried again and now succeeded.
     */
    bool Queue(const std::shared_ptr<DatabaseHitBase>& hit);
    /** The row first in "ID ASC" order. */
    std::shared_ptr<DatabaseHitBase> SelectOldestHit();
    /** Rewrites the row whose "ID" is the hit's identifier; refused, as Queue is, after a failed reset. */
    bool UpdateHit(const std::shared_ptr<DatabaseHitBase>& hit);

    /** For tests: how long a retried hit waits before it is offered again. */
    void SetRetryPauseForTesting(std::chrono::milliseconds pause);

    /** For tests: blocks until `count` callers of Queue wait for a commit that is running. */
    void WaitForQueuedCallersForTesting(size_t count) NVR_EXCLUDES(groupMutex_);

private:
    // The row of one caller of Queue, on that caller's stack while it waits for its group's commit.
    struct PendingRow {
        DatabaseInterface::ColumnValues values;
        bool committed = false;
        bool stored = false;
        // Set on the first caller that waited when a commit ends: it commits the next group.
        bool leads = false;
    };

    bool CommitWithOthers(PendingRow& row) NVR_EXCLUDES(groupMutex_);
    bool InsertGroup(std::vector<PendingRow*>& group);
    void GatherReturningCallers(MutexLock& lock, bool tookOver) NVR_REQUIRES(groupMutex_);
    void RunWorker() NVR_EXCLUDES(mutex_);
    void PauseBeforeRetrying() NVR_EXCLUDES(mutex_);
    void SetRowsUpdatedSinceRead(bool updated) NVR_EXCLUDES(mutex_);
    bool ShouldWorkerContinue() NVR_EXCLUDES(mutex_);
    bool IsStopped() NVR_EXCLUDES(mutex_);
    /** Whether the hit just processed keeps its row and the worker ends, because the queue was stopped. */
    bool KeepsHitInHand(HitProcessingResult result) NVR_EXCLUDES(mutex_);
    bool IsStoppedNoLock() NVR_REQUIRES(mutex_);
    bool ShouldWorkerContinueNoLock() NVR_REQUIRES(mutex_);
    bool IsNetworkConnected() const;
    std::shared_ptr<TaskExecutorInterface> CreateExecutor();

    Mutex mutex_;
    std::shared_ptr<TaskExecutorInterface> taskExecutor_ NVR_GUARDED_BY(mutex_);
    const std::shared_ptr<DatabaseHitSchemaBase> hitSchema_;
    const std::shared_ptr<HitProcessorBase> hitProcessor_;
    bool isSuspended_ NVR_GUARDED_BY(mutex_) = false;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    bool isDisposed_ NVR_GUARDED_BY(mutex_) = false;
    /** Set by StopSending, which comes before the queue's requests are aborted. */
    bool requestsMayBeCut_ NVR_GUARDED_BY(mutex_) = false;
    std::condition_variable condition_;
    std::chrono::milliseconds retryPause_ NVR_GUARDED_BY(mutex_) = DEFAULT_RETRY_PAUSE;
    // Set by UpdateAllHits after the worker read its hit: a retry of that hit need not wait.
    bool rowsUpdatedSinceRead_ NVR_GUARDED_BY(mutex_) = false;

    Mutex groupMutex_;
    std::condition_variable groupCondition_;
    // Wakes WaitForQueuedCallersForTesting.
    std::condition_variable queuedCondition_;
    std::vector<PendingRow*> waitingRows_ NVR_GUARDED_BY(groupMutex_);
    bool committing_ NVR_GUARDED_BY(groupMutex_) = false;
    size_t lastGroupSize_ NVR_GUARDED_BY(groupMutex_) = 0;
    std::chrono::steady_clock::duration lastCommitTime_ NVR_GUARDED_BY(groupMutex_){};
    std::chrono::steady_clock::time_point lastCommitEnd_ NVR_GUARDED_BY(groupMutex_);
};

}  // namespace NuvraMobile
