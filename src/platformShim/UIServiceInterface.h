#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** The application's state. */
enum class AppState : std::int32_t { FOREGROUND = 0, BACKGROUND = 1, UNKNOWN = 2 };

/** A full-screen HTML message; created hidden. */
class FullScreenMessageUiInterface : public virtual ObjectInterface {
public:
    virtual void Show() = 0;
    virtual void OpenUrl(const std::string& url) = 0;
    virtual void Remove() = 0;
};

/** Implemented by the users of a full-screen message; called on the UI thread. */
class FullscreenListenerInterface : public virtual ObjectInterface {
public:
    virtual void OnShow(const std::shared_ptr<FullScreenMessageUiInterface>& message) = 0;
    virtual void OnDismiss(const std::shared_ptr<FullScreenMessageUiInterface>& message) = 0;
    /** True when the listener has handled the URL and the message must not load it. */
    virtual bool OverrideUrlLoad(const std::shared_ptr<FullScreenMessageUiInterface>& message,
                                 const std::string& url) = 0;
};

/** A draggable floating button; created hidden. */
class FloatingButtonInterface : public virtual ObjectInterface {
public:
    virtual void Display() = 0;
    virtual void Remove() = 0;
};

class FloatingButtonListenerInterface : public virtual ObjectInterface {
public:
    virtual void OnTapDetected() = 0;
    virtual void OnPanDetected() = 0;
};

class AlertListenerInterface : public virtual ObjectInterface {
public:
    /** The positive button was tapped. */
    virtual void OnPositiveResponse() = 0;
    /** The negative button was tapped. */
    virtual void OnNegativeResponse() = 0;
    virtual void OnShow() = 0;
    /** The alert closed after either button. */
    virtual void OnDismiss() = 0;
};

class AppStateListenerInterface : public virtual ObjectInterface {
public:
    /** The state became FOREGROUND. */
    virtual void OnForeground() = 0;
    /** The state became BACKGROUND. */
    virtual void OnBackground() = 0;
};

/** One local notification to schedule. A record: fill it on one thread, then hand it over. */
class ShowLocalNotificationArgs : public Object {
public:
    /** Every text empty, both durations 0. */
    static std::shared_ptr<ShowLocalNotificationArgs> Create() {
        return std::make_shared<ShowLocalNotificationArgs>();
    }

    std::string identifier;
    /** The body text. */
    std::string content;
    /** Sound name; empty for the default. */
    std::string sound;
    std::string category;
    /** Delivery delay from now in whole seconds, used when fireDate is 0. */
    std::int64_t delay = 0;
    std::string deepLink;
    /** Delivery time in whole seconds since 1970-01-01 UTC; 0 means none. */
    std::int64_t fireDate = 0;
    /** A JSON object whose entries join the notification's user info. */
    std::string userInfo;
    std::string title;
};

/**
 * In-app UI: alerts, full-screen messages, local notifications, opening URLs, the app state and a
 * floating button. Any core thread may call; the work moves to the UI thread, and listeners are called
 * there or on a service thread, never under a core lock.
 */
class UIServiceInterface : public virtual ObjectInterface {
public:
    virtual void ShowAlert(const std::string& title, const std::string& message,
                           const std::string& positiveButtonText, const std::string& negativeButtonText,
                           const std::shared_ptr<AlertListenerInterface>& listener) = 0;

    /** The message, not yet shown; empty when none could be made. */
    virtual std::shared_ptr<FullScreenMessageUiInterface> CreateFullscreenMessage(
        const std::string& html, const std::shared_ptr<FullscreenListenerInterface>& listener) = 0;

    /** Durations in whole seconds; schedules like the record form with an empty title. */
    virtual void ShowLocalNotification(const std::string& identifier, const std::string& content,
                                       const std::string& sound, const std::string& category,
                                       std::int64_t delay, const std::string& deepLink, std::int64_t fireDate,
                                       const std::string& userInfo) = 0;

    /** Opens the URL outside the app (or through the app's URL handler); false for an empty URL. */
    virtual bool ShowUrl(const std::string& url) = 0;

    virtual AppState GetAppState() const = 0;

    virtual void RegisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>& listener) = 0;

    virtual void UnregisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>& listener) = 0;

    /** The button, not yet displayed. */
    virtual std::shared_ptr<FloatingButtonInterface> CreateFloatingButton(
        const std::shared_ptr<FloatingButtonListenerInterface>& listener) = 0;

    /** True while an alert or full-screen message is on screen (one at a time). */
    virtual bool IsMessageDisplayed() = 0;

    virtual void ShowLocalNotification(const std::shared_ptr<ShowLocalNotificationArgs>& args) = 0;
};

}  // namespace NuvraMobile
