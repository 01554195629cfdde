#include "support/FaultInjectingDatabaseService.h"

#include <limits>
#include <utility>

#include "core/values/SdkError.h"
#include "services/database/Database.h"

namespace NuvraMobile {

namespace {

/** One database of the service: every statement asks the plan first. */
class FaultInjectingDatabase : public Object, public virtual DatabaseInterface {
public:
    FaultInjectingDatabase(std::shared_ptr<DatabaseInterface> target, std::shared_ptr<DatabaseFaultPlan> plan,
                           std::string fileName)
        : target_(std::move(target)), plan_(std::move(plan)), fileName_(std::move(fileName)) {}

    bool CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                     const std::vector<ColumnDataType>& columnDataTypes,
                     const std::vector<std::vector<ColumnConstraint>>& columnConstraints) override {
        Statement(WRITES);
        return target_->CreateTable(table, columnNames, columnDataTypes, columnConstraints);
    }
    bool CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                     const std::vector<ColumnDataType>& columnDataTypes,
                     const std::vector<std::vector<ColumnConstraint>>& columnConstraints,
                     bool withDefaults) override {
        Statement(WRITES);
        return target_->CreateTable(table, columnNames, columnDataTypes, columnConstraints, withDefaults);
    }
    bool Insert(const std::string& table, const ColumnValues& values) override {
        Statement(WRITES);
        return target_->Insert(table, values);
    }
    bool InsertRows(const std::string& table, const std::vector<ColumnValues>& rows) override {
        Statement(WRITES);
        return target_->InsertRows(table, rows);
    }
    std::shared_ptr<QueryResultInterface> RunQuery(const std::shared_ptr<Query>& query) override {
        Statement(READS);
        return target_->RunQuery(query);
    }
    std::int64_t CountRows(const std::string& table, const std::string& selection,
                           const std::vector<std::string>& selectionArgs) override {
        Statement(READS);
        return target_->CountRows(table, selection, selectionArgs);
    }
    bool Update(const std::string& table, const ColumnValues& values, const std::string& selection,
                const std::vector<std::string>& selectionArgs) override {
        Statement(WRITES);
        return target_->Update(table, values, selection, selectionArgs);
    }
    bool Delete(const std::string& table, const std::string& selection,
                const std::vector<std::string>& selectionArgs) override {
        Statement(WRITES);
        return target_->Delete(table, selection, selectionArgs);
    }
    bool DeleteUnsynced(const std::string& table, const std::string& selection,
                        const std::vector<std::string>& selectionArgs) override {
        Statement(WRITES);
        return target_->DeleteUnsynced(table, selection, selectionArgs);
    }
    bool DeleteTable(const std::string& table) override {
        Statement(WRITES);
        return target_->DeleteTable(table);
    }
    void Close() override { target_->Close(); }
    bool AttemptDatabaseMigration(
        const std::string& table, const std::vector<std::string>& columnNames,
        const std::vector<ColumnDataType>& columnDataTypes,
        const std::vector<std::vector<ColumnConstraint>>& columnConstraints) override {
        Statement(WRITES);
        return target_->AttemptDatabaseMigration(table, columnNames, columnDataTypes, columnConstraints);
    }
    bool TableContainsColumn(const std::string& table, const std::string& column) override {
        return target_->TableContainsColumn(table, column);
    }
    std::vector<std::string> GetColumnNamesForTable(const std::string& table) override {
        Statement(READS);
        return target_->GetColumnNamesForTable(table);
    }
    std::vector<std::string> UnionColumns(const std::vector<std::string>& columnNames,
                                          const std::string& table) override {
        return target_->UnionColumns(columnNames, table);
    }
    bool RenameTable(const std::string& oldName, const std::string& newName) override {
        Statement(WRITES);
        return target_->RenameTable(oldName, newName);
    }
    bool CopyColumnsFromTableToTable(const std::string& sourceTable, const std::string& destinationTable,
                                     const std::vector<std::string>& columnNames) override {
        Statement(WRITES);
        return target_->CopyColumnsFromTableToTable(sourceTable, destinationTable, columnNames);
    }
    bool BeginTransaction(TransactionType type) override {
        Statement(WRITES);
        return target_->BeginTransaction(type);
    }
    bool EndTransaction() override {
        Statement(WRITES);
        return target_->EndTransaction();
    }

private:
    static constexpr bool WRITES = true;
    static constexpr bool READS = false;

    void Statement(bool writes) {
        if (const int resultCode = plan_->NextStatement(fileName_, writes)) {
            Throw(Database::StatementError(resultCode, "injected fault"));
        }
    }

    const std::shared_ptr<DatabaseInterface> target_;
    const std::shared_ptr<DatabaseFaultPlan> plan_;
    const std::string fileName_;
};

}  // namespace

void DatabaseFaultPlan::FailStatements(std::int64_t first, int resultCode, std::int64_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::int64_t last =
        count > std::numeric_limits<std::int64_t>::max() - first ? std::numeric_limits<std::int64_t>::max()
                                                                  : first + count - 1;
    faults_.push_back({first, last, resultCode});
}

void DatabaseFaultPlan::FailNextStatements(int resultCode, std::int64_t count) {
    FailStatements(StatementCount() + 1, resultCode, count);
}

void DatabaseFaultPlan::FailEveryStatement(int resultCode) {
    FailNextStatements(resultCode, std::numeric_limits<std::int64_t>::max());
}

void DatabaseFaultPlan::FailEveryWrite(int resultCode) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back({statements_ + 1, std::numeric_limits<std::int64_t>::max(), resultCode, true});
}

void DatabaseFaultPlan::FailStatementOn(const std::string& fileName, std::int64_t nth, int resultCode) {
    std::lock_guard<std::mutex> lock(mutex_);
    fileFaults_.push_back({fileName, nth - 1, resultCode});
}

void DatabaseFaultPlan::RefuseNextDeletions(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    refusedDeletions_ = count;
}

void DatabaseFaultPlan::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
    fileFaults_.clear();
    refusedDeletions_ = 0;
    refusedOpens_.clear();
}

void DatabaseFaultPlan::RefuseOpensOf(const std::string& fileName) {
    std::lock_guard<std::mutex> lock(mutex_);
    refusedOpens_ = fileName;
}

bool DatabaseFaultPlan::OpenRefused(const std::string& fileName) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !refusedOpens_.empty() && refusedOpens_ == fileName;
}

std::int64_t DatabaseFaultPlan::StatementCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return statements_;
}

std::int64_t DatabaseFaultPlan::FailedStatementCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

void DatabaseFaultPlan::HoldNextStatement() {
    std::lock_guard<std::mutex> lock(mutex_);
    heldStatement_ = statements_ + 1;
    holding_ = false;
}

void DatabaseFaultPlan::HoldNextStatementOn(const std::string& fileName) {
    std::lock_guard<std::mutex> lock(mutex_);
    heldFile_ = fileName;
    holding_ = false;
}

void DatabaseFaultPlan::WaitForHeldStatement() {
    std::unique_lock<std::mutex> lock(mutex_);
    holdCondition_.wait(lock, [this] { return holding_; });
}

void DatabaseFaultPlan::ReleaseHeldStatement() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        heldStatement_ = 0;
    }
    holdCondition_.notify_all();
}

int DatabaseFaultPlan::NextStatement(const std::string& fileName, bool writes) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::int64_t number = ++statements_;
    if (!heldFile_.empty() && fileName == heldFile_) {
        heldFile_.clear();
        heldStatement_ = number;
    }
    if (number == heldStatement_) {
        holding_ = true;
        holdCondition_.notify_all();
        holdCondition_.wait(lock, [&] { return heldStatement_ != number; });
    }
    const int resultCode = FaultOf(number, fileName, writes);
    failed_ += resultCode != 0 ? 1 : 0;
    return resultCode;
}

int DatabaseFaultPlan::FaultOf(std::int64_t number, const std::string& fileName, bool writes) {
    int resultCode = 0;
    for (FileFault& fault : fileFaults_) {
        if (fault.fileName == fileName && fault.before-- == 0) {
            resultCode = fault.resultCode;
        }
    }
    for (const Fault& fault : faults_) {
        if (resultCode == 0 && number >= fault.first && number <= fault.last &&
            (writes || !fault.writesOnly)) {
            resultCode = fault.resultCode;
        }
    }
    return resultCode;
}

bool DatabaseFaultPlan::NextDeletionRefused() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (refusedDeletions_ == 0) {
        return false;
    }
    --refusedDeletions_;
    return true;
}

FaultInjectingDatabaseService::FaultInjectingDatabaseService(std::shared_ptr<DatabaseServiceInterface> target)
    : target_(std::move(target)) {}

void FaultInjectingDatabaseService::CheckOpen(const std::string& fileName) const {
    if (plan_->OpenRefused(fileName)) {
        Throw(SdkError(Database::OPEN_ERROR, "injected fault: " + fileName, CurrentDebugInfo()));
    }
}

std::shared_ptr<DatabaseInterface> FaultInjectingDatabaseService::OpenDatabase(const std::string& fileName) {
    CheckOpen(fileName);
    return WithFaults(target_->OpenDatabase(fileName), fileName);
}

std::shared_ptr<DatabaseInterface> FaultInjectingDatabaseService::OpenInMemoryDatabase(
    const std::string& fileName) {
    CheckOpen(fileName);
    return WithFaults(target_->OpenInMemoryDatabase(fileName), fileName);
}

std::shared_ptr<DatabaseInterface> FaultInjectingDatabaseService::WithFaults(
    const std::shared_ptr<DatabaseInterface>& database, const std::string& fileName) const {
    return database ? std::make_shared<FaultInjectingDatabase>(database, plan_, fileName) : nullptr;
}

bool FaultInjectingDatabaseService::DeleteDatabase(const std::string& fileName) {
    return !plan_->NextDeletionRefused() && target_->DeleteDatabase(fileName);
}

bool FaultInjectingDatabaseService::ReplaceDatabase(const std::string& fileName, const std::string& replacement) {
    return !plan_->NextDeletionRefused() && target_->ReplaceDatabase(fileName, replacement);
}

}  // namespace NuvraMobile
