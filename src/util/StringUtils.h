#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "util/ToStringOptions.h"

namespace NuvraMobile {

// Writers of the values that are not objects. Objects use the overload of core/values/ObjectInterface.h;
// other types add their own overload in their own namespace. Callers use StringUtils::ToString.
void ToStringImpl(std::ostream& stream, bool value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, char value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, signed char value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, unsigned char value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, short value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, unsigned short value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, int value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, unsigned int value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, long value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, unsigned long value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, long long value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, unsigned long long value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, float value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, double value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, long double value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, std::chrono::milliseconds value, const ToStringOptions& options);
void ToStringImpl(std::ostream& stream, const std::string& value, const ToStringOptions& options);
/** A null C string renders as "null". */
void ToStringImpl(std::ostream& stream, const char* value, const ToStringOptions& options);

template <typename T>
void ToStringImpl(std::ostream& stream, const std::shared_ptr<T>& value, const ToStringOptions& options);
template <typename First, typename Second>
void ToStringImpl(std::ostream& stream, const std::pair<First, Second>& value,
                  const ToStringOptions& options);
template <typename T, typename Allocator>
void ToStringImpl(std::ostream& stream, const std::vector<T, Allocator>& value,
                  const ToStringOptions& options);
template <typename Key, typename T, typename Compare, typename Allocator>
void ToStringImpl(std::ostream& stream, const std::map<Key, T, Compare, Allocator>& value,
                  const ToStringOptions& options);

/** String operations and the depth-guarded text rendering of values of every kind. Reentrant. */
namespace StringUtils {

constexpr const char* LOG_PREFIX = "StringUtils";

/** Splits at every match of the regular expression `delimiter` (ECMAScript); see SplitWithLimit. */
std::vector<std::string> Split(const std::string& text, const std::string& delimiter);

/**
 * As Split, but at most `limit` pieces: the last one holds the rest of the text, delimiters included.
 * A limit of 1 returns the text whole; a limit of 0 or below does not limit.
 */
std::vector<std::string> SplitWithLimit(const std::string& text, const std::string& delimiter, int limit);

/** Every non-overlapping occurrence of `search`, left to right; inserted text is never searched. */
std::string Replace(const std::string& text, const std::string& search, const std::string& replacement);

bool StartsWith(const std::string& text, const std::string& prefix);
bool EndsWith(const std::string& text, const std::string& suffix);

/** Map the ASCII letters; every other byte is copied unchanged. */
std::string ToLower(const std::string& text);
std::string ToUpper(const std::string& text);

/**
 * True for an http, https or ftp URL with a lower-case host name or a public dotted IPv4 address,
 * an optional port and an optional path, query or fragment. Texts over 64 KiB are refused.
 */
bool StringIsUrl(const std::string& text);

/** The text in double quotes with escapes, cut with "..." after `maxLength` bytes (0: never cut). */
std::string Quotify(const std::string& text, std::uint64_t maxLength = 256);

/** Rendering depth of the calling thread. */
std::uint64_t GetCurrentDepth();
void SetCurrentDepth(std::uint64_t depth);

/**
 * Writes `value` through its ToStringImpl under the depth guard: "..." when the depth limit is
 * reached, "ERROR" in place of a rendering that throws. Never throws from the rendering itself.
 */
template <typename T>
void ToString(std::ostream& stream, const T& value, const ToStringOptions& options) {
    const std::uint64_t depth = GetCurrentDepth();
    if (depth >= options.maxDepth) {
        stream << "...";
        return;
    }
    SetCurrentDepth(depth + 1);
    try {
        ToStringImpl(stream, value, options);
    } catch (...) {
        stream << "ERROR";
    }
    SetCurrentDepth(depth);
}

template <typename T>
std::string ToString(const T& value, const ToStringOptions& options = ToStringOptions()) {
    std::ostringstream stream;
    ToString(stream, value, options);
    return stream.str();
}

}  // namespace StringUtils

namespace StringUtilsInternal {

/** The argument list of the formatter, independent of the argument types. */
class PolymorphicFormatArgs {
public:
    virtual ~PolymorphicFormatArgs() = default;
    virtual std::size_t GetSize() const = 0;
    /** Writes argument `index` (from 0) with StringUtils::ToString; nothing when there is no such argument.
     */
    virtual void CallToString(std::size_t index, std::ostream& stream,
                              const ToStringOptions& options) const = 0;
};

/** Holds references to the caller's arguments for the duration of one formatting call. */
template <typename... T>
class GenericFormatArgs final : public PolymorphicFormatArgs {
public:
    explicit GenericFormatArgs(const T&... args) : args_(args...) {}

    std::size_t GetSize() const override { return sizeof...(T); }

    void CallToString(std::size_t index, std::ostream& stream,
                      const ToStringOptions& options) const override {
        CallToStringAt(index, stream, options, std::index_sequence_for<T...>());
    }

private:
    template <std::size_t... I>
    void CallToStringAt(std::size_t index, std::ostream& stream, const ToStringOptions& options,
                        std::index_sequence<I...>) const {
        (void)index;
        (void)stream;
        (void)options;
        (void)((index == I ? (StringUtils::ToString(stream, std::get<I>(args_), options), true) : false) ||
               ...);
    }

    std::tuple<const T&...> args_;
};

/** The format engine: see StringUtils::FormatString. A null format gives an empty text. */
std::string PolymorphicFormatString(const ToStringOptions& options, std::string_view format,
                                    const PolymorphicFormatArgs& args);

/** Writes a collection: "[ item, item ]", at most options.maxItems items, strings quoted. */
template <typename Collection>
void CollectionToStringImpl(std::ostream& stream, const Collection& collection,
                            const ToStringOptions& options) {
    ToStringOptions itemOptions = options;
    itemOptions.quoteStrings = true;
    stream << "[";
    std::uint64_t written = 0;
    for (const auto& item : collection) {
        stream << (written == 0 ? " " : ", ");
        if (written >= options.maxItems) {
            stream << "...";
            break;
        }
        StringUtils::ToString(stream, item, itemOptions);
        ++written;
    }
    if (written > 0) {
        stream << " ";
    }
    stream << "]";
}

inline std::string_view FormatView(const char* format) {
    return format == nullptr ? std::string_view() : std::string_view(format);
}
inline std::string_view FormatView(const std::string& format) { return format; }

}  // namespace StringUtilsInternal

namespace StringUtils {

/**
 * Formats with the mini-language: every conversion renders its argument through ToString; flags,
 * width and precision are read and ignored; %n writes a newline, %% a percent sign, %q a string
 * without quotes; "<digits>$" selects an argument counting from 0. A percent sign that starts no
 * valid conversion ends interpretation and the rest is copied unchanged.
 */
template <typename Format, typename... Args>
std::string FormatString(const ToStringOptions& options, const Format& format, const Args&... args) {
    return StringUtilsInternal::PolymorphicFormatString(
        options, StringUtilsInternal::FormatView(format),
        StringUtilsInternal::GenericFormatArgs<Args...>(args...));
}

template <typename... Args>
std::string FormatString(const char* format, const Args&... args) {
    return FormatString(ToStringOptions(), format, args...);
}

template <typename... Args>
std::string FormatString(const std::string& format, const Args&... args) {
    return FormatString(ToStringOptions(), format, args...);
}

}  // namespace StringUtils

template <typename T>
void ToStringImpl(std::ostream& stream, const std::shared_ptr<T>& value, const ToStringOptions& options) {
    if (!value) {
        stream << "null";
        return;
    }
    ToStringImpl(stream, *value, options);
}

template <typename First, typename Second>
void ToStringImpl(std::ostream& stream, const std::pair<First, Second>& value,
                  const ToStringOptions& options) {
    ToStringOptions itemOptions = options;
    itemOptions.quoteStrings = true;
    stream << "[ ";
    StringUtils::ToString(stream, value.first, itemOptions);
    stream << ", ";
    StringUtils::ToString(stream, value.second, itemOptions);
    stream << " ]";
}

template <typename T, typename Allocator>
void ToStringImpl(std::ostream& stream, const std::vector<T, Allocator>& value,
                  const ToStringOptions& options) {
    StringUtilsInternal::CollectionToStringImpl(stream, value, options);
}

template <typename Key, typename T, typename Compare, typename Allocator>
void ToStringImpl(std::ostream& stream, const std::map<Key, T, Compare, Allocator>& value,
                  const ToStringOptions& options) {
    StringUtilsInternal::CollectionToStringImpl(stream, value, options);
}

}  // namespace NuvraMobile
