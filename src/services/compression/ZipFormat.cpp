#include "services/compression/ZipFormat.h"

#include "core/values/SdkError.h"

namespace NuvraMobile {

namespace ZipFormat {

void ReadExactly(FileHandlerInterface& file, std::uint64_t offset, std::uint32_t count,
                 std::uint8_t* buffer) {
    if (!file.MoveToOffset(offset) || file.Read(count, buffer) != count) {
        Throw(ErrorCodes::READ_FAILED, READ_ERROR_MESSAGE);
    }
}

std::vector<std::uint8_t> ReadBytes(FileHandlerInterface& file, std::uint64_t offset, std::uint32_t count) {
    std::vector<std::uint8_t> bytes(count);
    ReadExactly(file, offset, count, bytes.data());
    return bytes;
}

}  // namespace ZipFormat

}  // namespace NuvraMobile
