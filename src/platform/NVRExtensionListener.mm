#import "platform/NVRExtensionListener.h"

#import "platform/NVRExtension.h"

@implementation NVRExtensionListener

- (instancetype)init {
    return self;
}

- (instancetype)initWithExtension:(NVRExtension*)extension {
    self = [super init];
    if (self != nil) {
        extension_ = [extension retain];
    }
    return self;
}

- (void)dealloc {
    [extension_ release];
    [super dealloc];
}

- (NVRExtension*)extension {
    return extension_;
}

- (void)hear:(NVRExtensionEvent*)event {
    (void)event;
}

@end
