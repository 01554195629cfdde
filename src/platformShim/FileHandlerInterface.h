#pragma once

#include <cstdint>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * One file, opened for reading or for writing, with an explicit offset. Operations on a file that is
 * not open answer false or 0 and never throw. One user at a time.
 */
class FileHandlerInterface : public virtual ObjectInterface {
public:
    /** Size in bytes; 0 when the file cannot be examined. No open file is needed. */
    virtual std::uint64_t Size() = 0;
    /** Modification time in microseconds since 1970 with whole-second resolution; 0 when unknown. */
    virtual std::int64_t LastModified() = 0;
    /** Opens read-only, replacing any handle already held. */
    virtual bool OpenForReading() = 0;
    /** Creates the file empty (an existing one is emptied) and opens it for writing. */
    virtual bool OpenForWriting() = 0;
    /** Moves to an absolute offset; false when no file is open. */
    virtual bool MoveToOffset(std::uint64_t offset) = 0;
    /** Writes at the current offset; answers how far the offset advanced. */
    virtual std::uint32_t Write(std::uint32_t count, const void* bytes) = 0;
    /** Reads up to `count` bytes at the current offset; answers how many were read (0 at the end). */
    virtual std::uint32_t Read(std::uint32_t count, void* buffer) = 0;
    /** False when no file is open. */
    virtual bool Close() = 0;
};

}  // namespace NuvraMobile
