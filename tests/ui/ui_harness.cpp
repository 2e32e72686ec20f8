#include "ui_harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "app/config_file.h"
#include "app/win32/resource_module.h"
#include "app/win32/state_icons.h"
#include "engine/copy_job.h"
#include "ui/main/file_list.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_state.h"
#include "ui/main/window_host_win32.h"

namespace {

// What the program entry prepares before the main window opens.
class UiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    InitCommonControls();
    load_state_icons(resource_module());
  }
  void TearDown() override { destroy_state_icons(); }
};

const auto* const ui_environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

constexpr int kPollMs = 10;
constexpr int kPollLimitMs = 60000;  // only a hang comes near this

void call_function(void* context) { (*static_cast<const std::function<void()>*>(context))(); }

struct OwnedSearch {
  HWND owner;
  const char* class_name;
  HWND found;
};

BOOL CALLBACK match_owned(HWND window, LPARAM context) {
  OwnedSearch* search = reinterpret_cast<OwnedSearch*>(context);
  char name[64];
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, search->class_name) == 0 && GetWindow(window, GW_OWNER) == search->owner &&
      IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK collect_static(HWND child, LPARAM context) {
  char name[64];
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Static") == 0) {
    std::string text = window_text(child);
    if (!text.empty()) *reinterpret_cast<std::string*>(context) += text + "\n";
  }
  return TRUE;
}

BOOL CALLBACK find_thread_dialog(HWND window, LPARAM context) {
  char name[64];
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void default_settings(Settings* settings, const std::string& dest_folder) {
  // A configuration file that does not exist gives every default.
  load_settings("Z:\\nonexistent\\tvoln.ini", &settings->list, &settings->copy, &settings->dialog);
  lstrcpynA(settings->copy.dest_folder, dest_folder.c_str(), kFolderCapacity);
  settings->dialog.refresh_interval = 0x7FFFFFFF;
}

MainWindowRun::MainWindowRun(Settings* settings) : settings_(settings) {
  thread_ = CreateThread(nullptr, 0, thread_main, this, 0, &thread_id_);
  wait_until([this] {
    EnumThreadWindows(thread_id_, find_thread_dialog, reinterpret_cast<LPARAM>(&window_));
    return window_ != nullptr;
  });
}

MainWindowRun::~MainWindowRun() {
  if (thread_ == nullptr) return;
  if (!close()) ADD_FAILURE() << "the main window did not close";
  CloseHandle(thread_);
}

DWORD WINAPI MainWindowRun::thread_main(void* self) {
  MainWindowRun* run = static_cast<MainWindowRun*>(self);
  return static_cast<DWORD>(DialogBoxParamA(resource_module(), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                            main_window_proc,
                                            reinterpret_cast<LPARAM>(&run->settings_->dialog)));
}

void MainWindowRun::run(const std::function<void()>& fn) {
  main_window_host.run_on_window_thread(call_function, const_cast<std::function<void()>*>(&fn));
}

void MainWindowRun::command(int id) { SendMessageA(window_, WM_COMMAND, id, 0); }

void MainWindowRun::post_command(int id) { PostMessageA(window_, WM_COMMAND, id, 0); }

namespace {

HWND notified_window = nullptr;
const NMHDR* pending_notification = nullptr;

void CALLBACK send_pending_notification(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  SendMessageA(notified_window, WM_NOTIFY, pending_notification->idFrom,
               reinterpret_cast<LPARAM>(pending_notification));
}

}  // namespace

void MainWindowRun::notify_later(const NMHDR* header) {
  notified_window = window_;
  pending_notification = header;
  run([] { SetTimer(nullptr, 0, 0, send_pending_notification); });
}

void MainWindowRun::tick() { SendMessageA(window_, WM_TIMER, IDT_REFRESH, 0); }

JobRow* MainWindowRun::add_job(const std::string& path) {
  JobRow* record = nullptr;
  run([&] {
    char name[kFileNameCapacity];
    record = create_job(path.c_str(), settings_->copy, name);
    if (record != nullptr) append_job_row(record, name, path.c_str());
  });
  return record;
}

bool MainWindowRun::wait_closed() {
  return WaitForSingleObject(thread_, kPollLimitMs) == WAIT_OBJECT_0;
}

bool MainWindowRun::close() {
  if (WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0) return true;
  post_command(IDCANCEL);
  for (int waited = 0; waited < kPollLimitMs; waited += kPollMs) {
    if (WaitForSingleObject(thread_, kPollMs) == WAIT_OBJECT_0) return true;
    // Asked whether to stop a copy: yes.
    OwnedSearch search = {window_, "#32770", nullptr};
    EnumWindows(match_owned, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) click(search.found, IDYES);
  }
  return false;
}

bool wait_until(const std::function<bool()>& done) {
  for (int waited = 0; waited < kPollLimitMs; waited += kPollMs) {
    if (done()) return true;
    Sleep(kPollMs);
  }
  return done();
}

HWND wait_owned_window(HWND owner, const char* class_name) {
  OwnedSearch search = {owner, class_name, nullptr};
  wait_until([&] {
    EnumWindows(match_owned, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

std::string static_texts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, collect_static, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

void click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ansi(const char* utf8) {
  wchar_t wide[1024];
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
  char narrow[1024];
  WideCharToMultiByte(CP_ACP, 0, wide, length, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

std::wstring wide(const std::string& ansi_text) {
  if (ansi_text.empty()) return L"";
  const int size = static_cast<int>(ansi_text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi_text.data(), size, nullptr, 0);
  std::wstring converted(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi_text.data(), size, &converted[0], length);
  return converted;
}

std::string window_text(HWND window) {
  char text[1024] = "";
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string cell_text(HWND list, int row, int column) {
  char text[1024] = "";
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int row_image(HWND list, int row) {
  LVITEMA item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

bool row_selected(HWND list, int row) {
  return (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

std::string make_temp_folder() {
  static int counter = 0;
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  // Process ids repeat from run to run under Wine: only a folder that did
  // not exist yet is fresh.
  char folder[MAX_PATH];
  do {
    snprintf(folder, sizeof folder, "%stv_ui_%lu_%lu_%d", base, GetCurrentProcessId(),
             GetTickCount(), ++counter);
  } while (!CreateDirectoryA(folder, nullptr));
  return folder;
}

void write_file(const std::string& path, int64_t size, unsigned seed) {
  std::vector<char> block(65536);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 31 + seed * 7) % 251);
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  for (int64_t left = size; left > 0;) {
    const size_t chunk =
        left < static_cast<int64_t>(block.size()) ? static_cast<size_t>(left) : block.size();
    fwrite(block.data(), 1, chunk, file);
    left -= chunk;
  }
  fclose(file);
}

std::string read_file(const std::string& path) {
  std::string content;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return content;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  fclose(file);
  return content;
}

void make_long_source(const std::string& path) {
  write_file(path, 4 * 1024 * 1024, 5);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = kLongSourceSize;
  SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}
