#import "platform/NVRExtensionBridge.h"

#include <cmath>
#include <string>

#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "externalModule/ExternalModuleInterface.h"
#include "externalModule/ExternalModuleListenerInterface.h"
#include "platform/LockedObjectSlot.h"
#include "platform/NVRExtensionErrorCodes.h"
#import "platform/NVRExtensionListener.h"
#include "platform/ObjCRuntime.h"
#import "platform/ValueConversions.h"
#include "services/json/NativeJsonUtilityService.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

/**
 * The app's extension behind the core's module interface. The hub asks the name on the registering
 * thread and the shared-state name on any thread while the instance is replaced on the hub side, so
 * the instance is kept in a locked slot and each call holds its own reference. The name outlives the
 * instance: the module still logs and keys its state by it after the instance is released.
 */
class ExternalModuleInterfaceWrapper : public Object, public virtual ExternalModuleInterface {
public:
    explicit ExternalModuleInterfaceWrapper(Class extensionClass) : instance_([extensionClass alloc]) {}

    ~ExternalModuleInterfaceWrapper() override {
        RunInObjCScope([this] { instance_.Take(); });
    }

    /** Once the instance is gone (unregistered), the name it gave last. */
    std::string GetModuleName() override {
        std::string name;
        RunInObjCScope([&] {
            const auto instance = instance_.Retained();
            const bool answered = instance.Get() != nil;
            if (answered) {
                name = ToCppString([instance.Get() name]);
            }
            MutexLock lock(nameMutex_);
            if (answered) {
                lastName_ = name;
            } else {
                name = lastName_;
            }
        });
        return name;
    }

    std::string GetModuleVersion() override {
        std::string version;
        RunInObjCScope([&] { version = ToCppString([instance_.Retained().Get() version]); });
        return version;
    }

    void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) override {
        RunInObjCScope([&] {
            NVRExtension* allocated = instance_.Take().Release();
            if (allocated == nil) {
                return;
            }
            NVRExtensionApi* api =
                CreateNVRExtensionApiFromExternalModuleServicesInterface(allocated, services);
            // initWithApi: stores the api before the subclass's own init runs.
            instance_.Put(RetainedObject<NVRExtension>::Adopt([[allocated initWithApi:api] init]));
            const auto instance = instance_.Retained();
            if ([instance.Get() api] == nil) {
                [instance.Get() unexpectedError:NVRExtensionErrorWithCode(NVRExtensionErrorUnknown, nil)];
            }
        });
    }

    void OnUnexpectedError(SdkError& error) override {
        const long code = GetNVRExtensionErrorFromErrorCodes(error.GetCode());
        RunInObjCScope(
            [&] { [instance_.Retained().Get() unexpectedError:NVRExtensionErrorWithCode(code, nil)]; });
    }

    void OnUnregister() override {
        RunInObjCScope([&] { [instance_.Take().Get() onUnregister]; });
    }

private:
    LockedObjectSlot<NVRExtension> instance_;
    Mutex nameMutex_;
    std::string lastName_ NVR_GUARDED_BY(nameMutex_);
};

/**
 * One registered listener class of the app's extension; its instance lives while it is registered, and
 * for as long as a call into it runs: the listener may unregister its own module from inside hear:.
 */
class ExternalModuleListenerInterfaceWrapper : public Object, public virtual ExternalModuleListenerInterface {
public:
    ExternalModuleListenerInterfaceWrapper(NVRExtension* extension, Class listenerClass)
        : extension_([extension retain]), listenerClass_(listenerClass) {}

    ~ExternalModuleListenerInterfaceWrapper() override {
        RunInObjCScope([this] { ReleaseAll(); });
    }

    void OnRegistered() override {
        RunInObjCScope([this] {
            NVRExtensionListener* allocated = [listenerClass_ alloc];
            if (allocated != nil) {
                listener_.Put(RetainedObject<NVRExtensionListener>::Adopt(
                    [[allocated initWithExtension:extension_.Retained().Get()] init]));
            }
        });
    }

    void Hear(const std::shared_ptr<Event>& event) override {
        RunInObjCScope([&] { [listener_.Retained().Get() hear:CreateNVRExtensionEventFromEvent(event)]; });
    }

    void OnUnregistered() override {
        RunInObjCScope([this] { ReleaseAll(); });
    }

private:
    void ReleaseAll() {
        listener_.Take();
        extension_.Take();
    }

    LockedObjectSlot<NVRExtension> extension_;
    const Class listenerClass_;
    LockedObjectSlot<NVRExtensionListener> listener_;
};

bool IsJsonValue(id value) {
    if ([value isKindOfClass:[NSString class]] || [value isKindOfClass:[NSNull class]]) {
        return true;
    }
    if ([value isKindOfClass:[NSNumber class]]) {
        return std::isfinite([value doubleValue]);
    }
    if ([value isKindOfClass:[NSArray class]]) {
        for (id element in value) {
            if (!IsJsonValue(element)) {
                return false;
            }
        }
        return true;
    }
    if ([value isKindOfClass:[NSDictionary class]]) {
        for (id key in value) {
            if (![key isKindOfClass:[NSString class]] || !IsJsonValue([value objectForKey:key])) {
                return false;
            }
        }
        return true;
    }
    return false;
}

}  // namespace

std::shared_ptr<ExternalModuleInterface> CreateExternalModuleInterface(Class extensionClass) {
    return std::make_shared<ExternalModuleInterfaceWrapper>(extensionClass);
}

std::shared_ptr<ExternalModuleListenerInterface> CreateExternalModuleListenerInterface(
    NVRExtension* extension, Class listenerClass) {
    return std::make_shared<ExternalModuleListenerInterfaceWrapper>(extension, listenerClass);
}

NVRExtensionApi* CreateNVRExtensionApiFromExternalModuleServicesInterface(
    NVRExtension* extension, const std::shared_ptr<ExternalModuleServicesInterface>& services) {
    return [NVRExtensionApi initWithExtension:extension withServices:services];
}

NVRExtensionEvent* CreateNVRExtensionEventFromEvent(const std::shared_ptr<Event>& event) {
    return [[NVRExtensionEvent newInternal:event
                    withJsonUtilityService:CreateNativeJsonUtilityService()] autorelease];
}

std::shared_ptr<Event> GetEventFromNVRExtensionEvent(NVRExtensionEvent* event) {
    return event != nil ? [event getInternalEvent] : nullptr;
}

NSError* NVRExtensionErrorWithCode(long code, NSDictionary* userInfo) {
    return [NSError errorWithDomain:NVRExtensionErrorDomain code:code userInfo:userInfo];
}

void StoreNVRExtensionError(NSError** error, long code, NSDictionary* userInfo) {
    if (error != nullptr) {
        *error = NVRExtensionErrorWithCode(code, userInfo);
    }
}

bool IsJsonObjectGraph(id value) {
    return [value isKindOfClass:[NSDictionary class]] && [NSJSONSerialization isValidJSONObject:value] &&
           IsJsonValue(value);
}

}  // namespace NuvraMobile
