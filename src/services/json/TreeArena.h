#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace NuvraMobile {

/**
 * The memory of the values of one parsed JSON tree, taken from the system in a few large blocks rather
 * than one allocation per value; reading a text spent half its time in the allocator. Each value keeps
 * its own reference count, and each block counts the values built in it: a block goes back to the
 * system when its last value is gone, so a value kept from a large tree keeps its own block, not the
 * tree's. The arena itself is the builder's: values are built on one thread while it lives; they may be
 * released on any thread, before or after it is gone.
 */
class TreeArena {
public:
    /** An arena whose first block suits a tree read from `textLength` bytes. */
    explicit TreeArena(size_t textLength);
    ~TreeArena();
    TreeArena(const TreeArena&) = delete;
    TreeArena& operator=(const TreeArena&) = delete;

    /** Building thread only. The block counts the value until Free. */
    void* Allocate(size_t bytes, size_t alignment);
    /** Any thread: the value at `address`, made by Allocate, is gone. */
    static void Free(void* address);

private:
    struct Block;

    void StartBlock(size_t bytes);
    static void Release(Block* block);

    size_t blockSize_;
    Block* block_ = nullptr;  // the arena counts as one reference while the block is its current one
    std::byte* next_ = nullptr;
    std::byte* end_ = nullptr;
};

/** Lets std::allocate_shared place a value and its reference counts in a TreeArena. */
template <typename T>
class TreeAllocator {
public:
    using value_type = T;

    explicit TreeAllocator(TreeArena& arena) : arena_(&arena) {}
    template <typename U>
    TreeAllocator(const TreeAllocator<U>& other) : arena_(other.arena_) {}  // NOLINT: rebinding converts

    T* allocate(size_t count) { return static_cast<T*>(arena_->Allocate(sizeof(T) * count, alignof(T))); }
    void deallocate(T* address, size_t) { TreeArena::Free(address); }

    template <typename U>
    bool operator==(const TreeAllocator<U>& other) const {
        return arena_ == other.arena_;
    }
    template <typename U>
    bool operator!=(const TreeAllocator<U>& other) const {
        return arena_ != other.arena_;
    }

private:
    template <typename U>
    friend class TreeAllocator;
    TreeArena* arena_;  // used only while building; freeing needs no arena
};

}  // namespace NuvraMobile
