#pragma once

#include <cstdio>

// The app's own log, in a folder named as the SDK's logging header is (see core/values/Object.h).
namespace ConsumerApp {

inline void Log(const char* line) { std::printf("nuvra_consumer: %s\n", line); }

}  // namespace ConsumerApp
