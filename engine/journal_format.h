// The text of the queue's journal, tvoln.queue: a header that names the
// format and its version, then one line a row of the file list, in list
// order. A line's fields are separated by tabs (a path cannot hold one) and
// it ends in the CRC-32 of everything before its last tab, so that a damaged
// line is known and skipped alone. A person can read it, and a bug report
// can carry it.
//
//   tvoln.queue	1
//   row	SOURCE	DEST	DEST_FOLDER	BUFFER	PAUSE	ATTEMPTS	RESUME	STATE	BYTES
//   SIZE TIME	HOLES	CRC
//
// BYTES are the bytes copied that the destination holds durably, SIZE and
// TIME the source's size and last-write time as the copy knows them, HOLES
// "-" or the holes as OFFSET:LENGTH:GRAIN:TRIES separated by commas, FOLDERS
// "-" for a file added alone, or, for a file of a folder added whole (whose
// destination's folders are made), "+" and the empty folders to make with it
// separated by "|" (a path cannot hold one), CRC eight hex digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_records.h"
#include "engine/hole_map.h"

struct JournalRecord {
  std::string source_path;
  std::string dest_path;
  CopyParam param{};  // the job's own copy of the settings
  int32_t state = 0;
  int64_t bytes_copied = 0;
  int64_t total_size = 0;
  int64_t source_time = 0;
  Holes holes;
  bool makes_folders = false;
  std::vector<std::string> empty_folders;
};

struct ParsedJournal {
  bool foreign = false;  // not a journal of this format and version: nothing read
  std::vector<JournalRecord> records;
  std::vector<int> damaged;  // the numbers (from 1) of the rows skipped
};

// The whole journal: the header line, then a line a record.
std::string format_journal(const std::vector<JournalRecord>& records);
// Reads a journal; a line that is not whole and sound is skipped alone.
ParsedJournal parse_journal(const char* text, size_t size);
