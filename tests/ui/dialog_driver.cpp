#include "tests/ui/dialog_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "app/text_format.h"
#include "app/win32/resource_module.h"

namespace {

// A guard against a script that waits for something that never comes; it is
// no measure of speed.
constexpr DWORD kPatienceMs = 20000;
constexpr UINT kMarkMessage = WM_APP + 1;
constexpr UINT kRunMessage = WM_APP + 2;
const char kMarkerClass[] = "TvDialogTestMarker";

std::atomic<long> marks{0};

// A message-only window on the UI thread: a posted mark tells the driver that
// the UI thread's queue has been worked through up to it.
LRESULT CALLBACK marker_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kMarkMessage) {
    marks.store(static_cast<long>(wparam));
    return 0;
  }
  if (message == kRunMessage) {
    (*reinterpret_cast<const std::function<void()>*>(lparam))();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND create_marker() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = marker_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = kMarkerClass;
    registered = RegisterClassA(&window_class) != 0;
  }
  return CreateWindowA(kMarkerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
}

struct Search {
  HWND owner;
  bool visible_only;
  HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || GetWindow(window, GW_OWNER) != search->owner) return TRUE;
  if (search->visible_only && !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK collect_static(HWND window, LPARAM context) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "Static") return TRUE;
  std::string text = DialogDriver::title(window);
  if (!text.empty()) {
    std::string* all = reinterpret_cast<std::string*>(context);
    if (!all->empty()) *all += "\n";
    *all += text;
  }
  return TRUE;
}

BOOL CALLBACK collect_dialogs(HWND window, LPARAM context) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32770")
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

// Cancels every dialog the UI thread still shows, innermost first in effect:
// a modal loop only ends once the loops inside it have.
void cancel_everything(DWORD ui_thread, const std::atomic<bool>& finished) {
  while (!finished.load()) {
    std::vector<HWND> dialogs;
    EnumThreadWindows(ui_thread, collect_dialogs, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Sleep(20);
  }
}

}  // namespace

HWND DialogDriver::owned_dialog(HWND owner) const {
  Search search = {owner, false, nullptr};
  EnumThreadWindows(ui_thread_, match_dialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND DialogDriver::find_dialog(HWND owner) const {
  Search search = {owner, true, nullptr};
  wait_until([&] {
    EnumThreadWindows(ui_thread_, match_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

bool DialogDriver::wait_closed(HWND dialog) const {
  return wait_until([&] { return !IsWindow(dialog); });
}

bool DialogDriver::wait_until(const std::function<bool()>& condition) const {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > kPatienceMs) return false;
    Sleep(5);
  }
  return true;
}

void DialogDriver::settle() const {
  static std::atomic<long> next_mark{0};
  const long mark = ++next_mark;
  PostMessageA(marker_, kMarkMessage, static_cast<WPARAM>(mark), 0);
  EXPECT_TRUE(wait_until([&] { return marks.load() >= mark; }));
}

void DialogDriver::on_ui_thread(const std::function<void()>& action) const {
  SendMessageA(marker_, kRunMessage, 0, reinterpret_cast<LPARAM>(&action));
}

void DialogDriver::set_text(HWND dialog, int id, const std::string& text) const {
  SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string DialogDriver::text(HWND dialog, int id) const { return title(GetDlgItem(dialog, id)); }

std::string DialogDriver::title(HWND window) {
  const int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::string DialogDriver::static_texts(HWND window) {
  std::string all;
  EnumChildWindows(window, collect_static, reinterpret_cast<LPARAM>(&all));
  return all;
}

bool DialogDriver::enabled(HWND dialog, int id) const {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void DialogDriver::click(HWND dialog, int id) const {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void DialogDriver::command(HWND dialog, int id, int code) const {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

INT_PTR run_dialog(int template_id, DLGPROC proc, LPARAM argument,
                   const std::function<void(const DialogDriver&, HWND dialog)>& script) {
  HWND marker = create_marker();
  EXPECT_NE(marker, nullptr);
  const DWORD ui_thread = GetCurrentThreadId();
  DialogDriver driver(ui_thread, marker);
  std::atomic<bool> finished{false};
  std::thread drive([&] {
    HWND dialog = driver.find_dialog(nullptr);
    EXPECT_NE(dialog, nullptr);
    if (dialog != nullptr) script(driver, dialog);
    cancel_everything(ui_thread, finished);
  });
  const INT_PTR result =
      DialogBoxParamA(resource_module(), MAKEINTRESOURCEA(template_id), nullptr, proc, argument);
  finished.store(true);
  drive.join();
  DestroyWindow(marker);
  return result;
}

OkOutcome press_ok(const DialogDriver& driver, HWND dialog) {
  OkOutcome outcome;
  driver.click(dialog, IDOK);
  // Either the dialog closes or its warning box appears.
  HWND box = nullptr;
  EXPECT_TRUE(driver.wait_until([&] {
    box = driver.owned_dialog(dialog);
    return box != nullptr || !IsWindow(dialog);
  }));
  if (box != nullptr) {
    // Its texts are in place once it shows.
    box = driver.find_dialog(dialog);
    if (box == nullptr) return outcome;
    outcome.warned = true;
    outcome.box_text = DialogDriver::static_texts(box);
    outcome.box_caption = DialogDriver::title(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(driver.wait_closed(box));
  } else {
    outcome.closed = !IsWindow(dialog);
  }
  return outcome;
}

std::string table_text(unsigned id) {
  char text[kTextCapacity];
  load_text(text, id, kTextCapacity);
  return text;
}
