// The real tarvolin.exe, run from a copy in a temporary folder: what it leaves
// in tvoln.ini when its main window cannot be created, and after a normal close;
// its column widths at 100, 150 and 200 %.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/settings_records.h"
#include "platform/profile_codec.h"
#include "res/resource.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/win32/built_program.h"
#include "tests/win32/process_dialogs.h"

namespace {

constexpr DWORD kRunTimeoutMs = 60000;
const WORD kLanguage = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);

// A copy of the program in its own folder, so that its tvoln.ini lands there.
std::string install_program(const TempDir& dir) {
  std::string target = dir.path("tarvolin.exe");
  EXPECT_TRUE(CopyFileA(built_program().c_str(), target.c_str(), FALSE))
      << "cannot copy " << built_program() << ": error " << GetLastError();
  return target;
}

// Size of template IDD_MAIN in the program's resources; 0 when it has none.
DWORD main_window_template_size(const std::string& program) {
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return 0;
  HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                MAKEINTRESOURCEA(IDD_MAIN), kLanguage);
  DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
  FreeLibrary(module);
  return size;
}

// Replaces template IDD_MAIN of the copy by one whose window class does not exist,
// so that the main window cannot be created, with or without a display.
// (Removing the template is not an option: Wine's UpdateResource keeps
// resources it is asked to delete.)
bool break_main_window_template(const std::string& program) {
  std::vector<uint8_t> dialog;
  auto put16 = [&dialog](uint16_t value) {
    dialog.push_back(static_cast<uint8_t>(value));
    dialog.push_back(static_cast<uint8_t>(value >> 8));
  };
  auto put32 = [&put16](uint32_t value) {
    put16(static_cast<uint16_t>(value));
    put16(static_cast<uint16_t>(value >> 16));
  };
  put16(1);       // DLGTEMPLATEEX version
  put16(0xFFFF);  // signature
  put32(0);       // help id
  put32(0);       // extended style
  put32(WS_POPUP | WS_CAPTION);
  put16(0);                                            // no controls
  for (int i = 0; i < 4; ++i) put16(i < 2 ? 0 : 100);  // x, y, cx, cy
  put16(0);                                            // no menu
  for (const char* c = "TvNoSuchWindowClass"; *c != '\0'; ++c) put16(static_cast<uint8_t>(*c));
  put16(0);
  put16(0);  // empty title

  HANDLE update = BeginUpdateResourceA(program.c_str(), FALSE);
  if (update == nullptr) return false;
  BOOL replaced =
      UpdateResourceA(update, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(IDD_MAIN),
                      kLanguage, dialog.data(), static_cast<DWORD>(dialog.size()));
  return EndUpdateResourceA(update, !replaced) && replaced &&
         main_window_template_size(program) == dialog.size();
}

struct ProgramRun {
  PROCESS_INFORMATION process{};
  bool started = false;
};

ProgramRun start(const std::string& program, const TempDir& dir) {
  ProgramRun run;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string command = "\"" + program + "\"";
  std::string folder = dir.path();
  run.started = CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &run.process) != FALSE;
  return run;
}

// Waits for the process to end and returns its exit code; kills it when it
// does not end in time and returns STILL_ACTIVE.
DWORD finish(ProgramRun* run) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(run->process.hProcess, kRunTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(run->process.hProcess, 99);
    WaitForSingleObject(run->process.hProcess, 5000);
  } else {
    GetExitCodeProcess(run->process.hProcess, &code);
  }
  CloseHandle(run->process.hThread);
  CloseHandle(run->process.hProcess);
  return code;
}

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The program's visible top-level window, or null once it has exited or
// after the time limit.
HWND wait_for_window(const ProgramRun& run) {
  for (DWORD waited = 0; waited < kRunTimeoutMs; waited += 100) {
    WindowSearch search{run.process.dwProcessId, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (WaitForSingleObject(run.process.hProcess, 100) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

std::string stored_value(const TempDir& dir, const char* key) {
  char text[2048] = "";
  GetPrivateProfileStringA("Options", key, "", text, sizeof text, dir.path("tvoln.ini").c_str());
  return text;
}

template <size_t kSize>
bool stored_bytes(const TempDir& dir, const char* key, uint8_t (&bytes)[kSize]) {
  return platform::decode_profile_record(stored_value(dir, key).c_str(), bytes, kSize);
}

std::string encode(const uint8_t* bytes, size_t size) {
  std::vector<char> text(2 * size + 3);
  platform::encode_profile_record(bytes, size, text.data());
  return text.data();
}

}  // namespace

TEST(EntryTest, WithoutMainWindowExitsWithOneAndStillWritesDefaults) {
  TempDir dir;
  std::string program = install_program(dir);
  ASSERT_TRUE(break_main_window_template(program)) << "error " << GetLastError();
  ASSERT_FALSE(dir.exists("tvoln.ini"));

  ProgramRun run = start(program, dir);
  ASSERT_TRUE(run.started) << "error " << GetLastError();
  EXPECT_EQ(finish(&run), 1u);

  ASSERT_TRUE(dir.exists("tvoln.ini"));
  EXPECT_EQ(dir.read("tvoln.ini").rfind("[Options]", 0), 0u);
  EXPECT_EQ(stored_value(dir, "dialog_param"),
            "000000000000000018FCFFFF18FCFFFF0000000000000000E80300000100000010");

  uint8_t copy_bytes[kCopyParamSize];
  ASSERT_TRUE(stored_bytes(dir, "copy_param", copy_bytes));
  CopyParam copy{};
  copy_param_from_bytes(copy_bytes, &copy);
  char program_path[MAX_PATH];
  ASSERT_GT(GetFullPathNameA(program.c_str(), MAX_PATH, program_path, nullptr), 0u);
  std::string folder = program_path;
  folder.erase(folder.rfind('\\') + 1);
  EXPECT_EQ(lstrcmpiA(copy.dest_folder, folder.c_str()), 0) << copy.dest_folder << " vs " << folder;
  EXPECT_EQ(copy.dest_folder[std::strlen(copy.dest_folder) - 1], '\\');
  EXPECT_EQ(copy.buffer_size, 131072);
  EXPECT_EQ(copy.retry_timeout, 5000);
  EXPECT_EQ(copy.max_attempts, 5);
  EXPECT_EQ(copy.resume, 1);

  uint8_t list_bytes[kListParamSize];
  ASSERT_TRUE(stored_bytes(dir, "list_param", list_bytes));
  ListParam list{};
  list_param_from_bytes(list_bytes, &list);
  const int32_t widths[kColumnCount] = {20, 170, 80, 100, 80, 90, 500};
  for (int i = 0; i < kColumnCount; ++i) EXPECT_EQ(list.column_width[i], widths[i]) << i;
  EXPECT_EQ(list.state_back_color[1], 0x001EFF1Eu);
}

TEST(EntryTest, NormalCloseExitsWithZeroAndKeepsWhatItDoesNotOwn) {
  TempDir dir;
  std::string program = install_program(dir);
  ASSERT_GT(main_window_template_size(program), 0u);

  // Stored settings with bytes no window edits: they must come back unchanged.
  ListParam list{};
  set_default_list_param(&list);
  list.column_width[0] = 55;
  list.state_text_color[4] = 0x00010203;
  list.state_back_color[5] = 0x00040506;
  list.custom_colors[15] = 0x00123456;
  CopyParam copy{};
  std::memset(copy.dest_folder, 'q', sizeof copy.dest_folder);
  std::strcpy(copy.dest_folder, "C:\\");
  copy.buffer_size = 65536;
  copy.retry_timeout = 700;
  copy.max_attempts = 3;
  copy.resume = 0;
  copy.reserved[1] = 0x99;
  DialogParam dialog{};
  set_default_dialog_param(&dialog);
  dialog.refresh_interval = 300;
  dialog.autoscroll = 0;
  dialog.reserved[0] = 0x77;
  uint8_t list_bytes[kListParamSize], copy_bytes[kCopyParamSize], dialog_bytes[kDialogParamSize];
  list_param_to_bytes(list, list_bytes);
  copy_param_to_bytes(copy, copy_bytes);
  dialog_param_to_bytes(dialog, dialog_bytes);
  dir.write("tvoln.ini",
            "[Mine]\r\nkeep=1\r\n[Options]\r\nlist_param=" + encode(list_bytes, sizeof list_bytes) +
                "\r\ncopy_param=" + encode(copy_bytes, sizeof copy_bytes) +
                "\r\ndialog_param=" + encode(dialog_bytes, sizeof dialog_bytes) + "\r\n");

  ProgramRun run = start(program, dir);
  ASSERT_TRUE(run.started) << "error " << GetLastError();
  HWND window = wait_for_window(run);
  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = finish(&run);
  ASSERT_NE(window, nullptr) << "no main window appeared (exit code " << code
                             << "); is there a display?";
  EXPECT_EQ(code, 0u);

  EXPECT_EQ(stored_value(dir, "copy_param"), encode(copy_bytes, sizeof copy_bytes));
  char keep[8] = "";
  GetPrivateProfileStringA("Mine", "keep", "", keep, sizeof keep, dir.path("tvoln.ini").c_str());
  EXPECT_STREQ(keep, "1");

  uint8_t saved_list[kListParamSize];
  ASSERT_TRUE(stored_bytes(dir, "list_param", saved_list));
  ListParam loaded_list{};
  list_param_from_bytes(saved_list, &loaded_list);
  EXPECT_EQ(loaded_list.column_width[0], 20) << "the icon column starts at 20, not 55";
  EXPECT_EQ(loaded_list.state_text_color[4], 0x00010203u);
  EXPECT_EQ(loaded_list.state_back_color[5], 0x00040506u);
  EXPECT_EQ(loaded_list.custom_colors[15], 0x00123456u);

  uint8_t saved_dialog[kDialogParamSize];
  ASSERT_TRUE(stored_bytes(dir, "dialog_param", saved_dialog));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(saved_dialog[i], 0) << "reference byte " << i;
  DialogParam loaded_dialog{};
  dialog_param_from_bytes(saved_dialog, &loaded_dialog);
  EXPECT_GT(loaded_dialog.window_width, 0) << "the window stores its rectangle";
  EXPECT_GT(loaded_dialog.window_height, 0);
  EXPECT_EQ(loaded_dialog.refresh_interval, 300);
  EXPECT_EQ(loaded_dialog.autoscroll, 0);
  EXPECT_EQ(loaded_dialog.reserved[0], 0x77);
}

namespace {

// The settings dialog, opened from the main window's Settings button.
HWND open_settings(const ProgramRun& run, HWND main_window) {
  PostMessageA(GetDlgItem(main_window, IDC_SETTINGS), BM_CLICK, 0, 0);
  for (DWORD waited = 0; waited < kRunTimeoutMs; waited += 50) {
    HWND found = find_process_dialog(run.process.dwProcessId, main_window);
    if (found != nullptr) return found;
    Sleep(50);
  }
  return nullptr;
}

// Presses a dialog button and waits until the dialog has gone.
void press_and_wait_gone(HWND dialog, int button) {
  PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
  for (DWORD waited = 0; waited < kRunTimeoutMs && IsWindow(dialog); waited += 50) Sleep(50);
}

std::string edit_text(HWND dialog, int id) {
  char text[64] = "";
  SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

TEST(EntryTest, SettingsChangedInTheDialogPersistThroughARestart) {
  TempDir dir;
  std::string program = install_program(dir);

  ProgramRun first = start(program, dir);
  ASSERT_TRUE(first.started);
  HWND window = wait_for_window(first);
  HWND settings = window ? open_settings(first, window) : nullptr;
  if (settings != nullptr) {
    SendMessageA(GetDlgItem(settings, IDC_BUFFER_SIZE), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("65536"));
    SendMessageA(GetDlgItem(settings, IDC_REFRESH_INTERVAL), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("250"));
    press_and_wait_gone(settings, IDOK);
  }
  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(finish(&first), 0u);
  ASSERT_NE(settings, nullptr) << "no settings dialog appeared; is there a display?";

  uint8_t copy_bytes[kCopyParamSize], dialog_bytes[kDialogParamSize];
  ASSERT_TRUE(stored_bytes(dir, "copy_param", copy_bytes));
  ASSERT_TRUE(stored_bytes(dir, "dialog_param", dialog_bytes));
  CopyParam copy{};
  DialogParam dialog{};
  copy_param_from_bytes(copy_bytes, &copy);
  dialog_param_from_bytes(dialog_bytes, &dialog);
  EXPECT_EQ(copy.buffer_size, 65536);
  EXPECT_EQ(dialog.refresh_interval, 250);

  // The next start reads them back: the dialog shows the stored values.
  ProgramRun second = start(program, dir);
  ASSERT_TRUE(second.started);
  window = wait_for_window(second);
  settings = window ? open_settings(second, window) : nullptr;
  std::string buffer_text, refresh_text;
  if (settings != nullptr) {
    buffer_text = edit_text(settings, IDC_BUFFER_SIZE);
    refresh_text = edit_text(settings, IDC_REFRESH_INTERVAL);
    press_and_wait_gone(settings, IDCANCEL);
  }
  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(finish(&second), 0u);
  EXPECT_EQ(buffer_text, "65536");
  EXPECT_EQ(refresh_text, "250");
}

namespace {

// The DPI that Wine reads when a process starts: LogPixels under
// HKCU\Control Panel\Desktop, which comes before the one under
// HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts
// (wineboot writes 96 there). Set for the programs started while this lives;
// the value it had is put back after.
class ScreenDpi {
 public:
  ScreenDpi() {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    DWORD size = sizeof saved_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&saved_),
                            &size) == ERROR_SUCCESS;
  }
  ~ScreenDpi() {
    if (had_) {
      set(saved_);
    } else {
      RegDeleteValueA(key_, "LogPixels");
    }
    RegCloseKey(key_);
  }
  ScreenDpi(const ScreenDpi&) = delete;
  ScreenDpi& operator=(const ScreenDpi&) = delete;
  bool set(DWORD dpi) {
    return RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi),
                          sizeof dpi) == ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
  DWORD saved_ = 0;
  bool had_ = false;
};

// Starts the program, hands its main window to `use`, closes it and returns
// its exit code; STILL_ACTIVE when it hung, 98 when no window appeared.
template <typename Use>
DWORD run_window(const std::string& program, const TempDir& dir, Use use) {
  ProgramRun run = start(program, dir);
  if (!run.started) return 97;
  HWND window = wait_for_window(run);
  if (window != nullptr) {
    use(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  const DWORD code = finish(&run);
  return window != nullptr ? code : 98;
}

std::vector<int> shown_widths(HWND window) {
  std::vector<int> widths;
  HWND list = GetDlgItem(window, IDC_FILE_LIST);
  for (int i = 0; i < kColumnCount; ++i) {
    widths.push_back(static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0)));
  }
  return widths;
}

}  // namespace

// ListParam's widths are widths at 96 DPI, 100 %: the list shows them scaled
// to the screen's DPI and stores what it shows scaled back.
TEST(EntryTest, ColumnWidthsFollowTheScreenDpiAndAreStoredAtOneHundredPercent) {
  ListParam list{};
  set_default_list_param(&list);
  list.column_width[1] = 171;  // odd: 256.5 at 150 %
  uint8_t list_bytes[kListParamSize];
  list_param_to_bytes(list, list_bytes);
  const std::string record = encode(list_bytes, sizeof list_bytes);

  ScreenDpi screen;
  for (int dpi : {96, 144, 192}) {
    SCOPED_TRACE("LogPixels " + std::to_string(dpi));
    ASSERT_TRUE(screen.set(dpi));
    TempDir dir;
    std::string program = install_program(dir);
    dir.write("tvoln.ini", "[Options]\r\nlist_param=" + record + "\r\n");

    std::vector<int> shown;
    // At 150 % the user drags two columns: 300 and 451 pixels wide.
    const bool drag = dpi == 144;
    EXPECT_EQ(run_window(program, dir,
                         [&](HWND window) {
                           shown = shown_widths(window);
                           if (!drag) return;
                           HWND file_list = GetDlgItem(window, IDC_FILE_LIST);
                           SendMessageA(file_list, LVM_SETCOLUMNWIDTH, 1, 300);
                           SendMessageA(file_list, LVM_SETCOLUMNWIDTH, 6, 451);
                         }),
              0u);
    ASSERT_EQ(shown.size(), size_t{kColumnCount}) << "no main window; is there a display?";
    for (int i = 0; i < kColumnCount; ++i) {
      EXPECT_NEAR(shown[i], list.column_width[i] * dpi / 96.0, 2) << "column " << i;
    }

    uint8_t saved[kListParamSize];
    ASSERT_TRUE(stored_bytes(dir, "list_param", saved));
    if (!drag) {
      // Unchanged, byte for byte: at 96 DPI what the program stored before
      // it knew of scales.
      EXPECT_EQ(encode(saved, sizeof saved), record);
      continue;
    }
    ListParam dragged{};
    list_param_from_bytes(saved, &dragged);
    EXPECT_EQ(dragged.column_width[1], 200);  // 300 at 150 %
    EXPECT_EQ(dragged.column_width[6], 301);  // 451 at 150 %, rounded
    // Opened again at 150 %, the dragged widths come back.
    shown.clear();
    EXPECT_EQ(run_window(program, dir, [&](HWND window) { shown = shown_widths(window); }), 0u);
    ASSERT_EQ(shown.size(), size_t{kColumnCount});
    EXPECT_NEAR(shown[1], 300, 2);
    EXPECT_NEAR(shown[6], 451, 2);
  }
}
