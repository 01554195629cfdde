#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace NuvraMobile {

/**
 * The memory of the values of one parsed JSON tree, taken from the system in a few large blocks rather
 * than one allocation per value; reading a text spent half its time in the allocator. Each value keeps
 * its own reference count: the blocks go back to the system when the last value built in them is gone,
 * so a value kept from a tree keeps that tree's blocks. Values are built on one thread (the reader's);
 * they may be released on any thread.
 */
class TreeArena {
public:
    struct Releaser {
        void operator()(TreeArena* arena) const { arena->Release(); }
    };
    /** The builder's reference; the arena lives on while values built in it do. */
    using Hold = std::unique_ptr<TreeArena, Releaser>;

    /** An arena whose first block suits a tree read from `textLength` bytes. */
    static Hold Create(size_t textLength);

    /** Building thread only. Counts one reference, given back by Release. */
    void* Allocate(size_t bytes, size_t alignment);
    /** Any thread. The last release frees the arena. */
    void Release();

    TreeArena(const TreeArena&) = delete;
    TreeArena& operator=(const TreeArena&) = delete;

private:
    explicit TreeArena(size_t blockSize);
    ~TreeArena() = default;
    void AddBlock(size_t bytes);

    std::atomic<size_t> references_{1};  // the builder's, until it releases
    size_t blockSize_;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
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
    void deallocate(T*, size_t) { arena_->Release(); }

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
    TreeArena* arena_;
};

}  // namespace NuvraMobile
