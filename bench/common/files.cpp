#include "bench/common/files.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {
constexpr size_t kChunk = 1 << 20;
}  // namespace

bool same_content(const char* a, const char* b) {
  FILE* fa = std::fopen(a, "rb");
  FILE* fb = std::fopen(b, "rb");
  bool same = fa && fb;
  std::vector<char> ba(kChunk);
  std::vector<char> bb(kChunk);
  while (same) {
    const size_t na = std::fread(ba.data(), 1, kChunk, fa);
    const size_t nb = std::fread(bb.data(), 1, kChunk, fb);
    same = na == nb && std::memcmp(ba.data(), bb.data(), na) == 0;
    if (na == 0) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

int64_t file_size(const char* path) {
  platform::PathInfo info{};
  return platform::look_up(path, &info) ? info.size : -1;
}

void warm(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return;
  std::vector<char> buffer(kChunk);
  while (std::fread(buffer.data(), 1, kChunk, file) > 0) {
  }
  std::fclose(file);
}
