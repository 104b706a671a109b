#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace gegu {

// Memory for the few large arrays that loading fills (the decoded file, its line table).
// Large blocks are aligned to 2 MiB and, on Linux, offered transparent huge pages: touching
// fresh 4 KiB pages one at a time is otherwise most of the cost of filling them.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p) noexcept;

// Offers transparent huge pages (Linux) for the 2 MiB pages that lie wholly inside
// [p, p + bytes): for a large buffer that another allocator made and that is about to be
// filled. Advice only; elsewhere nothing.
void adviseHugePages(void* p, std::size_t bytes) noexcept;

// Gives the whole pages inside [p, p + bytes) back to the system: memory that was written
// but is no longer needed. Reading it afterwards gives zeros.
void releasePages(void* p, std::size_t bytes) noexcept;

// An allocator for std::vector over allocateLarge. Elements are default-initialised, so that
// resize() leaves a trivial type's memory untouched until it is written.
template <typename T> struct LargeAllocator {
    using value_type = T;

    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(allocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t) noexcept { freeLarge(p); }

    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

// UTF-16 text in a large buffer of its own: a report.
using TextBuffer = std::vector<char16_t, LargeAllocator<char16_t>>;
// Bytes in a large buffer of their own: a data file as read.
using ByteBuffer = std::vector<char, LargeAllocator<char>>;

} // namespace gegu
