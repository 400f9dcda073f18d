#pragma once
// Memory taken from the system for one use and given back to it whole when freed, for the
// service's half-megabyte buffers that a connection holds only while it answers: the C
// runtime's heap may keep freed blocks of that size for later (glibc's does, in each of its
// arenas), and idle connections would hold the memory all the same.
#include <cstddef>
#include <memory>

namespace platform {

// Zeroed; null when the memory cannot be had.
void* AllocateLargeBlock(std::size_t size);
// `size` as allocated; null does nothing.
void FreeLargeBlock(void* block, std::size_t size);

struct LargeBlockRelease {
  std::size_t size = 0;
  void operator()(char* block) const { FreeLargeBlock(block, size); }
};
using LargeBlock = std::unique_ptr<char[], LargeBlockRelease>;

// Empty when the memory cannot be had.
inline LargeBlock MakeLargeBlock(std::size_t size) {
  return LargeBlock(static_cast<char*>(AllocateLargeBlock(size)), LargeBlockRelease{size});
}

}  // namespace platform
