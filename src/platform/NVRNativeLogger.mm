#import "platform/NVRNativeLogger.h"

#import "platform/ValueConversions.h"
#include "services/logging/NativeLogger.h"

using namespace NuvraMobile;

@implementation NVRNativeLogger

+ (void)logWith:(LoggingMode)level tag:(NSString*)tag message:(NSString*)message {
    NativeLogger::LogWith(level, ToCppString(tag), ToCppString(message));
}

+ (NSString*)logFormat:(LoggingMode)level tag:(NSString*)tag message:(NSString*)message {
    return ToNSString(NativeLogger::LogFormat(level, ToCppString(tag), ToCppString(message)));
}

@end
