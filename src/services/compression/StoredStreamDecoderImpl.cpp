#include "services/compression/StoredStreamDecoderImpl.h"

namespace NuvraMobile {

bool StoredStreamDecoderImpl::Initialize() { return true; }

bool StoredStreamDecoderImpl::Process(const std::uint8_t* bytes, std::int32_t length, bool /*isLastChunk*/,
                                      const OutputSink& onOutput) {
    onOutput(bytes, static_cast<std::uint32_t>(length < 0 ? 0 : length));
    return true;
}

bool StoredStreamDecoderImpl::Finalize() { return true; }

}  // namespace NuvraMobile
