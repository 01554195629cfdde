#pragma once

#include <cstdint>
#include <string>

namespace NuvraMobile {

/**
 * Options of text rendering: every ToString and every format conversion carries one.
 * A plain value; copy it freely from any thread.
 */
struct ToStringOptions {
    /** Multi-line rendering for the types that support it. */
    bool pretty = false;
    /** Current indentation of multi-line rendering. */
    std::string indent;
    /** Strings are written quoted and escaped (see StringUtils::Quotify). */
    bool quoteStrings = false;
    /** Flags, width, precision and letter of the format conversion rendering the value. */
    std::string formatSpec;
    /** Nesting depth at which a value is replaced by "...". */
    std::uint64_t maxDepth = 15;
    /** Items of a collection written before "...". */
    std::uint64_t maxItems = 20;
    /** Characters of a quoted string written before "...". */
    std::uint64_t maxStringLength = 256;

    /** The defaults with multi-line rendering. */
    static ToStringOptions Pretty() {
        ToStringOptions options;
        options.pretty = true;
        return options;
    }
};

}  // namespace NuvraMobile
