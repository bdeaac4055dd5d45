#include "storage/cache_cleanup.h"

#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace storage {
namespace {

constexpr uint32_t kFirstBufferSize = 4096;

// A fresh record buffer of `size` bytes with the size stored in the record's
// size field (at least the field itself is allocated).
void Allocate(std::vector<uint8_t>& buffer, uint32_t size) {
  buffer.assign(size < sizeof(uint32_t) ? sizeof(uint32_t) : size, 0);
  std::memcpy(buffer.data(), &size, sizeof size);
}

}  // namespace

bool KeepCacheEntry(const std::wstring& sourceUrlName) {
  return sourceUrlName.find(L"Cookie") != std::wstring::npos ||
         sourceUrlName.find(L"Visited") != std::wstring::npos;
}

void ClearUrlCache() {
  pf::UrlCache* cache = pf::urlCache();
  if (!cache || !cache->WalksEntries()) return;
  // The buffer only grows: a successful call reports the bytes it used,
  // which may be fewer than the buffer held.
  uint32_t capacity = kFirstBufferSize;
  std::vector<uint8_t> record;
  uint32_t size = 0;
  // One find call with a retry in a buffer of the reported size.
  auto first = [&]() -> pf::HCacheFind {
    for (int attempt = 0; attempt < 2; ++attempt) {
      Allocate(record, capacity);
      size = capacity;
      if (pf::HCacheFind found = cache->FindFirstEntry(record.data(), size)) return found;
      if (size > capacity) capacity = size;
    }
    return nullptr;
  };
  auto next = [&](pf::HCacheFind find) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      Allocate(record, capacity);
      size = capacity;
      if (cache->FindNextEntry(find, record.data(), size)) return true;
      if (size > capacity) capacity = size;
    }
    return false;
  };
  pf::HCacheFind find = first();
  for (bool have = find != nullptr; have; have = next(find)) {
    const std::wstring name = cache->SourceUrlName(record.data());
    if (!KeepCacheEntry(name)) cache->DeleteEntry(name);  // the result is ignored
  }
  cache->FindClose(find);
}

}  // namespace storage
