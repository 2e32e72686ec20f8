// The user's hands for end-to-end tests: a Windows console program, run under
// Wine by the Linux test (tests/e2e/wine_driver.h), that starts the real
// tarvolin.exe and works its main window from outside the process, as a user
// would: the buttons, the real open dialog, the close box and its question.
// It reads what the user reads: the log list box and the cells of the file
// list.
//
// One command per line on stdin, of any length, words separated by single
// spaces, or by tabs in a line that holds one (for names with spaces); texts
// are UTF-8 both ways, and reach the program's windows in UTF-16, as a
// user's typing does. Every answer
// ends with a line that starts with ".ok" or ".err", optionally followed by a
// value; lines before it are data. A window of the program that stops
// answering makes the command fail after a time limit; the driver itself
// never waits without one.
//
//   launch FOLDER            start FOLDER\tarvolin.exe in FOLDER; wait for its window
//   add FOLDER NAME...       Add, the open dialog: go to FOLDER, choose the NAMEs, Open
//   add-folder FOLDER        "Добавить папку...": FOLDER typed into the picker's name
//                            box, then its button; .ok once the picker has gone
//   box                      a box over the main window: OK pressed; .ok its text
//                            once it has gone, .err when none comes
//   click ID                 press button ID of the main window (BM_CLICK)
//   enabled ID               .ok 1 or 0
//   log FROM                 the log's lines from index FROM; .ok total line count
//   count TEXT               .ok the number of log lines containing TEXT
//   cell ROW COLUMN          .ok the text of a file list cell
//   column COLUMN            the texts of a column's cells, row by row; .ok the row count
//   rows                     .ok the number of rows
//   close HOW TIMEOUT_MS     HOW: wm (WM_CLOSE) or esc (IDCANCEL); answer the
//                            question with Yes; .ok asked=0|1 exit=CODE running=0|1
//                            ms=M (running: Start was disabled, a run under way, when
//                            the close was posted; M: milliseconds from the answer,
//                            or from the close when not asked, to the program's
//                            end), or .err hang (the program is then killed)
//   start-close TIMEOUT_MS   press Start and post WM_CLOSE right behind it; then
//                            as close wm TIMEOUT_MS
//   close-no                 WM_CLOSE, and answer the question with No; .ok once
//                            the box has gone (.err when no question came)
//   close-when N DELAY_MS TIMEOUT_MS TEXT
//                            as soon as N log lines contain TEXT, wait DELAY_MS,
//                            then close wm TIMEOUT_MS
//   hold PATH                open PATH for reading and writing without sharing, as
//                            another program holding the file would (made if missing)
//   release                  close every file held
//   junk                     what any program on the desktop may send or post the
//                            main window: its private message (WM_APP+1) and
//                            WM_NOTIFY with arguments that point nowhere; .ok when
//                            it answered
//   alive                    .ok 1 while the program runs
//   kill                     terminate the program
//   quit                     terminate the program if it runs, and exit
#include <windows.h>
// commctrl.h and commdlg.h need the types of windows.h.
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "res/resource.h"
#include "res/string_ids.h"
#include "tests/e2e/driver/file_name_field.h"

namespace {

constexpr UINT kAnswerMs = 10000;  // a window that takes longer does not answer
constexpr DWORD kWindowWaitMs = 30000;

struct Program {
  PROCESS_INFORMATION process{};
  bool running = false;
  HWND window = nullptr;
  std::vector<std::string> log;  // UTF-8; the log only ever grows
} program;

std::string question_text;  // the program's close question, UTF-8
std::vector<HANDLE> held;   // files held open by "hold"

// ---- text ----------------------------------------------------------------

std::string convert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  int wide_length =
      MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wide_length);
  int length = WideCharToMultiByte(to, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wide_length, &out[0], length, nullptr, nullptr);
  return out;
}
std::string utf8(const std::string& ansi) { return convert(ansi, CP_ACP, CP_UTF8); }

std::wstring wide(const std::string& utf8_text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8_text.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8_text.c_str(), -1, &out[0], length);
  out.resize(out.size() - 1);
  return out;
}

std::string utf8_of(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length > 0 ? length : 1), '\0');
  if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], length, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

void answer(bool ok, const std::string& value = "") {
  std::printf(".%s%s%s\n", ok ? "ok" : "err", value.empty() ? "" : " ", value.c_str());
  std::fflush(stdout);
}
void data_line(const std::string& line) { std::printf("%s\n", line.c_str()); }

// ---- windows of the program -----------------------------------------------

bool send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result = nullptr) {
  DWORD_PTR value = 0;
  if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kAnswerMs, &value))
    return false;
  if (result) *result = static_cast<LRESULT>(value);
  return true;
}

bool send_wide(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  DWORD_PTR value = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, kAnswerMs, &value))
    return false;
  *result = static_cast<LRESULT>(value);
  return true;
}

// UTF-8, asked in UTF-16: the program's code page is not this driver's.
std::string window_text(HWND window) {
  wchar_t text[2048] = L"";
  LRESULT length = 0;
  send_wide(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), &length);
  return utf8_of(text);
}

std::string class_of(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool exited(DWORD wait_ms = 0) {
  return !program.running ||
         WaitForSingleObject(program.process.hProcess, wait_ms) == WAIT_OBJECT_0;
}

struct Search {
  DWORD process_id;
  HWND owner;  // null: a window without owner
  HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process_id && IsWindowVisible(window) && class_of(window) == "#32770" &&
      GetWindow(window, GW_OWNER) == search->owner) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog of the program owned by `owner` (null: the main window itself).
HWND find_dialog(HWND owner) {
  Search search{program.process.dwProcessId, owner, nullptr};
  EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND wait_dialog(HWND owner, DWORD limit_ms = kWindowWaitMs) {
  for (DWORD waited = 0; waited < limit_ms; waited += 20) {
    HWND found = find_dialog(owner);
    if (found) return found;
    if (exited(20)) return nullptr;
  }
  return nullptr;
}

BOOL CALLBACK collect_static(HWND child, LPARAM context) {
  if (lstrcmpiA(class_of(child).c_str(), "Static") == 0) {
    std::string text = window_text(child);
    if (!text.empty()) *reinterpret_cast<std::string*>(context) += text + "\n";
  }
  return TRUE;
}

std::string static_texts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, collect_static, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

void press(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Memory inside the program, for messages whose pointers Windows does not
// carry across processes (list view, common dialog).
class Remote {
 public:
  explicit Remote(size_t size) : size_(size) {
    base_ = static_cast<char*>(VirtualAllocEx(program.process.hProcess, nullptr, size,
                                              MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~Remote() {
    if (base_) VirtualFreeEx(program.process.hProcess, base_, 0, MEM_RELEASE);
  }
  char* at(size_t offset) const { return base_ + offset; }
  bool ok() const { return base_ != nullptr; }
  bool put(size_t offset, const void* bytes, size_t size) const {
    return WriteProcessMemory(program.process.hProcess, base_ + offset, bytes, size, nullptr);
  }
  bool get(size_t offset, void* bytes, size_t size) const {
    return ReadProcessMemory(program.process.hProcess, base_ + offset, bytes, size, nullptr);
  }

 private:
  char* base_ = nullptr;
  size_t size_;
};

HWND file_list() { return GetDlgItem(program.window, IDC_FILE_LIST); }

int row_count() {
  LRESULT count = -1;
  if (!send(file_list(), LVM_GETITEMCOUNT, 0, 0, &count)) return -1;
  return static_cast<int>(count);
}

bool cell(int row, int column, std::string* text) {
  constexpr size_t kTextSize = 1024;
  Remote memory(sizeof(LVITEMW) + kTextSize * sizeof(wchar_t));
  if (!memory.ok()) return false;
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(memory.at(sizeof item));
  item.cchTextMax = kTextSize;
  wchar_t empty = L'\0';
  memory.put(sizeof item, &empty, sizeof empty);
  memory.put(0, &item, sizeof item);
  if (!send(file_list(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory.at(0))))
    return false;
  std::vector<wchar_t> buffer(kTextSize + 1, L'\0');
  memory.get(sizeof item, buffer.data(), kTextSize * sizeof(wchar_t));
  *text = utf8_of(buffer.data());
  return true;
}

// Brings the cached log up to date with the list box; false when it does not
// answer. The wide calls: Wine 8 hands the text of a cross-process LB_GETTEXT
// back in UTF-16 even to the single-byte call (and so writes twice the bytes
// that call's caller expects).
bool read_log() {
  HWND box = GetDlgItem(program.window, IDC_LOG);
  LRESULT count = 0;
  if (!send_wide(box, LB_GETCOUNT, 0, 0, &count)) return false;
  if (count < static_cast<LRESULT>(program.log.size())) program.log.clear();
  for (LRESULT index = static_cast<LRESULT>(program.log.size()); index < count; ++index) {
    LRESULT length = 0;
    if (!send_wide(box, LB_GETTEXTLEN, index, 0, &length) || length < 0) return false;
    std::vector<wchar_t> text(static_cast<size_t>(length) * 2 + 16, L'\0');
    if (!send_wide(box, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()), &length))
      return false;
    char line[4096] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.data(), -1, line, sizeof line - 1, nullptr, nullptr);
    program.log.push_back(line);
  }
  return true;
}

// ---- commands -------------------------------------------------------------

BOOL CALLBACK match_main(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process_id && IsWindowVisible(window) && class_of(window) == "#32770" &&
      GetWindow(window, GW_OWNER) == nullptr && GetDlgItem(window, IDC_LOG) != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

void finish_program() {
  if (!program.running) return;
  if (!exited()) {
    TerminateProcess(program.process.hProcess, 99);
    WaitForSingleObject(program.process.hProcess, 10000);
  }
  CloseHandle(program.process.hThread);
  CloseHandle(program.process.hProcess);
  program = Program{};
}

void launch(const std::string& folder) {
  finish_program();
  std::string exe = folder + "\\tarvolin.exe";
  std::string command = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &program.process)) {
    answer(false, "CreateProcess error " + std::to_string(GetLastError()));
    return;
  }
  program.running = true;
  WaitForInputIdle(program.process.hProcess, kWindowWaitMs);
  for (DWORD waited = 0; waited < kWindowWaitMs && !program.window; waited += 20) {
    Search search{program.process.dwProcessId, nullptr, nullptr};
    EnumWindows(match_main, reinterpret_cast<LPARAM>(&search));
    program.window = search.found;
    if (!program.window && exited(20)) break;
  }
  if (!program.window) {
    answer(false, "no main window");
    return;
  }
  if (question_text.empty()) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[1024] = "";
    if (module) LoadStringA(module, IDS_STOP_COPYING_QUESTION, text, sizeof text);
    if (module) FreeLibrary(module);
    question_text = utf8(text);
  }
  answer(true, std::to_string(program.process.dwProcessId));
}

// The open dialog is a Unicode one: its folder comes in UTF-16.
std::wstring open_dialog_folder(HWND dialog) {
  Remote memory(MAX_PATH * sizeof(wchar_t));
  if (!memory.ok()) return L"";
  LRESULT ignored = 0;
  if (!send_wide(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(memory.at(0)),
                 &ignored))
    return L"";
  wchar_t folder[MAX_PATH + 1] = L"";
  memory.get(0, folder, MAX_PATH * sizeof(wchar_t));
  return folder;
}

// Typed in UTF-16, as a user's keys reach the dialog.
void type_and_open(HWND dialog, const std::string& text_utf8) {
  const std::wstring text = wide(text_utf8);
  LRESULT ignored = 0;
  send_wide(file_name_field(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
            &ignored);
  press(dialog, IDOK);
}

void add(const std::string& folder, const std::vector<std::string>& names) {
  int before = row_count();
  if (before < 0 || names.empty()) return answer(false, "no list");
  PostMessageA(GetDlgItem(program.window, IDC_ADD), BM_CLICK, 0, 0);
  HWND dialog = wait_dialog(program.window);
  if (!dialog) return answer(false, "no open dialog");
  type_and_open(dialog, folder);
  bool there = false;
  for (DWORD waited = 0; waited < kWindowWaitMs && !there; waited += 20) {
    there = lstrcmpiW(open_dialog_folder(dialog).c_str(), wide(folder).c_str()) == 0;
    if (!there) Sleep(20);
  }
  if (!there) return answer(false, "the open dialog did not go to " + folder);
  std::string chosen;
  if (names.size() == 1) {
    chosen = names[0];
  } else {
    for (const std::string& name : names) chosen += (chosen.empty() ? "\"" : " \"") + name + "\"";
  }
  type_and_open(dialog, chosen);
  // The dialog goes and the rows come; a warning box comes instead of the row
  // of a file gone meanwhile.
  std::string warnings;
  int boxes = 0;
  const int wanted = static_cast<int>(names.size());
  for (DWORD waited = 0; waited < kWindowWaitMs; waited += 20) {
    HWND box = find_dialog(program.window);
    if (box && box != dialog) {
      warnings += static_texts(box);
      boxes++;
      press(box, IDOK);
      for (DWORD gone = 0; gone < kWindowWaitMs && IsWindow(box); gone += 20) Sleep(20);
      continue;
    }
    if (!IsWindow(dialog) && row_count() - before + boxes >= wanted) break;
    Sleep(20);
  }
  if (IsWindow(dialog)) return answer(false, "the open dialog stays open");
  int added = row_count() - before;
  if (!warnings.empty()) {
    for (size_t start = 0, end; (end = warnings.find('\n', start)) != std::string::npos;
         start = end + 1)
      data_line(warnings.substr(start, end - start));
  }
  answer(warnings.empty(), std::to_string(added));
}

void add_folder(const std::string& folder) {
  PostMessageA(program.window, WM_COMMAND, IDM_ADD_FOLDER, 0);
  HWND picker = wait_dialog(program.window);
  if (!picker) return answer(false, "no folder picker");
  type_and_open(picker, folder);
  for (DWORD waited = 0; waited < kWindowWaitMs && IsWindow(picker); waited += 20) Sleep(20);
  if (IsWindow(picker)) return answer(false, "the folder picker stays open");
  answer(true);
}

void answer_box() {
  HWND box = wait_dialog(program.window);
  if (!box) return answer(false, "no box");
  std::string texts = static_texts(box);
  press(box, IDOK);
  for (DWORD gone = 0; gone < kWindowWaitMs && IsWindow(box); gone += 20) Sleep(20);
  if (IsWindow(box)) return answer(false, "the box stays open");
  if (!texts.empty()) texts.pop_back();  // the last text's line end
  answer(true, texts);
}

void close(const std::string& how, DWORD limit_ms) {
  if (!program.window) return answer(false, "no program");
  // Whether a run was under way as the close was asked: the controller keeps
  // Start disabled from its first row to its end.
  const bool under_way = !IsWindowEnabled(GetDlgItem(program.window, IDC_START));
  if (how == "esc") {
    PostMessageA(program.window, WM_COMMAND, IDCANCEL, 0);
  } else {
    PostMessageA(program.window, WM_CLOSE, 0, 0);
  }
  bool asked = false;
  std::string unexpected;
  ULONGLONG answered_at = GetTickCount64();
  for (DWORD waited = 0; waited < limit_ms; waited += 10) {
    if (exited(10)) {
      const ULONGLONG ms = GetTickCount64() - answered_at;
      DWORD code = 0;
      GetExitCodeProcess(program.process.hProcess, &code);
      finish_program();
      if (!unexpected.empty()) return answer(false, "unexpected box: " + unexpected);
      return answer(true, std::string("asked=") + (asked ? "1" : "0") +
                              " exit=" + std::to_string(code) +
                              " running=" + (under_way ? "1" : "0") + " ms=" + std::to_string(ms));
    }
    HWND box = find_dialog(program.window);
    if (!box) continue;
    std::string texts = static_texts(box);
    if (texts.find(question_text) == std::string::npos) {
      unexpected = texts;
      press(box, IDOK);
    } else {
      asked = true;
      press(box, IDYES);
      answered_at = GetTickCount64();
    }
    // Let the box go before looking again.
    for (DWORD gone = 0; gone < 2000 && IsWindow(box) && !exited(); gone += 10) Sleep(10);
  }
  finish_program();
  answer(false, std::string("hang asked=") + (asked ? "1" : "0"));
}

// The separator of a line's words: a tab where the line holds one.
char separator_of(const std::string& line) {
  return line.find('\t') != std::string::npos ? '\t' : ' ';
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string word;
  while (std::getline(in, word, separator_of(line))) {
    if (!word.empty()) out.push_back(word);
  }
  return out;
}

// The text after the first `skip` words of `line`.
std::string rest(const std::string& line, size_t skip) {
  size_t at = 0;
  for (size_t i = 0; i < skip && at != std::string::npos; ++i) {
    at = line.find(separator_of(line), at);
    if (at != std::string::npos) at++;
  }
  return at == std::string::npos ? "" : line.substr(at);
}

void run_command(const std::string& line) {
  std::vector<std::string> word = words(line);
  if (word.empty()) return answer(false, "empty");
  const std::string& name = word[0];
  bool has_program = program.running && program.window;
  if (name == "launch" && word.size() == 2) return launch(rest(line, 1));
  if (name == "alive") return answer(true, program.running && !exited() ? "1" : "0");
  if (name == "hold" && word.size() == 2) {
    HANDLE file = CreateFileW(wide(rest(line, 1)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return answer(false, std::to_string(GetLastError()));
    held.push_back(file);
    return answer(true);
  }
  if (name == "release") {
    for (HANDLE file : held) CloseHandle(file);
    held.clear();
    return answer(true);
  }
  if (name == "kill") {
    finish_program();
    return answer(true);
  }
  if (!has_program) return answer(false, "no program");
  if (name == "junk") {
    // Addresses that are nothing in the program: called or read, they crash it.
    const WPARAM junk = static_cast<WPARAM>(0x4141414141);
    const LPARAM junk_data = static_cast<LPARAM>(0x4242424242);
    PostMessageA(program.window, WM_APP + 1, junk, junk_data);
    // Posted, a notification reaches the window whatever it carries.
    PostMessageA(program.window, WM_NOTIFY, IDC_FILE_LIST, junk_data);
    const bool sent = send(program.window, WM_APP + 1, junk, junk_data);
    // Wine refuses to carry WM_NOTIFY to another process; Windows delivers it.
    const bool notified = send(program.window, WM_NOTIFY, IDC_FILE_LIST, junk_data);
    return answer(sent, std::string("notify=") + (notified ? "1" : "0"));
  }
  if (name == "add" && word.size() >= 3)
    return add(word[1], std::vector<std::string>(word.begin() + 2, word.end()));
  if (name == "add-folder" && word.size() == 2) return add_folder(rest(line, 1));
  if (name == "box") return answer_box();
  if (name == "click" && word.size() == 2) {
    PostMessageA(GetDlgItem(program.window, std::atoi(word[1].c_str())), BM_CLICK, 0, 0);
    return answer(true);
  }
  if (name == "enabled" && word.size() == 2)
    return answer(
        true, IsWindowEnabled(GetDlgItem(program.window, std::atoi(word[1].c_str()))) ? "1" : "0");
  if (name == "log" && word.size() == 2) {
    if (!read_log()) return answer(false, "the log does not answer");
    for (size_t i = static_cast<size_t>(std::atoi(word[1].c_str())); i < program.log.size(); ++i)
      data_line(program.log[i]);
    return answer(true, std::to_string(program.log.size()));
  }
  if (name == "count" && word.size() >= 2) {
    if (!read_log()) return answer(false, "the log does not answer");
    std::string text = rest(line, 1);
    int count = 0;
    for (const std::string& entry : program.log)
      if (entry.find(text) != std::string::npos) count++;
    return answer(true, std::to_string(count));
  }
  if (name == "cell" && word.size() == 3) {
    std::string text;
    if (!cell(std::atoi(word[1].c_str()), std::atoi(word[2].c_str()), &text))
      return answer(false, "the list does not answer");
    return answer(true, text);
  }
  if (name == "column" && word.size() == 2) {
    const int rows = row_count();
    for (int row = 0; row < rows; ++row) {
      std::string text;
      if (!cell(row, std::atoi(word[1].c_str()), &text))
        return answer(false, "the list does not answer");
      data_line(text);
    }
    return rows < 0 ? answer(false, "the list does not answer")
                    : answer(true, std::to_string(rows));
  }
  if (name == "rows") {
    int count = row_count();
    return count < 0 ? answer(false, "the list does not answer")
                     : answer(true, std::to_string(count));
  }
  if (name == "start-close" && word.size() == 2) {
    PostMessageA(GetDlgItem(program.window, IDC_START), BM_CLICK, 0, 0);
    return close("wm", static_cast<DWORD>(std::atol(word[1].c_str())));
  }
  if (name == "close-no") {
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    HWND box = wait_dialog(program.window, kWindowWaitMs);
    if (!box) return answer(false, "no question");
    std::string texts = static_texts(box);
    press(box, IDNO);
    for (DWORD gone = 0; gone < kWindowWaitMs && IsWindow(box); gone += 10) Sleep(10);
    if (IsWindow(box)) return answer(false, "the question stays");
    return answer(texts.find(question_text) != std::string::npos,
                  texts.substr(0, texts.find('\n')));
  }
  if (name == "close-when" && word.size() >= 5) {
    size_t wanted = static_cast<size_t>(std::atoi(word[1].c_str()));
    std::string text = rest(line, 4);
    size_t seen = 0, counted = 0;
    const ULONGLONG deadline = GetTickCount64() + 2 * kWindowWaitMs;
    while (counted < wanted) {
      if (GetTickCount64() > deadline || exited()) return answer(false, "the text did not come");
      if (!read_log()) return answer(false, "the log does not answer");
      for (; seen < program.log.size(); ++seen)
        if (program.log[seen].find(text) != std::string::npos) counted++;
      if (counted < wanted) Sleep(1);
    }
    Sleep(static_cast<DWORD>(std::atol(word[2].c_str())));
    return close("wm", static_cast<DWORD>(std::atol(word[3].c_str())));
  }
  if (name == "close" && word.size() == 3)
    return close(word[1], static_cast<DWORD>(std::atol(word[2].c_str())));
  answer(false, "unknown command: " + line);
}

// One line of stdin without its end; false at the end of the input.
bool read_line(std::string* text) {
  text->clear();
  char piece[8192];
  while (std::fgets(piece, sizeof piece, stdin)) {
    *text += piece;
    if (text->back() == '\n') break;
  }
  if (text->empty()) return false;
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
  return true;
}

}  // namespace

int main() {
  std::string text;
  while (read_line(&text)) {
    if (text == "quit") break;
    run_command(text);
  }
  finish_program();
  answer(true, "bye");
  return 0;
}
