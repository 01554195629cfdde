#include <gtest/gtest.h>

#include <string>

#include "services/system/StackTrace.h"

namespace NuvraMobile {
namespace {

[[gnu::noinline]] void NamedCallerOfTheStackTrace(std::string& trace) { trace = CurrentStackTrace(); }

TEST(StackTraceTest, NamesTheCallingFunctionOnePerLine) {
    std::string trace;
    NamedCallerOfTheStackTrace(trace);
    EXPECT_EQ('\n', trace.front());
    EXPECT_NE('\n', trace.back());
    EXPECT_NE(std::string::npos, trace.find("NamedCallerOfTheStackTrace(std::__cxx11::basic_string"))
        << trace;
}

}  // namespace
}  // namespace NuvraMobile
