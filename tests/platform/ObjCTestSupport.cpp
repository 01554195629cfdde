#include "ObjCTestSupport.h"

#include <exception>

namespace NuvraMobile {

bool ThrowsCppException(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception&) {
        return true;
    }
    return false;
}

}  // namespace NuvraMobile
