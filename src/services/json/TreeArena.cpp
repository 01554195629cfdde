#include "services/json/TreeArena.h"

#include <algorithm>
#include <cstdint>

namespace NuvraMobile {
namespace {

constexpr size_t SMALLEST_BLOCK = 512;
constexpr size_t LARGEST_BLOCK = 64 * 1024;
// A value with its reference counts takes about four times the bytes of its text.
constexpr size_t BYTES_PER_TEXT_BYTE = 4;

}  // namespace

TreeArena::Hold TreeArena::Create(size_t textLength) {
    const size_t wanted = textLength < LARGEST_BLOCK ? textLength * BYTES_PER_TEXT_BYTE : LARGEST_BLOCK;
    return Hold(new TreeArena(std::clamp(wanted, SMALLEST_BLOCK, LARGEST_BLOCK)));
}

TreeArena::TreeArena(size_t blockSize) : blockSize_(blockSize) {}

void* TreeArena::Allocate(size_t bytes, size_t alignment) {
    auto address = reinterpret_cast<uintptr_t>(next_);
    uintptr_t aligned = (address + alignment - 1) & ~(alignment - 1);
    if (next_ == nullptr || aligned + bytes > reinterpret_cast<uintptr_t>(end_)) {
        AddBlock(bytes + alignment);
        address = reinterpret_cast<uintptr_t>(next_);
        aligned = (address + alignment - 1) & ~(alignment - 1);
    }
    next_ += aligned - address + bytes;
    references_.fetch_add(1, std::memory_order_relaxed);
    return reinterpret_cast<void*>(aligned);
}

void TreeArena::Release() {
    if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete this;
    }
}

void TreeArena::AddBlock(size_t bytes) {
    const size_t size = std::max(bytes, blockSize_);
    // Not zeroed: every byte is written by the value built on it.
    blocks_.emplace_back(new std::byte[size]);
    next_ = blocks_.back().get();
    end_ = next_ + size;
    blockSize_ = std::min(blockSize_ * 2, LARGEST_BLOCK);
}

}  // namespace NuvraMobile
