#include "platformShim/StreamDecoderInterface.h"
#include "services/compression/DeflateStreamDecoderImpl.h"
#include "services/compression/StoredStreamDecoderImpl.h"

namespace NuvraMobile {

std::shared_ptr<StreamDecoderInterface> StreamDecoderInterface::CreateDecompressor(CompressionMethod method) {
    if (method == CompressionMethod::DEFLATE) {
        return std::make_shared<DeflateStreamDecoderImpl>();
    }
    return std::make_shared<StoredStreamDecoderImpl>();
}

}  // namespace NuvraMobile
