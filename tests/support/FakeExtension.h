#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "externalModule/ExternalModuleInterface.h"
#include "externalModule/ExternalModuleListenerInterface.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {

class ExternalModuleServicesInterface;

/** What an extension and its listeners were told, in order, as lines of text. Thread-safe. */
class ExtensionJournal {
public:
    void Write(const std::string& entry);
    std::vector<std::string> Entries() const;
    /** The entries that start with `prefix`, in order. */
    std::vector<std::string> EntriesStartingWith(const std::string& prefix) const;
    /** True once `entry` has been written, waiting up to `timeout`. */
    bool WaitFor(const std::string& entry, std::chrono::milliseconds timeout = SIGNAL_TIMEOUT) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable written_;
    std::vector<std::string> entries_;
};

/**
 * An extension for tests. It writes "register", "unregister" and "error <code>" to its journal, keeps
 * the services it is given and the errors it is told of, and runs `onRegister` (set before
 * registration) with the services. Any thread.
 */
class FakeExtension : public Object, public virtual ExternalModuleInterface {
public:
    FakeExtension(std::string name, std::shared_ptr<ExtensionJournal> journal);

    std::string GetModuleName() override { return name_; }
    std::string GetModuleVersion() override { return "1.0.0"; }
    void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) override;
    void OnUnexpectedError(SdkError& error) override;
    void OnUnregister() override;

    std::shared_ptr<ExternalModuleServicesInterface> Services() const;
    /** The codes of the errors reported so far, in order. */
    std::vector<std::string> ErrorCodes() const;

    std::function<void(const std::shared_ptr<ExternalModuleServicesInterface>&)> onRegister;

private:
    const std::string name_;
    const std::shared_ptr<ExtensionJournal> journal_;
    mutable std::mutex mutex_;
    std::shared_ptr<ExternalModuleServicesInterface> services_;
    std::vector<std::string> errorCodes_;
};

/**
 * A listener for tests: writes "<name> registered", "<name> hears <event name>" and "<name>
 * unregistered" to the journal, then runs the matching hook (set before registration; a hook may
 * throw). Any thread.
 */
class FakeExtensionListener : public Object, public virtual ExternalModuleListenerInterface {
public:
    FakeExtensionListener(std::string name, std::shared_ptr<ExtensionJournal> journal);

    void OnRegistered() override;
    void Hear(const std::shared_ptr<Event>& event) override;
    void OnUnregistered() override;

    std::function<void()> onRegistered;
    std::function<void(const std::shared_ptr<Event>&)> onHear;
    std::function<void()> onUnregistered;

private:
    const std::string name_;
    const std::shared_ptr<ExtensionJournal> journal_;
};

}  // namespace NuvraMobile
