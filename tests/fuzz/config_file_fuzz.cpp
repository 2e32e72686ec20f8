// Loads arbitrary bytes as a configuration file: whatever the file holds
// (binary garbage, huge lines, missing sections, duplicate keys), loading
// never crashes and every record comes out usable.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/config_file.h"

namespace {

std::string scratch_path() {
  static std::string path = "/tmp/tv_config_fuzz_" + std::to_string(getpid()) + ".ini";
  return path;
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(scratch_path().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  ListParam list;
  CopyParam copy;
  DialogParam dialog;
  std::memset(&list, 0xCC, sizeof list);
  std::memset(&copy, 0xCC, sizeof copy);
  std::memset(&dialog, 0xCC, sizeof dialog);
  load_settings(scratch_path().c_str(), &list, &copy, &dialog);

  check(list.column_width[0] == 20);
  check(copy.buffer_size >= 1 && copy.buffer_size <= kMaxBufferSize);
  check(copy.retry_timeout >= 1 && copy.retry_timeout <= kMaxRetryTimeout);
  check(copy.max_attempts >= 1 && copy.max_attempts <= kMaxAttempts);
  check(dialog.refresh_interval >= 1 && dialog.refresh_interval <= kMaxRefreshInterval);
  check(dialog.list_ref == &list && dialog.copy_ref == &copy);
  check(std::memchr(copy.dest_folder, '\0', sizeof copy.dest_folder) != nullptr);
  return 0;
}
