#include "bench/common/json_results.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// The shortest text that reads back as the same double, whatever the C
// runtime's printf does.
std::string number_json(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

std::string string_json(const std::string& value) {
  std::string json = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

}  // namespace

JsonObject& JsonObject::field(const std::string& key, const std::string& json_value) {
  if (!fields_.empty()) fields_ += ", ";
  fields_ += string_json(key) + ": " + json_value;
  return *this;
}

JsonObject& JsonObject::number(const std::string& key, double value) {
  return field(key, number_json(value));
}

JsonObject& JsonObject::count(const std::string& key, int64_t value) {
  return field(key, std::to_string(value));
}

JsonObject& JsonObject::text(const std::string& key, const std::string& value) {
  return field(key, string_json(value));
}

JsonObject& JsonObject::flag(const std::string& key, bool value) {
  return field(key, value ? "true" : "false");
}

JsonObject& JsonObject::numbers(const std::string& key, const std::vector<double>& values) {
  std::string json = "[";
  for (size_t i = 0; i < values.size(); ++i) json += (i ? ", " : "") + number_json(values[i]);
  return field(key, json + "]");
}

JsonObject& JsonObject::rows(const std::string& key, const std::vector<JsonObject>& values) {
  std::string json = "[";
  for (size_t i = 0; i < values.size(); ++i) json += (i ? ",\n  " : "\n  ") + values[i].json();
  return field(key, json + "]");
}

std::string JsonObject::json() const { return "{" + fields_ + "}"; }

void JsonObject::print() const { std::printf("%s\n", json().c_str()); }
