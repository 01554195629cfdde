#pragma once

#import <Foundation/Foundation.h>

@class NVRExtension;
@class NVRExtensionEvent;

/**
 * The base of an extension's listener: subclass it, override `hear:`, and register the class through
 * the extension's api. The SDK makes one instance per registration (`initWithExtension:`, then
 * `init`, which returns self without the root class's initialiser) and sends it every matching event
 * with `hear:`, one at a time in the SDK's order, on the extension's own SDK queue.
 */
@interface NVRExtensionListener : NSObject {
    NVRExtension* extension_;
}

- (instancetype)init;
- (instancetype)initWithExtension:(NVRExtension*)extension;
- (NVRExtension*)extension;
- (void)hear:(NVRExtensionEvent*)event;

@end
