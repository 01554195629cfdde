#include "util/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace NuvraMobile {
namespace {

TEST(Utf8Test, AcceptsWellFormedTextOnly) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ascii", true},
        {"gr\xc3\xbc\xc3\x9f", true},            // two-byte sequences
        {"\xe2\x82\xac", true},                  // euro sign
        {"\xf0\x9f\x98\x80", true},              // four bytes
        {std::string("nul\0inside", 10), true},  // NUL is a valid code point
        {"\xc3", false},                         // cut short
        {"\xc0\xaf", false},                     // overlong
        {"\xe0\x80\xaf", false},                 // overlong three-byte
        {"\xed\xa0\x80", false},                 // surrogate
        {"\xf4\x90\x80\x80", false},             // past U+10FFFF
        {"\x80", false},                         // lone continuation
        {"\xe2\x28\xa1", false},                 // bad continuation
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.valid, IsValidUtf8(c.bytes)) << testing::PrintToString(c.bytes);
    }
}

}  // namespace
}  // namespace NuvraMobile
