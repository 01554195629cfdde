#include "services/compression/DeflateStreamDecoderImpl.h"

#include <cstring>

namespace NuvraMobile {

namespace {

bool IsHardError(int result) {
    return result == Z_MEM_ERROR || result == Z_DATA_ERROR || result == Z_ERRNO || result == Z_NEED_DICT;
}

}  // namespace

DeflateStreamDecoderImpl::DeflateStreamDecoderImpl() { std::memset(&stream_, 0, sizeof(stream_)); }

DeflateStreamDecoderImpl::~DeflateStreamDecoderImpl() {
    // An entry abandoned half-way never reaches Finalize; zlib's state must still be freed.
    if (initialized_) {
        inflateEnd(&stream_);
    }
}

bool DeflateStreamDecoderImpl::Initialize() {
    std::memset(&stream_, 0, sizeof(stream_));
    initialized_ = inflateInit2(&stream_, WINDOW_BITS) == Z_OK;
    return initialized_;
}

bool DeflateStreamDecoderImpl::Process(const std::uint8_t* bytes, std::int32_t length, bool isLastChunk,
                                       const OutputSink& onOutput) {
    if (!initialized_ || length < 0) {
        return false;
    }
    std::uint8_t output[OUTPUT_CHUNK_SIZE];
    stream_.next_in = const_cast<Bytef*>(bytes);
    stream_.avail_in = static_cast<uInt>(length);
    stream_.next_out = output;
    stream_.avail_out = OUTPUT_CHUNK_SIZE;
    int result = inflate(&stream_, Z_SYNC_FLUSH);
    while (stream_.avail_out == 0) {
        onOutput(output, OUTPUT_CHUNK_SIZE);
        stream_.next_out = output;
        stream_.avail_out = OUTPUT_CHUNK_SIZE;
        result = inflate(&stream_, Z_SYNC_FLUSH);
        if (IsHardError(result)) {
            return false;
        }
    }
    onOutput(output, OUTPUT_CHUNK_SIZE - stream_.avail_out);
    return result == Z_OK || result == Z_BUF_ERROR || (result == Z_STREAM_END && isLastChunk);
}

bool DeflateStreamDecoderImpl::Finalize() {
    if (!initialized_) {
        return false;
    }
    initialized_ = false;
    return inflateEnd(&stream_) == Z_OK;
}

}  // namespace NuvraMobile
