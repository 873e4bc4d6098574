// Arrays for large grids and records: zero-filled memory of the system's own, in the pages
// that suit how the array is used.
#pragma once

#include <cstddef>
#include <new>
#include <span>

namespace plaxen {

// How an array's memory is used, which decides its pages.
enum class Access {
  // Read and written all over (grids): huge pages where large, so that scattered accesses
  // miss the address translation caches far less often.
  scattered,
  // Read and written in order (records, text): small pages, which such use walks through as
  // fast. On a virtual machine that hands free memory back to its host, a huge page is made
  // of such memory and costs several times more to touch first (2.3 ms a MB against 0.35,
  // measured on such a machine).
  sequential,
};

// Allocates `bytes` of zero-filled memory (mmap), in huge pages when it is large and used
// scattered. Throws std::bad_alloc when the system has none to give.
void* allocate_large(std::size_t bytes, Access access = Access::scattered);
// Returns memory of allocate_large.
void free_large(void* memory, std::size_t bytes) noexcept;

// `size` values of T, zero-filled; owns its memory; moves, never copies.
template <class T>
class LargeArray {
 public:
  LargeArray() = default;
  explicit LargeArray(std::size_t size, Access access = Access::scattered)
      : data_(static_cast<T*>(allocate_large(size * sizeof(T), access))), size_(size) {}
  ~LargeArray() { free_large(data_, size_ * sizeof(T)); }
  LargeArray(LargeArray&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  LargeArray& operator=(LargeArray&& other) noexcept {
    if (this != &other) {
      free_large(data_, size_ * sizeof(T));
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  LargeArray(const LargeArray&) = delete;
  LargeArray& operator=(const LargeArray&) = delete;

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  T& operator[](std::size_t k) { return data_[k]; }
  const T& operator[](std::size_t k) const { return data_[k]; }
  operator std::span<T>() { return {data_, size_}; }
  operator std::span<const T>() const { return {data_, size_}; }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace plaxen
