#include "support/FakeExtension.h"

#include <algorithm>
#include <utility>

#include "core/values/Event.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {

void ExtensionJournal::Write(const std::string& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(entry);
    written_.notify_all();
}

std::vector<std::string> ExtensionJournal::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

std::vector<std::string> ExtensionJournal::EntriesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& entry : Entries()) {
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(entry);
        }
    }
    return found;
}

bool ExtensionJournal::WaitFor(const std::string& entry, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return written_.wait_for(
        lock, timeout, [&] { return std::find(entries_.begin(), entries_.end(), entry) != entries_.end(); });
}

void ExtensionJournal::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

FakeExtension::FakeExtension(std::string name, std::shared_ptr<ExtensionJournal> journal)
    : name_(std::move(name)), journal_(std::move(journal)) {}

void FakeExtension::OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        services_ = services;
    }
    journal_->Write("register");
    if (onRegister) {
        onRegister(services);
    }
}

void FakeExtension::OnUnexpectedError(SdkError& error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        errorCodes_.push_back(error.GetCode());
    }
    journal_->Write("error " + error.GetCode());
}

void FakeExtension::OnUnregister() { journal_->Write("unregister"); }

std::shared_ptr<ExternalModuleServicesInterface> FakeExtension::Services() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return services_;
}

std::vector<std::string> FakeExtension::ErrorCodes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return errorCodes_;
}

FakeExtensionListener::FakeExtensionListener(std::string name, std::shared_ptr<ExtensionJournal> journal)
    : name_(std::move(name)), journal_(std::move(journal)) {}

void FakeExtensionListener::OnRegistered() {
    journal_->Write(name_ + " registered");
    if (onRegistered) {
        onRegistered();
    }
}

void FakeExtensionListener::Hear(const std::shared_ptr<Event>& event) {
    journal_->Write(name_ + " hears " + event->GetName());
    if (onHear) {
        onHear(event);
    }
}

void FakeExtensionListener::OnUnregistered() {
    journal_->Write(name_ + " unregistered");
    if (onUnregistered) {
        onUnregistered();
    }
}

}  // namespace NuvraMobile
