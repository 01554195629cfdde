#include "rulesengine/ConditionProgram.h"

#include "rulesengine/RuleConditionGroup.h"
#include "rulesengine/RuleConditionMatcher.h"

namespace NuvraMobile {

ConditionProgram::ConditionProgram(const RuleCondition* condition) {
    if (condition) {
        Append(*condition);
    }
}

void ConditionProgram::Append(const RuleCondition& condition) {
    const auto index = static_cast<uint32_t>(nodes_.size());
    nodes_.push_back({Op::OTHER, 0, nullptr, &condition});
    Node node = nodes_.back();
    const bool isAnd = dynamic_cast<const RuleConditionAndGroup*>(&condition) != nullptr;
    if (isAnd || dynamic_cast<const RuleConditionOrGroup*>(&condition)) {
        node.op = isAnd ? Op::AND : Op::OR;
        for (const std::shared_ptr<RuleCondition>& child :
             static_cast<const RuleConditionGroup&>(condition).GetConditions()) {
            // A null child (only a hand-built group can hold one) is left out rather than called.
            if (child) {
                Append(*child);
            }
        }
    } else if (const auto* leaf = dynamic_cast<const RuleConditionMatcher*>(&condition)) {
        node.op = Op::MATCHER;
        node.matcher = leaf->GetMatcher().get();
    }
    node.end = static_cast<uint32_t>(nodes_.size());
    nodes_[index] = node;
}

bool ConditionProgram::Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                                const std::shared_ptr<Event>& event) const {
    return !nodes_.empty() && EvaluateNode(0, parser, event);
}

// Recursion as deep as the groups nest, as the tree's own evaluation; rules files bound the nesting.
bool ConditionProgram::EvaluateNode(uint32_t index, const std::shared_ptr<RuleTokenParser>& parser,
                                    const std::shared_ptr<Event>& event) const {
    const Node& node = nodes_[index];
    switch (node.op) {
        case Op::MATCHER:
            return RuleConditionMatcher::Holds(node.matcher, parser.get(), event);
        case Op::OTHER:
            return node.condition->Evaluate(parser, event);
        case Op::AND:
        case Op::OR:
            break;
    }
    const bool isAnd = node.op == Op::AND;
    if (node.end == index + 1) {
        return false;  // an empty group never holds
    }
    for (uint32_t child = index + 1; child < node.end; child = nodes_[child].end) {
        if (EvaluateNode(child, parser, event) != isAnd) {
            return !isAnd;
        }
    }
    return isAnd;
}

}  // namespace NuvraMobile
