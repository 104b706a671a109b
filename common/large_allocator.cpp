#include "large_allocator.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace gegu {

#if defined(__linux__)
namespace {
constexpr std::size_t hugePage = std::size_t(2) << 20;
}

void* allocateLarge(std::size_t bytes) {
    void* p = nullptr;
    if (bytes >= hugePage) {
        const std::size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
        if (rounded < bytes)
            throw std::bad_alloc();
        p = std::aligned_alloc(hugePage, rounded);
        if (p)
            madvise(p, rounded, MADV_HUGEPAGE); // advice only: failure changes nothing
    } else {
        p = std::malloc(bytes ? bytes : 1);
    }
    if (!p)
        throw std::bad_alloc();
    return p;
}

void adviseHugePages(void* p, std::size_t bytes) noexcept {
    const auto begin = (reinterpret_cast<std::uintptr_t>(p) + hugePage - 1) & ~(hugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(hugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void releasePages(void* p, std::size_t bytes) noexcept {
    constexpr std::uintptr_t page = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(p) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}
#else
// Elsewhere the C runtime's own allocation: no huge pages, nothing given back early.
void* allocateLarge(std::size_t bytes) {
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void adviseHugePages(void*, std::size_t) noexcept {}
void releasePages(void*, std::size_t) noexcept {}
#endif

void freeLarge(void* p) noexcept {
    std::free(p);
}

} // namespace gegu
