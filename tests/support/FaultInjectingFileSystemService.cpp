#include "support/FaultInjectingFileSystemService.h"

#include <algorithm>
#include <utility>

#include "platformShim/FileHandlerInterface.h"

namespace NuvraMobile {

namespace {

/** A file whose writes spend the service's budget. */
class BudgetedFileHandler : public Object, public virtual FileHandlerInterface {
public:
    BudgetedFileHandler(std::shared_ptr<FileHandlerInterface> target,
                        std::shared_ptr<FaultInjectingFileSystemService> service)
        : target_(std::move(target)), service_(std::move(service)) {}

    std::uint64_t Size() override { return target_->Size(); }
    std::int64_t LastModified() override { return target_->LastModified(); }
    bool OpenForReading() override { return target_->OpenForReading(); }
    bool OpenForWriting() override { return target_->OpenForWriting(); }
    bool MoveToOffset(std::uint64_t offset) override { return target_->MoveToOffset(offset); }
    std::uint32_t Write(std::uint32_t count, const void* bytes) override {
        const std::uint32_t allowed = service_->Reserve(count);
        return allowed == 0 ? 0 : target_->Write(allowed, bytes);
    }
    std::uint32_t Read(std::uint32_t count, void* buffer) override { return target_->Read(count, buffer); }
    bool Close() override { return target_->Close(); }

private:
    const std::shared_ptr<FileHandlerInterface> target_;
    const std::shared_ptr<FaultInjectingFileSystemService> service_;
};

}  // namespace

FaultInjectingFileSystemService::FaultInjectingFileSystemService(
    std::shared_ptr<FileSystemServiceInterface> target)
    : target_(std::move(target)) {}

void FaultInjectingFileSystemService::FailWritesAfter(std::uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    budget_ = bytes;
}

void FaultInjectingFileSystemService::Clear() { FailWritesAfter(std::numeric_limits<std::uint64_t>::max()); }

std::uint64_t FaultInjectingFileSystemService::BytesWritten() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

std::uint32_t FaultInjectingFileSystemService::Reserve(std::uint32_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto allowed = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, budget_));
    budget_ -= allowed;
    written_ += allowed;
    return allowed;
}

std::shared_ptr<FileHandlerInterface> FaultInjectingFileSystemService::CreateFileHandler(
    const std::string& path) {
    std::shared_ptr<FileHandlerInterface> handler = target_->CreateFileHandler(path);
    return handler ? std::make_shared<BudgetedFileHandler>(
                         handler, ObjectToSharedPtr<FaultInjectingFileSystemService>(*this))
                   : nullptr;
}

bool FaultInjectingFileSystemService::MakeDirectory(const std::string& path) {
    return target_->MakeDirectory(path);
}

bool FaultInjectingFileSystemService::DeleteDirectory(const std::string& path) {
    return target_->DeleteDirectory(path);
}

bool FaultInjectingFileSystemService::DeleteFile(const std::string& path) { return target_->DeleteFile(path); }

bool FaultInjectingFileSystemService::Rename(const std::string& from, const std::string& to) {
    return target_->Rename(from, to);
}

bool FaultInjectingFileSystemService::IsDirectory(const std::string& path) {
    return target_->IsDirectory(path);
}

bool FaultInjectingFileSystemService::DirectoryExists(const std::string& path) {
    return target_->DirectoryExists(path);
}

bool FaultInjectingFileSystemService::DirectoryIsWritable(const std::string& path) {
    return target_->DirectoryIsWritable(path);
}

std::vector<std::string> FaultInjectingFileSystemService::GetDirectoryContents(const std::string& path) {
    return target_->GetDirectoryContents(path);
}

std::vector<std::string> FaultInjectingFileSystemService::GetDirectoryFiles(const std::string& path) {
    return target_->GetDirectoryFiles(path);
}

std::string FaultInjectingFileSystemService::ReadStringFromFile(const std::string& path) {
    return target_->ReadStringFromFile(path);
}

char FaultInjectingFileSystemService::GetPathSeparatorChar() { return target_->GetPathSeparatorChar(); }

std::string FaultInjectingFileSystemService::GetPathSeparator() { return target_->GetPathSeparator(); }

}  // namespace NuvraMobile
