#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** How an archive entry's bytes are stored: 1 selects deflate, any other value stored bytes. */
enum class CompressionMethod : std::int32_t { STORED = 0, DEFLATE = 1 };

/**
 * A decompressor fed in chunks: Initialize once, Process for every chunk (the last one flagged), then
 * Finalize once. Each call reports success through its result. One thread uses a decoder at a time.
 */
class StreamDecoderInterface : public virtual ObjectInterface {
public:
    /** Receives each decoded piece in order; may throw, which ends Process with that error. */
    using OutputSink = std::function<void(const std::uint8_t* bytes, std::uint32_t count)>;

    static std::shared_ptr<StreamDecoderInterface> CreateDecompressor(CompressionMethod method);

    virtual bool Initialize() = 0;
    virtual bool Process(const std::uint8_t* bytes, std::int32_t length, bool isLastChunk,
                         const OutputSink& onOutput) = 0;
    virtual bool Finalize() = 0;
};

}  // namespace NuvraMobile
