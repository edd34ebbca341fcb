// A block of memory for the input and the header's text. Large blocks come straight from the
// system and, on Linux, ask for transparent huge pages: a 30 MB header then costs a few dozen
// page faults instead of thousands.
#pragma once

#include <cstddef>

namespace keltrop {

// Memory from the system for large sizes (with huge pages where the system has them), from the
// heap for small ones. `size` must be the same for both calls. Zeroed memory costs nothing more
// when it comes from the system, which hands out pages of zeros.
void* big_allocate(std::size_t size, bool zeroed = false);
void big_deallocate(void* p, std::size_t size) noexcept;

// For std::vector and the like.
template <class T> struct BigAllocator {
    using value_type = T;
    BigAllocator() = default;
    template <class U> BigAllocator(const BigAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(big_allocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { big_deallocate(p, n * sizeof(T)); }
    template <class U> bool operator==(const BigAllocator<U>&) const noexcept { return true; }
    template <class U> bool operator!=(const BigAllocator<U>&) const noexcept { return false; }
};

class BigBlock {
public:
    BigBlock() = default;
    explicit BigBlock(std::size_t size, bool zeroed = false);
    ~BigBlock();
    BigBlock(BigBlock&& other) noexcept;
    BigBlock& operator=(BigBlock&& other) noexcept;
    BigBlock(const BigBlock&) = delete;
    BigBlock& operator=(const BigBlock&) = delete;

    char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace keltrop
