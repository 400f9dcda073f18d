#include "platform/large_block.h"

#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

// Enough for the requests that run at once in practice (a browser opens six connections to a
// host); what is kept, at most a few MiB, stays bounded however many connections wait idle.
constexpr std::size_t kKeptPerSize = 8;

struct KeptBlocks {
  std::mutex mutex;
  std::vector<std::pair<std::size_t, char*>> blocks;  // size, block
};

// Never destroyed: connection threads may still give blocks back while the process exits.
KeptBlocks& Kept() {
  static KeptBlocks* kept = new KeptBlocks;
  return *kept;
}

}  // namespace

LargeBlock MakeLargeBlock(std::size_t size) {
  KeptBlocks& kept = Kept();
  {
    std::lock_guard<std::mutex> lock(kept.mutex);
    for (auto it = kept.blocks.begin(); it != kept.blocks.end(); ++it) {
      if (it->first != size) continue;
      char* block = it->second;
      kept.blocks.erase(it);
      return LargeBlock(block, LargeBlockRelease{size});
    }
  }
  return LargeBlock(static_cast<char*>(AllocateLargeBlock(size)), LargeBlockRelease{size});
}

void LargeBlockRelease::operator()(char* block) const {
  if (!block) return;
  KeptBlocks& kept = Kept();
  {
    std::lock_guard<std::mutex> lock(kept.mutex);
    std::size_t ofThisSize = 0;
    for (const auto& entry : kept.blocks) ofThisSize += entry.first == size;
    if (ofThisSize < kKeptPerSize) {
      kept.blocks.emplace_back(size, block);
      return;
    }
  }
  FreeLargeBlock(block, size);
}

}  // namespace platform
