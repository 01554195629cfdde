#import <Foundation/Foundation.h>

#include <gmock/gmock.h>

int main(int argc, char** argv) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
    [pool drain];
    return result;
}
