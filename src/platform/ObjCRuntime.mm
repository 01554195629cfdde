#include "platform/ObjCRuntime.h"

#import <Foundation/Foundation.h>

namespace NuvraMobile::ObjCRuntime {

// Foundation ends the registration itself when a registered thread exits.
void RegisterCurrentThread() {
    thread_local const bool registered = (GSRegisterCurrentThread(), true);
    (void)registered;
}

void* PushReleasePool() { return [[NSAutoreleasePool alloc] init]; }

void PopReleasePool(void* pool) { [static_cast<NSAutoreleasePool*>(pool) drain]; }

}  // namespace NuvraMobile::ObjCRuntime
