#include "services/system/FileIo.h"

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

bool WriteAll(int fileDescriptor, std::string_view bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t count = write(fileDescriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += static_cast<size_t>(count);
    }
    return true;
}

}  // namespace NuvraMobile
