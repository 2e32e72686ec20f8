// The main window's side of the queue's journal: the rows restored when the
// window opens, the journal told of every change of the queue, and written
// one last time when the window goes.
#pragma once

#include <vector>

struct JobRow;

// Set by the program entry before the main window opens: the journal's path.
// Without one (the tests' windows) no journal is kept.
void set_queue_journal_path(const char* path);
// Opening, the list made: restores the journal's rows and says in the log
// what was found.
void restore_queue();
// After a command that changed the queue: Add, Delete, Up, Down, the file
// parameters taken.
void queue_changed();
// Every refresh tick, with the rows in list order and whether any changed
// since the journal took them: the journal follows, at most every few
// seconds.
void queue_progressed(const std::vector<JobRow*>& rows, bool changed);
// Destruction, once no worker copies: the last write.
void close_queue_store();
