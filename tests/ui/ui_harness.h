// Runs the real main window on a thread of its own, as the program entry
// does, and drives it from the test's thread with messages.
#pragma once

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <functional>
#include <string>

#include "app/settings_records.h"
#include "res/resource.h"
#include "res/string_ids.h"

struct CopyJob;
struct JobRow;

struct Settings {
  ListParam list;
  CopyParam copy;
  DialogParam dialog;
};

// The program's defaults, with copies going to `dest_folder` and a refresh
// interval so long that only the ticks a test sends refresh the window.
void default_settings(Settings* settings, const std::string& dest_folder);

class MainWindowRun {
 public:
  explicit MainWindowRun(Settings* settings);
  ~MainWindowRun();

  HWND window() const { return window_; }
  HWND item(int id) const { return GetDlgItem(window_, id); }
  // Runs `fn` on the window thread and returns after it has run.
  void run(const std::function<void()>& fn);
  void command(int id);       // sent: returns after the command has run
  void post_command(int id);  // posted: for commands that open modal windows
  void tick();                // one refresh
  // The window's own thread sends it `header` as WM_NOTIFY, as its controls
  // do, soon after this returns: for notifications that open modal windows.
  // `header` must outlive the sending.
  void notify_later(const NMHDR* header);
  // Makes a job for `path` and appends its row, as Add does; null on failure.
  JobRow* add_job(const std::string& path);
  // Waits until the window's thread has ended; false when it does not end.
  bool wait_closed();
  // Closes the window, answering Yes if asked; false when it hangs.
  bool close();

 private:
  static DWORD WINAPI thread_main(void* self);
  Settings* settings_;
  HANDLE thread_ = nullptr;
  DWORD thread_id_ = 0;
  HWND window_ = nullptr;
};

// Polls `done` until it holds; false when it does not within a generous bound.
bool wait_until(const std::function<bool()>& done);
// A visible window of `class_name` owned by `owner`, waited for; null if none.
HWND wait_owned_window(HWND owner, const char* class_name);
// Every Static text of a dialog, one per line.
std::string static_texts(HWND dialog);
void click(HWND dialog, int id);

// A UTF-8 literal in the ANSI code page, as the window shows it.
std::string ansi(const char* utf8);
// A text of the ANSI code page in UTF-16 (embedded NULs kept).
std::wstring wide(const std::string& ansi_text);
std::string window_text(HWND window);
std::string cell_text(HWND list, int row, int column);
int row_image(HWND list, int row);
bool row_selected(HWND list, int row);

// A new empty folder under the temporary folder.
std::string make_temp_folder();
// Writes `size` bytes of a pattern that differs from file to file.
void write_file(const std::string& path, int64_t size, unsigned seed = 1);
std::string read_file(const std::string& path);
// A source far longer than any test lasts to copy in small blocks: a 4 MiB
// pattern, then a sparse tail up to kLongSourceSize.
constexpr int64_t kLongSourceSize = int64_t{1} << 30;
void make_long_source(const std::string& path);
