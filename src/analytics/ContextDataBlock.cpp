#include "analytics/ContextDataBlock.h"

namespace NuvraMobile {

namespace {

bool Opens(const std::string& body, size_t begin, size_t end) {
    return end > begin && body[end - 1] == '.' && body.find('=', begin) >= end;
}

bool Closes(const std::string& body, size_t begin, size_t end) { return end > begin && body[begin] == '.'; }

bool PieceIs(const std::string& body, size_t begin, size_t end, const std::string& piece) {
    return end - begin == piece.size() && body.compare(begin, piece.size(), piece) == 0;
}

}  // namespace

std::optional<ContextDataBlock::Span> ContextDataBlock::Find(const std::string& body, const std::string& key) {
    const std::string opener = key + ".";
    const std::string closer = "." + key;
    int depth = 0;
    std::optional<Span> span;
    // Each piece starts right after an "&"; the text before the first "&" is no piece of a block.
    for (size_t ampersand = body.find('&'); ampersand != std::string::npos;) {
        const size_t begin = ampersand + 1;
        const size_t next = body.find('&', begin);
        const size_t end = next == std::string::npos ? body.size() : next;
        if (Opens(body, begin, end)) {
            if (depth == 0 && !span && PieceIs(body, begin, end, opener)) {
                span = Span{ampersand, 0, end, 0};
            }
            ++depth;
        } else if (Closes(body, begin, end) && depth > 0) {
            --depth;
            if (depth == 0 && span && PieceIs(body, begin, end, closer)) {
                span->innerEnd = ampersand;
                span->end = end;
                return span;
            }
        }
        ampersand = next;
    }
    return std::nullopt;
}

std::string ContextDataBlock::Wrap(const std::string& key, const std::string& content) {
    return "&" + key + "." + content + "&." + key;
}

}  // namespace NuvraMobile
