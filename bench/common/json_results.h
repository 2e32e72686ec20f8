// The results of a benchmark run as one JSON object on stdout, which
// scripts/bench.sh keeps and scripts/write_performance.py turns into the
// report. Keys keep the order they were set in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonObject {
 public:
  // A measurement; one that is not finite (a division by zero) is null.
  JsonObject& number(const std::string& key, double value);
  JsonObject& count(const std::string& key, int64_t value);
  JsonObject& text(const std::string& key, const std::string& value);
  JsonObject& flag(const std::string& key, bool value);
  // Each round's measurement, in the order the rounds ran.
  JsonObject& numbers(const std::string& key, const std::vector<double>& values);
  // The rows of a table.
  JsonObject& rows(const std::string& key, const std::vector<JsonObject>& values);

  std::string json() const;
  // The object and a line end on stdout.
  void print() const;

 private:
  JsonObject& field(const std::string& key, const std::string& json_value);
  std::string fields_;
};
