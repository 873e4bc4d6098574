// Large zero-filled allocations straight from the system, advised as huge pages.
#include "plaxen/common/large_array.h"

#include <sys/mman.h>

namespace plaxen {

void* allocate_large(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  // Only advice: a system without huge pages changes nothing but the time.
  if (bytes >= (std::size_t{2} << 20)) (void)madvise(memory, bytes, MADV_HUGEPAGE);
#endif
  return memory;
}

void free_large(void* memory, std::size_t bytes) noexcept {
  if (memory != nullptr) munmap(memory, bytes);
}

}  // namespace plaxen
