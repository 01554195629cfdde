#include "platformShim/DatabaseInterface.h"

namespace NuvraMobile {

std::string DatabaseInterface::GetTransactionTypeName(TransactionType type) {
    switch (type) {
        case TransactionType::DEFERRED:
            return "DEFERRED";
        case TransactionType::IMMEDIATE:
            return "IMMEDIATE";
        case TransactionType::EXCLUSIVE:
            return "EXCLUSIVE";
    }
    return "";
}

}  // namespace NuvraMobile
