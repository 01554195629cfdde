#include "platformShim/DatabaseInterface.h"

#include <initializer_list>
#include <string>

#include "core/values/SdkError.h"

namespace NuvraMobile {

namespace {
/** True when `error` is a statement failure with one of SQLite's primary result codes `names`. */
bool HasResultCode(const SdkError& error, std::initializer_list<const char*> names) {
    SdkError resultCode;
    if (!error.CodeIs(DatabaseInterface::QUERY_EXEC_ERROR) || !error.GetInner(resultCode)) {
        return false;
    }
    for (const char* name : names) {
        if (resultCode.GetCode() == std::string(DatabaseInterface::RESULT_CODE_PREFIX) + name) {
            return true;
        }
    }
    return false;
}
}  // namespace

bool DatabaseInterface::IsPassingFailure(const SdkError& error) {
    return HasResultCode(error, {"full", "ioerr", "busy", "locked", "nomem"});
}

bool DatabaseInterface::IsOpenFailure(const SdkError& error) { return error.CodeIs(OPEN_ERROR); }

bool DatabaseInterface::IsRowRefusal(const SdkError& error) {
    return HasResultCode(error, {"constraint", "mismatch", "toobig"});
}

bool DatabaseInterface::IsDamagedFile(const SdkError& error) {
    return HasResultCode(error, {"corrupt", "notadb"});
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
