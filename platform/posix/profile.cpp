// INI reading and writing on POSIX, laid out as the Windows profile functions
// lay it out: "[section]" lines, "key=value" lines, other lines kept as they are.
#include <stdio.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/profile_codec.h"

namespace platform {
namespace {

std::string trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool read_lines(const char* path, std::vector<std::string>* lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
  }
  return true;
}

// The section name of a "[name]" line, or false for any other line.
bool section_of(const std::string& line, std::string* name) {
  std::string text = trim(line);
  if (text.size() < 2 || text.front() != '[') return false;
  size_t close = text.find(']');
  if (close == std::string::npos) return false;
  *name = trim(text.substr(1, close - 1));
  return true;
}

// The key of a "key=value" line, or false for any other line.
bool key_of(const std::string& line, std::string* key, std::string* value) {
  size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  *key = trim(line.substr(0, equals));
  *value = trim(line.substr(equals + 1));
  return true;
}

bool same_name(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

}  // namespace

bool read_profile_value(const char* path, const char* section, const char* key, char* out,
                        size_t capacity) {
  std::vector<std::string> lines;
  if (capacity == 0 || !read_lines(path, &lines)) return false;
  bool inside = false;
  for (const std::string& line : lines) {
    std::string name, value;
    if (section_of(line, &name)) {
      inside = same_name(name, section);
    } else if (inside && key_of(line, &name, &value) && same_name(name, key)) {
      // Like the Windows call, a value that does not fit is cut to the buffer.
      size_t length = value.size() < capacity - 1 ? value.size() : capacity - 1;
      std::memcpy(out, value.data(), length);
      out[length] = '\0';
      return true;
    }
  }
  return false;
}

bool write_profile_record(const char* path, const char* section, const char* key, const void* data,
                          size_t size) {
  std::vector<char> text(2 * size + 3);
  encode_profile_record(data, size, text.data());
  std::string new_line = std::string(key) + "=" + text.data();

  std::vector<std::string> lines;
  read_lines(path, &lines);  // a missing file is simply empty
  int section_line = -1, key_line = -1, last_in_section = -1;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    std::string name, found;
    if (section_of(lines[i], &name)) {
      if (section_line >= 0) break;  // the next section ends ours
      if (same_name(name, section)) section_line = last_in_section = i;
    } else if (section_line >= 0) {
      if (!trim(lines[i]).empty()) last_in_section = i;
      if (key_of(lines[i], &name, &found) && same_name(name, key)) {
        key_line = i;
        break;
      }
    }
  }
  if (key_line >= 0) {
    lines[key_line] = new_line;
  } else if (section_line >= 0) {
    lines.insert(lines.begin() + last_in_section + 1, new_line);
  } else {
    lines.push_back(std::string("[") + section + "]");
    lines.push_back(new_line);
  }

  // Write a sibling file and rename it over the old one, so that a failed
  // write never leaves half a configuration behind.
  std::string temporary = std::string(path) + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const std::string& line : lines) out << line << "\r\n";
    out.flush();
    if (!out) {
      unlink(temporary.c_str());
      return false;
    }
  }
  if (rename(temporary.c_str(), path) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
