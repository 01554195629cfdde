#include "services/json/TreeArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace NuvraMobile {
namespace {

constexpr size_t SMALLEST_BLOCK = 512;
constexpr size_t LARGEST_BLOCK = 64 * 1024;
// A value with its reference counts takes about four times the bytes of its text.
constexpr size_t BYTES_PER_TEXT_BYTE = 4;

uintptr_t AlignUp(uintptr_t address, size_t alignment) { return (address + alignment - 1) & ~(alignment - 1); }

}  // namespace

// The header of a block; its bytes follow. Each value is preceded by a pointer to its block.
struct TreeArena::Block {
    std::atomic<size_t> references{1};
};

TreeArena::TreeArena(size_t textLength)
    : blockSize_(std::clamp(std::min(textLength, LARGEST_BLOCK) * BYTES_PER_TEXT_BYTE, SMALLEST_BLOCK,
                            LARGEST_BLOCK)) {}

TreeArena::~TreeArena() {
    if (block_ != nullptr) {
        Release(block_);
    }
}

void* TreeArena::Allocate(size_t bytes, size_t alignment) {
    alignment = std::max(alignment, alignof(Block*));
    auto value = AlignUp(reinterpret_cast<uintptr_t>(next_) + sizeof(Block*), alignment);
    if (block_ == nullptr || value + bytes > reinterpret_cast<uintptr_t>(end_)) {
        StartBlock(sizeof(Block*) + alignment + bytes);
        value = AlignUp(reinterpret_cast<uintptr_t>(next_) + sizeof(Block*), alignment);
    }
    *reinterpret_cast<Block**>(value - sizeof(Block*)) = block_;
    block_->references.fetch_add(1, std::memory_order_relaxed);
    next_ = reinterpret_cast<std::byte*>(value + bytes);
    return reinterpret_cast<void*>(value);
}

void TreeArena::Free(void* address) {
    Release(*reinterpret_cast<Block**>(static_cast<std::byte*>(address) - sizeof(Block*)));
}

void TreeArena::StartBlock(size_t bytes) {
    if (block_ != nullptr) {
        Release(block_);
    }
    const size_t size = std::max(bytes, blockSize_);
    // Not zeroed: every byte handed out is written by the value built on it.
    void* memory = ::operator new(sizeof(Block) + size);
    block_ = new (memory) Block();
    next_ = static_cast<std::byte*>(memory) + sizeof(Block);
    end_ = next_ + size;
    blockSize_ = std::min(blockSize_ * 2, LARGEST_BLOCK);
}

void TreeArena::Release(Block* block) {
    if (block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~Block();
        ::operator delete(block);
    }
}

}  // namespace NuvraMobile
