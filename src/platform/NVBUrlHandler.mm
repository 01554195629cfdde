#import "platform/NVBUrlHandler.h"

#include <mutex>

#include "platform/CopiedBlock.h"
#include "util/Log.h"

using namespace NuvraMobile;

using UrlHandlerBlock = BOOL (^)(NSString*);

struct NVBUrlHandlerState {
    std::mutex mutex;
    CopiedBlock<UrlHandlerBlock> handler;
};

@implementation NVBUrlHandler

+ (instancetype)sharedInstance {
    static NVBUrlHandler* instance = [[NVBUrlHandler alloc] init];
    return instance;
}

- (instancetype)init {
    self = [super init];
    if (self != nil) {
        _state = new NVBUrlHandlerState();
    }
    return self;
}

- (void)dealloc {
    delete _state;
    [super dealloc];
}

- (void)setHandler:(UrlHandlerBlock)handler {
    std::lock_guard<std::mutex> lock(_state->mutex);
    if (_state->handler) {
        Log::Warning("UrlHandler", "UrlHandler can't be resigered repeatedly.");
        return;
    }
    _state->handler = CopiedBlock<UrlHandlerBlock>(handler);
}

- (BOOL)continueOpenUrl:(NSString*)url {
    CopiedBlock<UrlHandlerBlock> handler;
    {
        std::lock_guard<std::mutex> lock(_state->mutex);
        handler = _state->handler;
    }
    return handler && handler.Get()(url) ? NO : YES;
}

@end
