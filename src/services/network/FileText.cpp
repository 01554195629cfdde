#include "services/network/FileText.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace NuvraMobile {

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& failure) {
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        failure = std::strerror(errno);
        return std::nullopt;
    }
    std::string content;
    char buffer[64 * 1024];
    for (;;) {
        ssize_t count = read(file, buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            failure = std::strerror(errno);
            close(file);
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        content.append(buffer, static_cast<size_t>(count));
    }
    close(file);
    return content;
}

}  // namespace NuvraMobile
