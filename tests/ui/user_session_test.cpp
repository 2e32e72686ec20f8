// A user's session with the real program, driven from this process: three
// files chosen at once in the open dialog, Start, all copied, window closed.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/file_name_field.h"
#include "tests/ui/ui_harness.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/win32/built_program.h"
#include "tests/win32/process_dialogs.h"

namespace {

constexpr DWORD kExitLimitMs = 60000;  // only a hang comes near this

// A visible dialog of `process` owned by `owner`, waited for; null if none.
HWND wait_dialog(DWORD process, HWND owner) {
  HWND found = nullptr;
  wait_until([&] {
    found = find_process_dialog(process, owner);
    return found != nullptr;
  });
  return found;
}

// What the program's window shows, asked across processes.
std::vector<std::string> log_lines(HWND log) {
  std::vector<std::string> lines;
  const int count = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    // Asked in UTF-16: Wine carries the narrow form of this one between
    // processes only up to its first character.
    wchar_t wide[1024] = L"";
    SendMessageW(log, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
    char line[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, line, sizeof line, nullptr, nullptr);
    lines.push_back(line);
  }
  return lines;
}

std::string pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + seed) % 253);
  return bytes;
}

// Through the ANSI file calls, as the program names its files (code page 1251).
void write_file(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

// A missing file reads as a text no copy can equal, not as an empty file.
std::string read_copy(const std::string& path) {
  std::string bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return "(missing)";
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  fclose(file);
  return bytes;
}

TEST(UserSession, AddThreeFilesStartCopyAllAndClose) {
  TempDir dir;
  // Names joined as text: the folder is plain ASCII, the file names are 1251.
  const std::string folder = dir.path();
  // The program copies into its own folder by default; sources lie beside it.
  const std::string program = folder + "\\tarvolin.exe";
  ASSERT_TRUE(CopyFileA(built_program().c_str(), program.c_str(), FALSE)) << built_program();
  const std::string sources = folder + "\\src";
  CreateDirectoryA(sources.c_str(), nullptr);
  const std::string names[] = {"b.bin", ansi("отчёт.txt"), "a.txt"};
  const size_t sizes[] = {300000, 1234, 0};
  for (int i = 0; i < 3; ++i) write_file(sources + "\\" + names[i], pattern(sizes[i], i));

  // Started in the sources' folder, where its open dialog begins.
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + program + "\"";
  ASSERT_TRUE(CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             sources.c_str(), &startup, &process));
  HWND window = wait_dialog(process.dwProcessId, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ("Tarvolin", window_text(window));

  PostMessageA(window, WM_COMMAND, IDC_ADD, 0);
  HWND open = wait_dialog(process.dwProcessId, window);
  ASSERT_NE(open, nullptr);
  const std::string chosen = "\"" + names[0] + "\" \"" + names[1] + "\" \"" + names[2] + "\"";
  SendMessageA(file_name_field(open), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  click(open, IDOK);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(open); }));

  PostMessageA(window, WM_COMMAND, IDC_START, 0);
  HWND start = GetDlgItem(window, IDC_START);
  HWND log = GetDlgItem(window, IDC_LOG);
  // A first line: no queue was kept; then six lines a file: start, both
  // opens, copying, done and an empty line. Start and Settings come back one
  // after the other: wait for both.
  HWND settings = GetDlgItem(window, IDC_SETTINGS);
  ASSERT_TRUE(wait_until([&] {
    return log_lines(log).size() >= 19 && IsWindowEnabled(start) && IsWindowEnabled(settings);
  })) << log_lines(log).size();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pattern(sizes[i], i), read_copy(folder + "\\" + names[i])) << names[i];
  }
  const std::vector<std::string> lines = log_lines(log);
  ASSERT_EQ(19u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find(ansi("Сохраненной очереди нет"))) << lines[0];
  for (int i = 0; i < 3; ++i) {
    const std::string* file = &lines[1 + i * 6];
    EXPECT_NE(std::string::npos, file[0].find(ansi("Запуск копирования"))) << file[0];
    EXPECT_NE(std::string::npos, file[1].find(sources + "\\" + names[i])) << file[1];
    EXPECT_NE(std::string::npos, file[2].find(folder + "\\" + names[i])) << file[2];
    EXPECT_NE(std::string::npos, file[3].find(ansi("Копирование..."))) << file[3];
    EXPECT_NE(std::string::npos, file[4].find(ansi("Копирование завершено"))) << file[4];
    EXPECT_EQ("", file[5]);
  }

  // The next refresh shows the totals and gives the caption back.
  HWND status = GetDlgItem(window, IDC_STATUS);
  const std::string total = ansi("294.2 Кб из 294.2 Кб (100%)");
  EXPECT_TRUE(wait_until([&] { return window_text(status) == total; })) << window_text(status);
  EXPECT_EQ(100, SendMessageA(GetDlgItem(window, IDC_PROGRESS), PBM_GETPOS, 0, 0));
  EXPECT_EQ("Tarvolin", window_text(window));

  PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kExitLimitMs));
  DWORD exit_code = 1;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(0u, exit_code);
  EXPECT_NE(std::string::npos, read_copy(folder + "\\tvoln.ini").find("dialog_param="));
  // The queue is kept beside the settings, its rows complete; the program's
  // own texts, the queue among them, are UTF-8.
  const std::string queue = read_copy(folder + "\\tvoln.queue");
  for (const char* name : {"b.bin", "отчёт.txt", "a.txt"}) {
    EXPECT_NE(std::string::npos, queue.find(std::string("\\") + name + "\t")) << queue;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
