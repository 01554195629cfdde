#pragma once

#include "core/values/Object.h"
#include "platformShim/StreamDecoderInterface.h"

namespace NuvraMobile {

/** The decoder of stored (uncompressed) entries: hands every chunk on unchanged. One thread at a time. */
class StoredStreamDecoderImpl : public Object, public virtual StreamDecoderInterface {
public:
    bool Initialize() override;
    bool Process(const std::uint8_t* bytes, std::int32_t length, bool isLastChunk,
                 const OutputSink& onOutput) override;
    bool Finalize() override;
};

}  // namespace NuvraMobile
