#include "util/Utf8.h"

namespace NuvraMobile {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

/** The length of the sequence that starts with `lead`, and the allowed range of its second byte. */
bool DescribeLead(unsigned char lead, size_t& length, unsigned char& secondMin, unsigned char& secondMax) {
    secondMin = 0x80;
    secondMax = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            secondMin = 0xA0;  // overlong below U+0800
        } else if (lead == 0xED) {
            secondMax = 0x9F;  // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            secondMin = 0x90;  // overlong below U+10000
        } else if (lead == 0xF4) {
            secondMax = 0x8F;  // past U+10FFFF
        }
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    size_t index = 0;
    while (index < bytes.size()) {
        auto lead = static_cast<unsigned char>(bytes[index]);
        if (lead < 0x80) {
            ++index;
            continue;
        }
        size_t length = 0;
        unsigned char secondMin = 0;
        unsigned char secondMax = 0;
        if (!DescribeLead(lead, length, secondMin, secondMax) || bytes.size() - index < length) {
            return false;
        }
        auto second = static_cast<unsigned char>(bytes[index + 1]);
        if (second < secondMin || second > secondMax) {
            return false;
        }
        for (size_t next = index + 2; next < index + length; ++next) {
            if (!IsContinuation(static_cast<unsigned char>(bytes[next]))) {
                return false;
            }
        }
        index += length;
    }
    return true;
}

}  // namespace NuvraMobile
