// The queue's journal, tvoln.queue beside the configuration file: read once
// at start to restore the queue, and written again after every change of it
// by a thread of its own, so that the window thread never waits for the
// disk. Each write goes to a temporary file, is flushed, and replaces the
// journal in one rename: a crash at any moment leaves the old journal or the
// new one, never a torn one. While a job copies, the journal records only
// bytes its destination holds durably.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/journal_format.h"

struct JobRow;

enum class JournalStart {
  kRead,        // read (some rows may have been damaged)
  kMissing,     // no journal yet
  kUnreadable,  // it could not be opened or read
  kForeign,     // not a journal of this format and version
  kInUse,       // another copy of the program keeps the journal of this folder
};

// Window thread, at start: takes the journal at `path` for this run and reads
// it into `read`. A copy of the program started from the same folder while
// this one runs finds the journal taken (kInUse): it keeps no journal, so it
// neither shares nor clobbers this one's. `*error` gets a system error code
// for kUnreadable.
JournalStart open_journal(const char* path, ParsedJournal* read, uint32_t* error);
// The row and job a record describes, as it was when written; null when
// memory runs out. A job that was running is queued again; one whose source
// has changed since (size or last-write time) is shown as it is now and
// copied afresh when started; one with bytes continues from them once the
// destination's last block has been compared.
JobRow* restore_row(const JournalRecord& record);

// True while this run keeps a journal.
bool journal_open();
// Window thread: the journal is to record `rows`, the file list in its
// order, as they are now. Returns at once; the writer thread writes it.
void journal_rows(const std::vector<JobRow*>& rows);
// Window thread: true when the row has changed since the journal last took
// it: its state, its durable bytes or its holes (a changed source resets them).
bool changed_since_journal(const JobRow& row);
// True when the last write was asked a few seconds ago or more: progress
// reaches the journal at most that often.
bool journal_due();
// Window thread, at the end: writes `rows`, waits for the writer to end and
// lets the journal go.
void close_journal(const std::vector<JobRow*>& rows);
