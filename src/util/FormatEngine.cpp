// The format mini-language of StringUtils::FormatString, scanned by hand in one pass so that texts of
// any length format without deep recursion.
#include <algorithm>
#include <limits>

#include "util/StringUtils.h"

namespace NuvraMobile::StringUtilsInternal {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// No space: "50% off" is text, and a percent sign before a space begins no conversion.
bool IsFlag(char c) { return c == '-' || c == '#' || c == '+' || c == '0' || c == ',' || c == '('; }

/** One conversion: "%" [digits "$"] [flags] [width] ["." digits] (letter | "%" | t/T letter). */
struct Conversion {
    std::string_view position;  // the digits before "$"; empty without a position
    std::string_view spec;      // everything after the position: flags, width, precision, letter
    std::string_view letter;    // the conversion letter, "%", or t/T with its letter
    std::size_t end = 0;        // index after the conversion
};

std::size_t SkipDigits(std::string_view text, std::size_t index) {
    while (index < text.size() && IsDigit(text[index])) {
        ++index;
    }
    return index;
}

// Reads the conversion that starts at the percent sign at `start`; false when it is not a valid one.
bool ReadConversion(std::string_view format, std::size_t start, Conversion& conversion) {
    std::size_t index = start + 1;
    const std::size_t positionEnd = SkipDigits(format, index);
    if (positionEnd > index && positionEnd < format.size() && format[positionEnd] == '$') {
        conversion.position = format.substr(index, positionEnd - index);
        index = positionEnd + 1;
    }
    const std::size_t specStart = index;
    while (index < format.size() && IsFlag(format[index])) {
        ++index;
    }
    index = SkipDigits(format, index);
    if (index + 1 < format.size() && format[index] == '.' && IsDigit(format[index + 1])) {
        index = SkipDigits(format, index + 1);
    }
    if (index >= format.size()) {
        return false;
    }
    const char c = format[index];
    std::size_t letterLength = 0;
    if (c == 't' || c == 'T') {
        letterLength = index + 1 < format.size() && IsLetter(format[index + 1]) ? 2 : 0;
    } else if (IsLetter(c) || c == '%') {
        letterLength = 1;
    }
    if (letterLength == 0) {
        return false;
    }
    conversion.letter = format.substr(index, letterLength);
    conversion.end = index + letterLength;
    conversion.spec = format.substr(specStart, conversion.end - specStart);
    return true;
}

// The argument index written as digits; `fallback` when it does not fit a signed 32-bit number.
std::size_t ReadPosition(std::string_view digits, std::size_t fallback) {
    std::uint64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            return fallback;
        }
    }
    return static_cast<std::size_t>(value);
}

}  // namespace

std::string PolymorphicFormatString(const ToStringOptions& options, std::string_view format,
                                    const PolymorphicFormatArgs& args) {
    std::ostringstream out;
    std::size_t nextIndex = 0;
    std::size_t cursor = 0;
    while (cursor < format.size()) {
        const std::size_t percent = std::min(format.find('%', cursor), format.size());
        Conversion conversion;
        if (percent == format.size() || !ReadConversion(format, percent, conversion)) {
            // No conversion, or a percent sign that begins none: the rest is copied unchanged.
            out << format.substr(cursor);
            break;
        }
        out << format.substr(cursor, percent - cursor);
        cursor = conversion.end;
        if (conversion.letter == "%") {
            out << '%';
            continue;
        }
        if (conversion.letter == "n") {
            out << '\n';
            continue;
        }
        const std::size_t index =
            conversion.position.empty() ? nextIndex : ReadPosition(conversion.position, nextIndex);
        ToStringOptions argumentOptions = options;
        argumentOptions.formatSpec.assign(conversion.spec.data(), conversion.spec.size());
        if (conversion.letter == "q") {
            argumentOptions.quoteStrings = false;
        }
        args.CallToString(index, out, argumentOptions);
        ++nextIndex;
    }
    return out.str();
}

}  // namespace NuvraMobile::StringUtilsInternal
