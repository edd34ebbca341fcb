#include "big_block.h"

#include <cstring>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace keltrop {
namespace {

#ifdef __linux__
constexpr std::size_t huge_page = std::size_t(2) << 20;
constexpr std::size_t mapped_from = 4 * huge_page; // smaller sizes come from the heap

std::size_t mapped_size(std::size_t size) {
    return (size + huge_page - 1) / huge_page * huge_page;
}
#endif

} // namespace

void* big_allocate(std::size_t size, bool zeroed) {
#ifdef __linux__
    if (size >= mapped_from) {
        void* p = ::mmap(nullptr, mapped_size(size), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            throw std::bad_alloc();
        }
        ::madvise(p, mapped_size(size), MADV_HUGEPAGE); // a hint: it works without huge pages
        return p;
    }
#endif
    void* p = ::operator new(size > 0 ? size : 1);
    if (zeroed) {
        std::memset(p, 0, size);
    }
    return p;
}

void big_deallocate(void* p, std::size_t size) noexcept {
    if (p == nullptr) {
        return;
    }
#ifdef __linux__
    if (size >= mapped_from) {
        ::munmap(p, mapped_size(size));
        return;
    }
#endif
    (void)size;
    ::operator delete(p);
}

BigBlock::BigBlock(std::size_t size, bool zeroed)
    : data_(static_cast<char*>(big_allocate(size, zeroed))), size_(size) {}

BigBlock::~BigBlock() {
    big_deallocate(data_, size_);
}

BigBlock::BigBlock(BigBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

BigBlock& BigBlock::operator=(BigBlock&& other) noexcept {
    if (this != &other) {
        big_deallocate(data_, size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

} // namespace keltrop
