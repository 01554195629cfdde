#pragma once

#include <string>

namespace NuvraMobile {

/**
 * The calling thread's call stack as text: one line per frame, each preceded by "\n", innermost first,
 * starting with the caller of this function. A line reads "<index> <module> 0x<address> <function> +
 * <offset>", the function demangled; functions of the executable are named from its symbol table, so no
 * exported symbols are needed. Any thread may call.
 */
std::string CurrentStackTrace();

}  // namespace NuvraMobile
