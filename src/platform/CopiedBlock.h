#pragma once

#include <Block.h>

#include <memory>

namespace NuvraMobile {

/** Defined with the runtime's object-capture hooks; referenced here so that the linker keeps them. */
bool BlockCapturesAreRetained();

/**
 * One heap copy of a block, shared by every copy of the holder and of the functions that capture it,
 * and released with the last of them. Blocks are not objects on this runtime: they are never sent
 * -copy nor put in a collection, only held here. An absent block gives an empty holder.
 */
template <typename BlockType>
class CopiedBlock {
public:
    CopiedBlock() = default;
    explicit CopiedBlock(BlockType block)
        : copy_(block ? (void*)Block_copy(block) : nullptr, [](void* heapBlock) {
              if (heapBlock != nullptr) {
                  Block_release(heapBlock);
              }
          }) {
        static const bool retained = BlockCapturesAreRetained();
        (void)retained;
    }

    explicit operator bool() const { return copy_ != nullptr; }
    BlockType Get() const { return (BlockType)copy_.get(); }

private:
    std::shared_ptr<void> copy_;
};

}  // namespace NuvraMobile
