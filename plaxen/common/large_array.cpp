// Large zero-filled allocations straight from the system, those used scattered advised as
// huge pages.
#include "plaxen/common/large_array.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace plaxen {
namespace {

constexpr std::size_t huge_page = std::size_t{2} << 20;

// `bytes` of zero-filled memory of the system's own, anywhere.
void* anonymous_mapping(std::size_t bytes) {
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  return memory;
}

// The mapping of `bytes` at a multiple of a huge page, the surplus around it unmapped: a
// huge page can only lie on such a boundary, and memory outside them is faulted in a small
// page at a time, which costs about twice as much a byte.
void* aligned_mapping(std::size_t bytes) {
  const auto page = std::size_t(sysconf(_SC_PAGESIZE));
  const std::size_t length = (bytes + page - 1) / page * page;  // what munmap takes back
  const std::size_t mapped = length + huge_page;
  if (length < bytes || mapped < length) throw std::bad_alloc();
  void* memory = anonymous_mapping(mapped);
  const auto start = reinterpret_cast<std::uintptr_t>(memory);
  const std::uintptr_t aligned = (start + huge_page - 1) & ~std::uintptr_t{huge_page - 1};
  const std::size_t head = aligned - start;
  if (head > 0) munmap(memory, head);
  if (mapped - head > length)
    munmap(reinterpret_cast<char*>(aligned) + length, mapped - head - length);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

void* allocate_large(std::size_t bytes, Access access) {
  if (bytes == 0) return nullptr;
  if (bytes < huge_page || access == Access::sequential) return anonymous_mapping(bytes);
  void* memory = aligned_mapping(bytes);
#ifdef MADV_HUGEPAGE
  // Only advice: a system without huge pages changes nothing but the time.
  (void)madvise(memory, bytes, MADV_HUGEPAGE);
#endif
  return memory;
}

void free_large(void* memory, std::size_t bytes) noexcept {
  if (memory != nullptr) munmap(memory, bytes);
}

}  // namespace plaxen
