#import "platform/NVBUrlHandler.h"

#include <string>

#include "platform/CopiedBlock.h"
#include "platform/ObjCRuntime.h"
#include "services/ui/NVBUrlHandler.h"

using UrlHandlerBlock = BOOL (^)(NSString*);

@implementation NVBUrlHandler

+ (instancetype)sharedInstance {
    static NVBUrlHandler* instance = [[NVBUrlHandler alloc] init];
    return instance;
}

- (void)setHandler:(UrlHandlerBlock)handler {
    if (handler == nil) {
        return;
    }
    const NuvraMobile::CopiedBlock<UrlHandlerBlock> block(handler);
    // The UI service offers URLs on threads of its own: the block runs with the runtime ready there.
    NuvraMobile::NVBUrlHandler::sharedInstance()->setHandler([block](const std::string& url) {
        bool handled = false;
        NuvraMobile::RunInObjCScope([&] { handled = block.Get()([NSString stringWithUTF8String:url.c_str()]); });
        return handled;
    });
}

- (BOOL)continueOpenUrl:(NSString*)url {
    const char* text = [url UTF8String];
    return NuvraMobile::NVBUrlHandler::sharedInstance()->continueOpenUrl(text != nullptr ? text : "") ? YES : NO;
}

@end
