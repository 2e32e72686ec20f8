// Runs a real dialog modally on the test thread while a second thread drives
// it with messages, as a user would through the keyboard and mouse.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "res/resource.h"
#include "res/string_ids.h"

class DialogDriver {
 public:
  DialogDriver(DWORD ui_thread, HWND marker) : ui_thread_(ui_thread), marker_(marker) {}

  // The visible dialog (class "#32770") of the UI thread owned by `owner`
  // (null: unowned); waits for it to appear, null when it never does.
  HWND find_dialog(HWND owner) const;
  // Like find_dialog, without waiting; null when there is none now.
  HWND owned_dialog(HWND owner) const;
  // Waits until `dialog` has been destroyed; false when it stays.
  bool wait_closed(HWND dialog) const;
  // Waits until `condition` holds; false when it never does.
  bool wait_until(const std::function<bool()>& condition) const;
  // Returns once the UI thread has handled everything posted to it so far.
  void settle() const;
  // Runs `action` on the UI thread and waits for it.
  void on_ui_thread(const std::function<void()>& action) const;

  void set_text(HWND dialog, int id, const std::string& text) const;
  std::string text(HWND dialog, int id) const;
  static std::string title(HWND window);
  // All non-empty static texts of a window (a message box's message).
  static std::string static_texts(HWND window);
  bool enabled(HWND dialog, int id) const;
  // Presses a button the way a mouse click does; returns before any modal
  // window that the click opens has closed.
  void click(HWND dialog, int id) const;
  // Posts the command of control `id`, as the keyboard or a menu would.
  void command(HWND dialog, int id, int code = 0) const;

 private:
  DWORD ui_thread_;
  HWND marker_;
};

// Shows template `template_id` with `proc` and `argument` modally on this
// thread while `script` works it from a second one, once it has appeared (a
// dialog that never appears fails the test); whatever the script leaves open
// is cancelled afterwards. Returns DialogBoxParamA's result.
INT_PTR run_dialog(int template_id, DLGPROC proc, LPARAM argument,
                   const std::function<void(const DialogDriver&, HWND dialog)>& script);

// What a press of OK led to: the dialog closed, or a warning box appeared
// (whose text and caption are kept, and which is then closed).
struct OkOutcome {
  bool closed = false;
  bool warned = false;
  std::string box_text;
  std::string box_caption;
};
OkOutcome press_ok(const DialogDriver& driver, HWND dialog);

// String `id` of the program's string table.
std::string table_text(unsigned id);
