// A temporary folder for tests, removed with everything in it at the end.
// Header-only so that native and Windows test programs can both use it.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

class TempDir {
 public:
  TempDir() {
    std::mt19937_64 random(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("tv-test-" + std::to_string(random() % 1000000000u));
      std::error_code error;
      if (std::filesystem::create_directory(path_, error)) break;
    }
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Full path of `name` inside the folder, in the platform's own form.
  std::string path(const std::string& name = "") const {
    return name.empty() ? path_.string() : (path_ / name).string();
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
  void make_folder(const std::string& name) const {
    std::filesystem::create_directory(path_ / name);
  }
  // Gives `name` the last-write time of `model` plus `seconds`: 0 makes it
  // look like a copy this program stamped, anything else another version.
  void copy_time(const std::string& model, const std::string& name, int seconds = 0) const {
    std::filesystem::last_write_time(path_ / name, std::filesystem::last_write_time(path_ / model) +
                                                       std::chrono::seconds(seconds));
  }
  void remove(const std::string& name) const {
    std::error_code error;
    std::filesystem::remove_all(path_ / name, error);
  }

 private:
  std::filesystem::path path_;
};

// `size` bytes of a pattern that differs at every offset of a small file, so
// that a block written to the wrong place shows.
inline std::string pattern_bytes(size_t size, unsigned seed = 1) {
  std::string bytes(size, '\0');
  uint32_t value = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < size; ++i) {
    value = value * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(value >> 16);
  }
  return bytes;
}
