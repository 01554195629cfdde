// The blocks runtime copies a block's captured object pointers without retaining them, and Debian's
// build offers no hook to change that: a copied block that captured an autoreleased object would call
// it after its pool drained. These two definitions take the place of the runtime's own for the whole
// program: they retain and release captured objects and hand every other kind of field to the runtime.

#import <Foundation/Foundation.h>

#include <dlfcn.h>

#include "platform/CopiedBlock.h"

namespace {

constexpr int FIELD_IS_OBJECT = 3;  // a captured object pointer, not __block and not a block

using AssignFunction = void (*)(void*, const void*, int);
using DisposeFunction = void (*)(const void*, int);

template <typename Function>
Function RuntimeFunction(const char* name) {
    static_assert(sizeof(Function) == sizeof(void*));
    void* symbol = dlsym(RTLD_NEXT, name);
    Function function = nullptr;
    __builtin_memcpy(&function, &symbol, sizeof(function));
    return function;
}

}  // namespace

extern "C" void _Block_object_assign(void* destination, const void* object, const int flags) {
    if (flags == FIELD_IS_OBJECT) {
        *static_cast<id*>(destination) = [(id)object retain];
        return;
    }
    static const AssignFunction runtimeAssign = RuntimeFunction<AssignFunction>("_Block_object_assign");
    runtimeAssign(destination, object, flags);
}

extern "C" void _Block_object_dispose(const void* object, const int flags) {
    if (flags == FIELD_IS_OBJECT) {
        [(id)object release];
        return;
    }
    static const DisposeFunction runtimeDispose = RuntimeFunction<DisposeFunction>("_Block_object_dispose");
    runtimeDispose(object, flags);
}

namespace NuvraMobile {

bool BlockCapturesAreRetained() { return true; }

}  // namespace NuvraMobile
