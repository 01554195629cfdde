#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rulesengine/RuleKey.h"

namespace NuvraMobile {

/**
 * A consequence text taken apart once into literal runs and tokens, so that expanding it for an event
 * neither scans the text nor takes keys apart again. A token text that occurs more than once is one
 * token, resolved once per expansion; a token with an empty key stays literal. Immutable; any thread.
 */
class TokenTemplate {
public:
    struct Token {
        std::string text;
        RuleKey key;
        bool urlEncode = false;
    };

    explicit TokenTemplate(std::string text);

    const std::string& GetText() const { return text_; }
    bool HasTokens() const { return !tokens_.empty(); }
    /** The distinct tokens in order of first appearance. */
    const std::vector<Token>& GetTokens() const { return tokens_; }
    /**
     * The text with each token occurrence replaced by `values[token index]`; `values` holds one text per
     * distinct token.
     */
    std::string Fill(const std::vector<std::string>& values) const;

private:
    struct Occurrence {
        size_t start;
        size_t end;
        size_t token;
    };

    std::string text_;
    std::vector<Token> tokens_;
    std::vector<Occurrence> occurrences_;
};

}  // namespace NuvraMobile
