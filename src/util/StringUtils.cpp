// g++ 12 reports a false "maybe uninitialized" inside <regex> when optimising with sanitizers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "util/StringUtils.h"

#include <array>
#include <charconv>
#include <limits>
#include <regex>
#include <system_error>

#include "util/Log.h"

namespace NuvraMobile {

namespace {

template <typename Integer>
void WriteInteger(std::ostream& stream, Integer value) {
    char buffer[std::numeric_limits<Integer>::digits10 + 3];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    stream.write(buffer, result.ptr - buffer);
}

// Fixed notation with six decimals, independent of the process locale.
template <typename Floating>
void WriteFixed(std::ostream& stream, Floating value) {
    char buffer[64];
    std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 6);
    if (result.ec == std::errc()) {
        stream.write(buffer, result.ptr - buffer);
        return;
    }
    // Room for every digit of the largest long double.
    std::string large(std::numeric_limits<Floating>::max_exponent10 + 16, '\0');
    result = std::to_chars(large.data(), large.data() + large.size(), value, std::chars_format::fixed, 6);
    stream.write(large.data(), result.ptr - large.data());
}

}  // namespace

void ToStringImpl(std::ostream& stream, bool value, const ToStringOptions&) {
    stream << (value ? "true" : "false");
}
void ToStringImpl(std::ostream& stream, char value, const ToStringOptions&) { stream.put(value); }
void ToStringImpl(std::ostream& stream, signed char value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, unsigned char value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, short value, const ToStringOptions&) { WriteInteger(stream, value); }
void ToStringImpl(std::ostream& stream, unsigned short value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, int value, const ToStringOptions&) { WriteInteger(stream, value); }
void ToStringImpl(std::ostream& stream, unsigned int value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, long value, const ToStringOptions&) { WriteInteger(stream, value); }
void ToStringImpl(std::ostream& stream, unsigned long value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, long long value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, unsigned long long value, const ToStringOptions&) {
    WriteInteger(stream, value);
}
void ToStringImpl(std::ostream& stream, float value, const ToStringOptions&) { WriteFixed(stream, value); }
void ToStringImpl(std::ostream& stream, double value, const ToStringOptions&) { WriteFixed(stream, value); }
void ToStringImpl(std::ostream& stream, long double value, const ToStringOptions&) {
    WriteFixed(stream, value);
}

void ToStringImpl(std::ostream& stream, std::chrono::milliseconds value, const ToStringOptions&) {
    stream << '"';
    WriteInteger(stream, value.count());
    stream << " ms\"";
}

void ToStringImpl(std::ostream& stream, const std::string& value, const ToStringOptions& options) {
    if (options.quoteStrings) {
        stream << StringUtils::Quotify(value, options.maxStringLength);
    } else {
        stream << value;
    }
}

void ToStringImpl(std::ostream& stream, const char* value, const ToStringOptions& options) {
    if (value == nullptr) {
        stream << "null";
        return;
    }
    ToStringImpl(stream, std::string(value), options);
}

namespace StringUtils {

namespace {

thread_local std::uint64_t currentDepth = 0;

// Replacements of the bytes that Quotify escapes by name; other control and non-ASCII bytes become \x..
constexpr std::array<const char*, 256> QuotifyEscapes() {
    std::array<const char*, 256> escapes{};
    escapes['\n'] = "\\n";
    escapes['\t'] = "\\t";
    escapes['\v'] = "\\v";
    escapes['\b'] = "\\b";
    escapes['\r'] = "\\r";
    escapes['\f'] = "\\f";
    escapes['\a'] = "\\a";
    escapes['\\'] = "\\\\";
    escapes['\''] = "\\'";
    escapes['"'] = "\\\"";
    return escapes;
}

constexpr std::array<const char*, 256> QUOTIFY_ESCAPES = QuotifyEscapes();

void AppendHexEscape(std::string& out, unsigned char byte) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    out += "\\x";
    if (byte >= 16) {
        out += DIGITS[byte >> 4];
    }
    out += DIGITS[byte & 15];
}

// Maps the 26 ASCII letters from `from` on to those from `to` on; other bytes stay as they are.
std::string MapAsciiLetters(const std::string& text, char from, char to) {
    std::string result = text;
    for (char& c : result) {
        if (c >= from && c < from + 26) {
            c = static_cast<char>(c - from + to);
        }
    }
    return result;
}

// Splits at matches of `delimiter`; `limit` 0 takes every piece, else at most `limit` with the rest last.
std::vector<std::string> SplitPieces(const std::string& text, const std::regex& delimiter,
                                     std::size_t limit) {
    std::vector<std::string> pieces;
    std::size_t pieceStart = 0;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), delimiter);
         match != std::sregex_iterator(); ++match) {
        if (limit != 0 && pieces.size() + 1 >= limit) {
            break;
        }
        const auto matchStart = static_cast<std::size_t>(match->position(0));
        pieces.push_back(text.substr(pieceStart, matchStart - pieceStart));
        pieceStart = matchStart + static_cast<std::size_t>(match->length(0));
    }
    if (pieceStart < text.size()) {
        pieces.push_back(text.substr(pieceStart));
    }
    return pieces;
}

}  // namespace

std::uint64_t GetCurrentDepth() { return currentDepth; }

void SetCurrentDepth(std::uint64_t depth) { currentDepth = depth; }

std::vector<std::string> Split(const std::string& text, const std::string& delimiter) {
    if (text.empty() || delimiter.empty()) {
        return {text};
    }
    std::regex pattern;
    try {
        pattern = std::regex(delimiter, std::regex::ECMAScript);
    } catch (const std::regex_error&) {
        Log::Trace(LOG_PREFIX, "Failed to split string '%s' using regex delimiter '%s'", text, delimiter);
        return {text};
    }
    return SplitPieces(text, pattern, 0);
}

std::vector<std::string> SplitWithLimit(const std::string& text, const std::string& delimiter, int limit) {
    if (text.empty() || delimiter.empty() || limit == 1) {
        return {text};
    }
    std::regex pattern;
    try {
        pattern = std::regex(delimiter, std::regex::ECMAScript);
    } catch (const std::regex_error&) {
        Log::Trace(LOG_PREFIX, "Failed to split string '%s' using regex delimiter '%s' with limit=%d", text,
                   delimiter, limit);
        return {text};
    }
    return SplitPieces(text, pattern, limit > 0 ? static_cast<std::size_t>(limit) : 0);
}

std::string Replace(const std::string& text, const std::string& search, const std::string& replacement) {
    if (search.empty()) {
        return text;
    }
    std::string result;
    std::size_t start = 0;
    for (std::size_t found = text.find(search); found != std::string::npos;
         found = text.find(search, start)) {
        result.append(text, start, found - start);
        result += replacement;
        start = found + search.size();
    }
    result.append(text, start, std::string::npos);
    return result;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return prefix.size() <= text.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return suffix.size() <= text.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string ToLower(const std::string& text) { return MapAsciiLetters(text, 'A', 'a'); }

std::string ToUpper(const std::string& text) { return MapAsciiLetters(text, 'a', 'A'); }

std::string Quotify(const std::string& text, std::uint64_t maxLength) {
    // With a maximum of 0 the limit wraps to the largest value: never cut.
    const std::uint64_t lastIndex = maxLength - 1;
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > lastIndex) {
            out += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (const char* escape = QUOTIFY_ESCAPES[byte]) {
            out += escape;
        } else if (byte < 32 || byte >= 127) {
            AppendHexEscape(out, byte);
        } else {
            out += text[i];
        }
    }
    out += '"';
    return out;
}

}  // namespace StringUtils

}  // namespace NuvraMobile
