#include "engine/journal_format.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/copy_job.h"

namespace {

const char kHeader[] = "tvoln.queue\t1";
const char kRowTag[] = "row";
constexpr size_t kFieldCount = 15;  // the tag, thirteen values, the CRC

uint32_t crc32(const char* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= static_cast<uint8_t>(data[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string number(int64_t value) { return std::to_string(value); }

std::string holes_field(const Holes& holes) {
  if (holes.empty()) return "-";
  std::string text;
  for (const Hole& hole : holes) {
    if (!text.empty()) text += ',';
    text += number(hole.offset) + ':' + number(hole.length) + ':' + number(hole.grain) + ':' +
            number(hole.tries);
  }
  return text;
}

std::string folders_field(const JournalRecord& record) {
  if (!record.makes_folders) return "-";
  std::string text = "+";
  for (size_t i = 0; i < record.empty_folders.size(); ++i) {
    text += (i > 0 ? "|" : "") + record.empty_folders[i];
  }
  return text;
}

std::string format_record(const JournalRecord& record) {
  const CopyParam& param = record.param;
  std::string line = std::string(kRowTag) + '\t' + record.source_path + '\t' + record.dest_path +
                     '\t' + param.dest_folder + '\t' + number(param.buffer_size) + '\t' +
                     number(param.retry_timeout) + '\t' + number(param.max_attempts) + '\t' +
                     number(param.resume) + '\t' + number(record.state) + '\t' +
                     number(record.bytes_copied) + '\t' + number(record.total_size) + '\t' +
                     number(record.source_time) + '\t' + holes_field(record.holes) + '\t' +
                     folders_field(record);
  char crc[16];
  std::snprintf(crc, sizeof crc, "\t%08" PRIx32, crc32(line.data(), line.size()));
  return line + crc;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// A whole decimal number within [least, most], and nothing else.
bool parse_number(const std::string& text, int64_t least, int64_t most, int64_t* value) {
  if (text.empty() || text.size() > 20) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (!digit && !(i == 0 && text[i] == '-' && text.size() > 1)) return false;
  }
  errno = 0;
  const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < least || parsed > most) return false;
  *value = parsed;
  return true;
}

bool parse_int32(const std::string& text, int32_t* value) {
  int64_t parsed = 0;
  if (!parse_number(text, INT32_MIN, INT32_MAX, &parsed)) return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

// Sorted holes that do not overlap, within the bytes copied.
bool parse_holes(const std::string& text, int64_t bytes_copied, Holes* holes) {
  if (text == "-") return true;
  int64_t reached = 0;
  for (const std::string& item : split(text, ',')) {
    const std::vector<std::string> parts = split(item, ':');
    Hole hole{};
    int64_t tries = 0;
    if (parts.size() != 4 || !parse_number(parts[0], reached, bytes_copied, &hole.offset) ||
        !parse_number(parts[1], 1, bytes_copied - hole.offset, &hole.length) ||
        !parse_number(parts[2], 1, INT32_MAX, &hole.grain) ||
        !parse_number(parts[3], 0, INT32_MAX, &tries) || holes->size() >= kMaxHoles) {
      return false;
    }
    hole.tries = static_cast<int32_t>(tries);
    reached = hole.end();
    holes->push_back(hole);
  }
  return true;
}

bool parse_folders(const std::string& text, JournalRecord* record) {
  if (text == "-") return true;
  if (text.empty() || text[0] != '+') return false;
  record->makes_folders = true;
  if (text.size() == 1) return true;
  record->empty_folders = split(text.substr(1), '|');
  for (const std::string& folder : record->empty_folders) {
    if (folder.empty()) return false;
  }
  return true;
}

bool parse_fields(const std::vector<std::string>& field, JournalRecord* record) {
  if (field[0] != kRowTag || field[1].empty() || field[2].empty() ||
      field[3].size() >= kFolderCapacity) {
    return false;
  }
  CopyParam& param = record->param;
  int64_t resume = 0;
  int64_t state = 0;
  if (!parse_int32(field[4], &param.buffer_size) || !parse_int32(field[5], &param.retry_timeout) ||
      !parse_int32(field[6], &param.max_attempts) || !parse_number(field[7], 0, 1, &resume) ||
      !parse_number(field[8], JOB_QUEUED, JOB_WAITING, &state) ||
      !parse_number(field[9], 0, INT64_MAX, &record->bytes_copied) ||
      !parse_number(field[10], 0, INT64_MAX, &record->total_size) ||
      !parse_number(field[11], INT64_MIN, INT64_MAX, &record->source_time) ||
      !parse_holes(field[12], record->bytes_copied, &record->holes) ||
      !parse_folders(field[13], record)) {
    return false;
  }
  record->source_path = field[1];
  record->dest_path = field[2];
  std::memcpy(param.dest_folder, field[3].c_str(), field[3].size() + 1);
  param.resume = static_cast<uint8_t>(resume);
  record->state = static_cast<int32_t>(state);
  return true;
}

// A line whose CRC is its own and whose fields all make sense.
bool parse_record(const std::string& line, JournalRecord* record) {
  const size_t crc_at = line.rfind('\t');
  if (crc_at == std::string::npos || line.size() - crc_at != 9) return false;
  char expected[16];
  std::snprintf(expected, sizeof expected, "%08" PRIx32, crc32(line.data(), crc_at));
  if (line.compare(crc_at + 1, 8, expected) != 0) return false;
  const std::vector<std::string> field = split(line, '\t');
  return field.size() == kFieldCount && parse_fields(field, record);
}

}  // namespace

std::string format_journal(const std::vector<JournalRecord>& records) {
  std::string text = std::string(kHeader) + "\r\n";
  for (const JournalRecord& record : records) text += format_record(record) + "\r\n";
  return text;
}

ParsedJournal parse_journal(const char* text, size_t size) {
  ParsedJournal journal;
  std::vector<std::string> lines = split(std::string(text, size), '\n');
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  if (lines.empty() || lines[0] != kHeader) {
    journal.foreign = true;
    return journal;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty() && i + 1 == lines.size()) break;  // after the last line's end
    JournalRecord record;
    if (parse_record(lines[i], &record)) {
      journal.records.push_back(std::move(record));
    } else {
      journal.damaged.push_back(static_cast<int>(i));
    }
  }
  return journal;
}
