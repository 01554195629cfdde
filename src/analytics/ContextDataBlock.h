#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace NuvraMobile {

/**
 * A nested block "&<key>." ... "&.<key>" of a hit body, such as the context data "&c." ... "&.c".
 * Blocks are found by structure: the body is read as "&"-separated pieces, where "<name>." opens a
 * level and ".<name>" closes one, so a nested node of the same name never ends the block early.
 * Stateless; callable from any thread.
 */
class ContextDataBlock {
public:
    /** Where a block stands: [begin, end) is the whole block, [innerBegin, innerEnd) its content. */
    struct Span {
        size_t begin = 0;
        size_t end = 0;
        size_t innerBegin = 0;
        size_t innerEnd = 0;
    };

    /** The first block named `key` that opens at the outermost level, or none (also when unclosed). */
    static std::optional<Span> Find(const std::string& body, const std::string& key);
    /** "&<key>." + content + "&.<key>". */
    static std::string Wrap(const std::string& key, const std::string& content);
};

}  // namespace NuvraMobile
