// The small layer the portable code stands on: files, path look-up, threads,
// clocks, the executable's path, profile records and the string table.
// win32/ implements it for the product, posix/ for native tests and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// ---- Files -----------------------------------------------------------------

// An open file; null means "no file" (the open failed).
struct File;

// Opens an existing file for reading; others may read it too, none may write.
File* open_source(const char* path);
// Opens a file for writing with no sharing. `create` true: create it, or empty
// an existing one; false: the file must already exist and keeps its content.
File* open_dest(const char* path, bool create);
// Absolute positioning from the start of the file (64-bit).
bool seek(File* file, int64_t offset);
// Reads up to `size` bytes; `*got` receives the count (0 at end of file).
bool read(File* file, void* buffer, uint32_t size, uint32_t* got);
// Writes the whole buffer, looping over short writes. `*written` receives the
// bytes that reached the file, also when the call fails part way.
bool write_all(File* file, const void* buffer, uint32_t size, uint32_t* written);
// The file's current size in bytes.
bool file_size(File* file, int64_t* size);
// Last-write times are 100-nanosecond ticks since 1601-01-01 UTC on every
// platform (a FILETIME's value), so that one rule compares them.
bool file_time(File* file, int64_t* last_write);
// Gives the file the last-write time `last_write`; a destination carries its
// source's.
bool set_file_time(File* file, int64_t last_write);
// Cuts (or extends) the file to `size` bytes.
bool truncate(File* file, int64_t size);
// Pushes written data to the device (FlushFileBuffers / fsync).
bool flush(File* file);
void close(File* file);
// Opens `path` (made when missing) for this process alone: a second opener,
// this process or another, fails until it is closed. The file goes with
// its closing where the system can (Windows).
File* lock_file(const char* path);
// Renames `from` over `to` in one step, replacing it, written through to
// the device before it returns where the system offers that.
bool replace_file(const char* from, const char* to);
// Error code of the latest failed call on this thread (GetLastError / errno).
uint32_t last_error();

// ---- Error codes the portable code records itself --------------------------

// No memory for the copy buffer (ERROR_NOT_ENOUGH_MEMORY / ENOMEM).
uint32_t out_of_memory_error();
// A buffer size below 1, or a write that claimed success but left bytes
// behind (ERROR_INVALID_PARAMETER / EINVAL).
uint32_t invalid_parameter_error();
// The source ended before the bytes already copied (ERROR_HANDLE_EOF / ENODATA).
uint32_t end_of_file_error();
// A read that returned nothing before the source's end (ERROR_READ_FAULT / EIO).
uint32_t read_fault_error();
// True for the codes of a path that does not exist (the file or a folder).
bool missing_file(uint32_t error);
// True for the codes of a file that cannot be flushed at all
// (ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED / EINVAL, ENOTSUP).
bool flush_unsupported(uint32_t error);

// ---- Path look-up ----------------------------------------------------------

// A file name of 255 UTF-16 units takes up to 765 bytes in UTF-8.
constexpr size_t kNameCapacity = 1024;

struct PathInfo {
  bool is_directory;
  int64_t size;
  int64_t last_write;        // ticks, as file_time
  char name[kNameCapacity];  // the bare file name as the file system reports it
};
// True when the path exists (file or directory); `info` then describes it.
bool look_up(const char* path, PathInfo* info);
// The characters that separate folders in a path ("\\/" on Windows, "/" on
// POSIX).
const char* path_separators();
// The length of the drive at the start of a path ("C:" on Windows), 0 for none.
size_t drive_length(const char* path);
// `path` made absolute against the folder `base` (absolute, ending in a
// separator) instead of the process's current folder, and normalised: a
// relative path is joined to `base`, one from the root of a drive takes
// `base`'s drive. Empty when it cannot be formed.
std::string absolute_path(const char* path, const char* base);
// The form in which two paths naming one file compare equal: the full path,
// letters folded to one case where the file system ignores case (Windows).
std::string path_key(const char* path);
// A file name's key for sorting names as a user reads them: letters of every
// script folded to one case (on POSIX only Latin ones), compared byte by byte.
std::string name_key(const std::string& name);

// ---- Folders ---------------------------------------------------------------

struct FolderEntry {
  std::string name;  // the program's code page; UTF-8 when `unheld`
  // The program's code page cannot hold the name (Windows that keeps its own
  // code page): the entry cannot be opened by it, and `name` serves only to
  // tell the user which one.
  bool unheld;
  bool is_directory;
  // A folder that is a link to another place (symbolic link, junction): not
  // to be walked, since it may lead back up the tree.
  bool elsewhere;
  int64_t size;
  int64_t last_write;  // ticks, as file_time
};
// The entries of folder `path` but "." and "..", in no particular order. False
// when the folder cannot be read.
bool list_folder(const char* path, std::vector<FolderEntry>* entries);
// Creates folder `path` and every missing folder above it. True when it
// exists afterwards; false, with the error kept, when it cannot be made.
bool make_folders(const char* path);

// ---- Threads ---------------------------------------------------------------

struct Thread;
using ThreadRoutine = uint32_t (*)(void* argument);
// Starts a thread at once; null when it cannot be created.
Thread* start_thread(ThreadRoutine routine, void* argument);
// True while the thread has not returned (exit code still STILL_ACTIVE).
bool thread_running(Thread* thread);
// Waits without a time limit for the thread to end.
void wait_thread(Thread* thread);
// Waits at most `limit_ms` for the thread to end; true once it has.
bool wait_thread_for(Thread* thread, uint32_t limit_ms);
// Releases the handle; the thread must have ended or be waited for first.
void close_thread(Thread* thread);
// Cancels a blocking read or write that `thread` is waiting in
// (CancelSynchronousIo); false where the system cannot.
bool cancel_io(Thread* thread);
// While set, the system does not go to sleep on the calling thread's account;
// the thread's end clears it too.
void keep_system_awake(bool awake);

// ---- Clocks ----------------------------------------------------------------

struct LocalTime {
  int hour;
  int minute;
  int second;
};
LocalTime local_time();
int64_t counter_now();
int64_t counter_frequency();
// Milliseconds from `earlier`, a reading of counter_now, to now; 0 on a
// system without the counter, where nothing is ever due by time.
inline int64_t ms_since(int64_t earlier) {
  const int64_t frequency = counter_frequency();
  return frequency > 0 ? (counter_now() - earlier) * 1000 / frequency : 0;
}
// A pause that interrupt_pauses(true) ends at once: the worker's pause
// between attempts, which closing the window must not sit through.
void pause_ms(uint32_t milliseconds);
// true: every pause under way or to come returns at once; false: pauses last
// their time again.
void interrupt_pauses(bool interrupted);

// ---- Process ---------------------------------------------------------------

// Full path of the running executable; false when it cannot be had or does
// not fit `capacity` characters with the NUL.
bool executable_path(char* out, size_t capacity);

// ---- Profile records (INI files) -------------------------------------------

// Reads the value of `key` in `section` as text, surrounding spaces trimmed.
// False when the file, section or key is missing.
bool read_profile_value(const char* path, const char* section, const char* key, char* out,
                        size_t capacity);
// Writes `size` bytes as a hex-with-checksum value; creates the file and the
// section when missing, replaces the key's line, keeps every other line.
bool write_profile_record(const char* path, const char* section, const char* key, const void* data,
                          size_t size);

// ---- Text ------------------------------------------------------------------

// True when the program's texts and paths are UTF-8: always on POSIX, and on
// Windows where the system honours the manifest's code page; false where they
// are in the system's own code page.
bool texts_are_utf8();

// ---- String table ----------------------------------------------------------

// Copies string `id` of the program's string table into `out` (at most
// capacity - 1 characters and a NUL); returns the characters copied, 0 when
// there is no such string. In the program's code page (see texts_are_utf8).
int load_string(unsigned id, char* out, int capacity);
// The names of the size units 0..3 ("байт", "Кб", "Мб", "Гб"), which the
// program spells itself, in the program's code page.
const char* size_unit_name(int unit);

}  // namespace platform
