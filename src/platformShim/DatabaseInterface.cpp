#include "platformShim/DatabaseInterface.h"

#include "core/values/SdkError.h"

namespace NuvraMobile {

bool DatabaseInterface::IsPassingFailure(const SdkError& error) {
    SdkError resultCode;
    if (!error.CodeIs(QUERY_EXEC_ERROR) || !error.GetInner(resultCode)) {
        return false;
    }
    for (const char* name : {"full", "ioerr", "busy", "locked", "nomem"}) {
        if (resultCode.GetCode() == std::string(RESULT_CODE_PREFIX) + name) {
            return true;
        }
    }
    return false;
}

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
