#import "platform/NVRExtensionBridge.h"

#include <cmath>
#include <mutex>
#include <string>

#include "core/Object.h"
#include "core/SdkError.h"
#include "externalModule/ExternalModuleInterface.h"
#include "externalModule/ExternalModuleListenerInterface.h"
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
 * the instance is read under a lock and called outside it. The name outlives the instance: the module
 * still logs and keys its state by it after the instance is released.
 */
class ExternalModuleInterfaceWrapper : public Object, public virtual ExternalModuleInterface {
public:
    explicit ExternalModuleInterfaceWrapper(Class extensionClass) : instance_([extensionClass alloc]) {}

    ~ExternalModuleInterfaceWrapper() override {
        NVRExtension* instance = instance_;
        RunInObjCScope([instance] { [instance release]; });
    }

    /** Once the instance is gone (unregistered), the name it gave last. */
    std::string GetModuleName() override {
        std::string name;
        RunInObjCScope([&] {
            NVRExtension* instance = RetainedInstance();
            if (instance != nil) {
                name = ToCppString([instance name]);
                [instance release];
                MutexLock lock(mutex_);
                lastName_ = name;
            } else {
                MutexLock lock(mutex_);
                name = lastName_;
            }
        });
        return name;
    }

    std::string GetModuleVersion() override {
        std::string version;
        RunInObjCScope([&] {
            NVRExtension* instance = RetainedInstance();
            version = ToCppString([instance version]);
            [instance release];
        });
        return version;
    }

    void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) override {
        RunInObjCScope([&] {
            NVRExtension* allocated = TakeInstance();
            if (allocated == nil) {
                return;
            }
            NVRExtensionApi* api =
                CreateNVRExtensionApiFromExternalModuleServicesInterface(allocated, services);
            // initWithApi: stores the api before the subclass's own init runs.
            NVRExtension* instance = [[allocated initWithApi:api] init];
            {
                MutexLock lock(mutex_);
                instance_ = instance;
            }
            if ([instance api] == nil) {
                [instance unexpectedError:NVRExtensionErrorWithCode(NVRExtensionErrorUnknown, nil)];
            }
        });
    }

    void OnUnexpectedError(SdkError& error) override {
        const long code = GetNVRExtensionErrorFromErrorCodes(error.GetCode());
        RunInObjCScope([&] {
            NVRExtension* instance = RetainedInstance();
            [instance unexpectedError:NVRExtensionErrorWithCode(code, nil)];
            [instance release];
        });
    }

    void OnUnregister() override {
        RunInObjCScope([&] {
            NVRExtension* instance = TakeInstance();
            [instance onUnregister];
            [instance release];
        });
    }

private:
    NVRExtension* RetainedInstance() {
        MutexLock lock(mutex_);
        return [instance_ retain];
    }

    /** The instance, now owned by the caller; none is left here. */
    NVRExtension* TakeInstance() {
        MutexLock lock(mutex_);
        NVRExtension* instance = instance_;
        instance_ = nil;
        return instance;
    }

    Mutex mutex_;
    NVRExtension* instance_ NVR_GUARDED_BY(mutex_);
    std::string lastName_ NVR_GUARDED_BY(mutex_);
};

/** One registered listener class of the app's extension; its instance lives while it is registered. */
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
                listener_ = [[allocated initWithExtension:extension_] init];
            }
        });
    }

    void Hear(const std::shared_ptr<Event>& event) override {
        RunInObjCScope([&] { [listener_ hear:CreateNVRExtensionEventFromEvent(event)]; });
    }

    void OnUnregistered() override {
        RunInObjCScope([this] { ReleaseAll(); });
    }

private:
    void ReleaseAll() {
        [listener_ release];
        listener_ = nil;
        [extension_ release];
        extension_ = nil;
    }

    NVRExtension* extension_;
    const Class listenerClass_;
    NVRExtensionListener* listener_ = nil;
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
