#pragma once

#include <zlib.h>

#include <cstdint>

#include "core/values/Object.h"
#include "platformShim/StreamDecoderInterface.h"

namespace NuvraMobile {

/**
 * Inflates raw deflate data (no zlib or gzip wrapper, 32 KiB window) fed in chunks, handing the output on
 * in pieces of at most 1024 bytes. The end of the deflate stream must fall in the chunk flagged as last.
 * A stream cut short is not reported here; the caller's size and checksum checks catch it. One thread
 * at a time.
 */
class DeflateStreamDecoderImpl : public Object, public virtual StreamDecoderInterface {
public:
    DeflateStreamDecoderImpl();
    ~DeflateStreamDecoderImpl() override;
    DeflateStreamDecoderImpl(const DeflateStreamDecoderImpl&) = delete;
    DeflateStreamDecoderImpl& operator=(const DeflateStreamDecoderImpl&) = delete;

    bool Initialize() override;
    bool Process(const std::uint8_t* bytes, std::int32_t length, bool isLastChunk,
                 const OutputSink& onOutput) override;
    bool Finalize() override;

private:
    static constexpr std::int16_t WINDOW_BITS = -15;
    static constexpr std::uint32_t OUTPUT_CHUNK_SIZE = 1024;

    z_stream stream_;
    bool initialized_ = false;
};

}  // namespace NuvraMobile
