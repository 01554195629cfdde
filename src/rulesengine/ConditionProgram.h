#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace NuvraMobile {

class Event;
class Matcher;
class RuleCondition;
class RuleTokenParser;

/**
 * A rule's condition tree laid out in one block, in pre-order, so that a rules pass walks an array
 * instead of chasing a pointer and a virtual call per node. Answers as the tree's own Evaluate does;
 * a node of any other condition class is asked itself. Borrows the tree's nodes: whoever owns the
 * program keeps the tree alive. Immutable once built.
 */
class ConditionProgram {
public:
    /** An empty program (a null condition) never holds. */
    explicit ConditionProgram(const RuleCondition* condition);

    bool Evaluate(const std::shared_ptr<RuleTokenParser>& parser, const std::shared_ptr<Event>& event) const;

private:
    enum class Op : uint8_t { AND, OR, MATCHER, OTHER };

    struct Node {
        Op op;
        uint32_t end;  // one past this node's last descendant
        const Matcher* matcher;
        const RuleCondition* condition;
    };

    void Append(const RuleCondition& condition);
    bool EvaluateNode(uint32_t index, const std::shared_ptr<RuleTokenParser>& parser,
                      const std::shared_ptr<Event>& event) const;

    std::vector<Node> nodes_;
};

}  // namespace NuvraMobile
