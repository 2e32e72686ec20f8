// Commands that edit the queue: the open dialog's buffer, add through the
// real open dialog, files and folders dropped on the window, delete around a
// busy row, move up and down, select all and the context menu.
#include <windows.h>
// commctrl.h, shellapi.h and shlobj.h need the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "tests/e2e/driver/file_name_field.h"
#include "ui/main/file_list.h"
#include "ui/main/list_commands.h"
#include "ui_harness.h"

namespace {

void collect(const std::wstring& path, void* context) {
  static_cast<std::vector<std::wstring>*>(context)->push_back(path);
}

std::vector<std::wstring> chosen(const std::wstring& buffer, unsigned offset) {
  std::vector<std::wstring> paths;
  for_each_chosen_path(buffer.c_str(), offset, collect, &paths);
  return paths;
}

TEST(OpenBuffer, OneFileSeveralFilesAndADriveRoot) {
  const std::wstring one(L"C:\\data\\a.txt\0", 14);
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\data\\a.txt"}, chosen(one, 8));

  const std::wstring three(L"C:\\data\0a.txt\0b.txt\0c.txt\0\0", 27);
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\data\\a.txt", L"C:\\data\\b.txt", L"C:\\data\\c.txt"}),
            chosen(three, 8));

  // A drive root already ends in a backslash; the joined path keeps both.
  const std::wstring root(L"C:\\\0a.txt\0b.txt\0\0", 17);
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\\\a.txt", L"C:\\\\b.txt"}), chosen(root, 4));
}

// Sorts rows 0..n-1 as LVM_SORTITEMSEX would with the move order.
std::vector<int> sorted_rows(int count, int moved, int target) {
  std::vector<int> rows;
  for (int i = 0; i < count; ++i) rows.push_back(i);
  std::stable_sort(rows.begin(), rows.end(),
                   [&](int x, int y) { return move_compare(x, y, moved, target) < 0; });
  return rows;
}

TEST(MoveOrder, PutsTheRowJustBeforeTheTarget) {
  EXPECT_EQ((std::vector<int>{0, 2, 1, 3, 4}), sorted_rows(5, 2, 1));  // up from 2
  EXPECT_EQ((std::vector<int>{0, 1, 3, 2, 4}), sorted_rows(5, 2, 4));  // down from 2
  EXPECT_EQ((std::vector<int>{1, 0, 2}), sorted_rows(3, 0, 2));        // down from the first
  EXPECT_EQ((std::vector<int>{0, 1, 2}), sorted_rows(3, 2, 4));        // down from the last
}

class ListCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = make_temp_folder();
    out_ = make_temp_folder();
    default_settings(&settings_, out_);
  }
  // Three rows a, b, c of ten bytes each.
  void add_three(MainWindowRun* run) {
    for (const char* name : {"a", "b", "c"}) {
      const std::string path = folder_ + "\\" + name + ".txt";
      write_file(path, 10);
      records_.push_back(run->add_job(path));
    }
  }
  std::string names(MainWindowRun* run) {
    std::string order;
    HWND list = run->item(IDC_FILE_LIST);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) order += cell_text(list, row, 1).substr(0, 1);
    return order;
  }
  void select_only(MainWindowRun* run, int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(run->item(IDC_FILE_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&item));
    if (row < 0) return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(run->item(IDC_FILE_LIST), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  std::string folder_;
  std::string out_;
  Settings settings_;
  std::vector<JobRow*> records_;
};

TEST_F(ListCommandsTest, DeleteSkipsTheBusyRowAndKeepsItSelected) {
  MainWindowRun run(&settings_);
  add_three(&run);
  HWND list = run.item(IDC_FILE_LIST);
  run.command(IDM_SELECT_ALL);  // select all
  // The middle row's job is taken by the controller.
  records_[1]->job->worker_started = true;
  run.command(IDC_DELETE);
  ASSERT_EQ("b", names(&run));
  EXPECT_TRUE(row_selected(list, 0));

  // Its worker's handle alone also keeps it.
  records_[1]->job->worker_started = false;
  platform::Thread* worker = platform::start_thread([](void*) -> uint32_t { return 0; }, nullptr);
  records_[1]->worker_thread = worker;
  run.command(IDC_DELETE);
  EXPECT_EQ("b", names(&run));
  records_[1]->worker_thread = nullptr;
  platform::wait_thread(worker);
  platform::close_thread(worker);

  run.command(IDC_DELETE);
  EXPECT_EQ("", names(&run));
}

// Rows deleted during a run so that the controller's index lies past the end
// are an ordinary Delete: a new pass begins, with no "BUG" box.
TEST_F(ListCommandsTest, DeletingRowsPastTheControllersIndexBeginsANewPass) {
  settings_.copy.retry_timeout = 1000;
  settings_.copy.max_attempts = 1;
  MainWindowRun run(&settings_);
  add_three(&run);
  ASSERT_TRUE(DeleteFileA((folder_ + "\\b.txt").c_str()));
  HWND log = run.item(IDC_LOG);
  auto opens_of_b = [&] {
    const std::string line = ansi("Открытие исходного файла: ") + folder_ + "\\b.txt";
    int count = 0;
    const int lines = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < lines; ++i) {
      char text[1024] = "";
      SendMessageA(log, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      if (std::string(text).find(line) != std::string::npos) count++;
    }
    return count;
  };
  run.command(IDC_START);
  // b's source is gone: its worker pauses after the failed open.
  ASSERT_TRUE(wait_until([&] { return records_[1]->job->step.load() == STEP_WAIT; }));
  select_only(&run, 0);
  LVITEMA item = {};
  item.state = item.stateMask = LVIS_SELECTED;
  SendMessageA(run.item(IDC_FILE_LIST), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
  run.command(IDC_DELETE);
  ASSERT_EQ("b", names(&run));
  ASSERT_TRUE(wait_until([&] { return opens_of_b() >= 2; })) << "no new pass";
  HWND box = nullptr;
  run.run([&] { box = GetWindow(run.window(), GW_ENABLEDPOPUP); });
  EXPECT_EQ(nullptr, box);
}

TEST_F(ListCommandsTest, UpAndDownMoveOnlyTheFocusedRow) {
  MainWindowRun run(&settings_);
  add_three(&run);
  HWND list = run.item(IDC_FILE_LIST);

  select_only(&run, 0);
  run.command(IDC_UP);  // up on the first row
  EXPECT_EQ("abc", names(&run));
  run.command(IDC_DOWN);
  EXPECT_EQ("bac", names(&run));
  EXPECT_TRUE(row_selected(list, 1));
  EXPECT_EQ(1, SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));

  select_only(&run, 2);
  run.command(IDC_DOWN);  // down on the last row
  EXPECT_EQ("bac", names(&run));
  run.command(IDC_UP);
  EXPECT_EQ("bca", names(&run));

  select_only(&run, -1);
  run.command(IDC_UP);
  run.command(IDC_DOWN);
  EXPECT_EQ("bca", names(&run));

  // Select all leaves the focus on the last row; only that row moves.
  run.command(IDM_SELECT_ALL);
  run.command(IDC_UP);
  EXPECT_EQ("bac", names(&run));
  EXPECT_EQ(1, SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                            LVNI_FOCUSED | LVNI_SELECTED));
  // The rows' records moved with their texts.
  EXPECT_EQ(folder_ + "\\a.txt", cell_text(list, 1, 6));
}

// Right-clicks the file list, or presses the menu key on it, and returns each
// item's greyed state, by position.
std::vector<bool> menu_greying(MainWindowRun* run, std::vector<UINT>* ids, bool key = false) {
  static NMHDR click;
  click = {run->item(IDC_FILE_LIST), IDC_FILE_LIST, static_cast<UINT>(NM_RCLICK)};
  if (key) {
    // Shift+F10 typed on the focused list: the system asks the list's parent
    // for its context menu.
    run->run([&] {
      SetForegroundWindow(run->window());
      SetFocus(run->item(IDC_FILE_LIST));
    });
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_SHIFT, VK_F10, VK_F10, VK_SHIFT};
    for (int i = 0; i < 4; ++i) {
      keys[i].type = INPUT_KEYBOARD;
      keys[i].ki.wVk = codes[i];
      keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
  } else {
    run->notify_later(&click);
  }
  std::vector<bool> greyed;
  HWND popup = nullptr;
  wait_until([&] {
    popup = FindWindowA("#32768", nullptr);
    return popup != nullptr && IsWindowVisible(popup);
  });
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    greyed.push_back((GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0);
    ids->push_back(GetMenuItemID(menu, i));
  }
  if (key) {
    // Closed by the keyboard too: the menu then reads the typed keys' releases
    // first. A posted WM_CANCELMODE would overtake them, and the F10 release
    // reaching the window after the menu would enter its system menu's mode.
    INPUT escape[2] = {};
    for (int i = 0; i < 2; ++i) {
      escape[i].type = INPUT_KEYBOARD;
      escape[i].ki.wVk = VK_ESCAPE;
      escape[i].ki.dwFlags = i == 1 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, escape, sizeof(INPUT));
  } else {
    PostMessageA(run->window(), WM_CANCELMODE, 0, 0);
  }
  wait_until([&] { return !IsWindowVisible(popup); });
  return greyed;
}

TEST_F(ListCommandsTest, ContextMenuGreysWhatCannotApply) {
  MainWindowRun run(&settings_);
  std::vector<UINT> ids;
  EXPECT_EQ((std::vector<bool>{false, false, true, false, true, true, false, true}),
            menu_greying(&run, &ids));
  const UINT separator = 0;
  const std::vector<UINT> all_ids = {IDC_ADD, IDM_ADD_FOLDER, IDC_DELETE, separator,
                                     IDC_UP,  IDC_DOWN,       separator,  IDM_SELECT_ALL};
  EXPECT_EQ(all_ids, ids);

  add_three(&run);
  select_only(&run, -1);
  ids.clear();
  EXPECT_EQ((std::vector<bool>{false, false, true, false, true, true, false, false}),
            menu_greying(&run, &ids));
  select_only(&run, 2);
  ids.clear();
  EXPECT_EQ(std::vector<bool>(8, false), menu_greying(&run, &ids));
  // The keyboard opens the same menu: "Выбрать все" needs no mouse.
  ids.clear();
  EXPECT_EQ(std::vector<bool>(8, false), menu_greying(&run, &ids, true));
  EXPECT_EQ(all_ids, ids);
}

// Types `text` into the open dialog and presses its Open button.
void type_and_open(HWND dialog, const std::string& text) {
  SendMessageA(file_name_field(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  click(dialog, IDOK);
}

// The dialog is a Unicode one: it answers in UTF-16.
std::wstring open_dialog_folder(HWND dialog) {
  wchar_t folder[MAX_PATH] = L"";
  SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  return folder;
}

TEST_F(ListCommandsTest, AddsFilesChosenInTheOpenDialogInItsOrderAndCopiesThem) {
  const std::string cyrillic = ansi("отчёт.txt");
  write_file(folder_ + "\\c.txt", 3000, 3);
  write_file(folder_ + "\\a.txt", 1000, 1);
  write_file(folder_ + "\\" + cyrillic, 2000, 2);
  MainWindowRun run(&settings_);
  run.post_command(IDC_ADD);
  HWND dialog = wait_owned_window(run.window(), "#32770");
  ASSERT_NE(dialog, nullptr);
  type_and_open(dialog, folder_);
  ASSERT_TRUE(wait_until(
      [&] { return lstrcmpiW(open_dialog_folder(dialog).c_str(), wide(folder_).c_str()) == 0; }));
  type_and_open(dialog, "\"c.txt\" \"a.txt\" \"" + cyrillic + "\"");
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));

  HWND list = run.item(IDC_FILE_LIST);
  run.run([] {});  // the command has finished
  ASSERT_EQ(3, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  const std::string order[] = {"c.txt", "a.txt", cyrillic};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(order[row], cell_text(list, row, 1));
    EXPECT_EQ(folder_ + "\\" + order[row], cell_text(list, row, 6));
    EXPECT_EQ(ansi("В очереди"), cell_text(list, row, 4));
  }
  EXPECT_EQ(ansi("2.9 Кб"), cell_text(list, 0, 2));

  // Start copies them all; the controller gives Start back when done.
  run.command(IDC_START);
  ASSERT_TRUE(wait_until([&] {
    run.tick();
    for (int row = 0; row < 3; ++row) {
      if (cell_text(list, row, 4) != ansi("Завершено")) return false;
    }
    // Start and Settings come back one after the other: wait for both.
    return IsWindowEnabled(run.item(IDC_START)) && IsWindowEnabled(run.item(IDC_SETTINGS));
  }));
  run.tick();
  for (const std::string& name : order) {
    EXPECT_EQ(read_file(folder_ + "\\" + name), read_file(out_ + "\\" + name)) << name;
  }
  EXPECT_EQ(ansi("5.9 Кб из 5.9 Кб (100%)"), window_text(run.item(IDC_STATUS)));
  EXPECT_EQ(100, SendMessageA(run.item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
  EXPECT_EQ("Tarvolin", window_text(run.window()));
  // Six lines a file: start, both opens, copying, done and an empty line.
  EXPECT_EQ(18, SendMessageA(run.item(IDC_LOG), LB_GETCOUNT, 0, 0));
}

// A drop block as the system hands it to the window: DROPFILES, then the
// names in UTF-16, each ended by a NUL, and one more NUL.
HDROP make_drop(const std::vector<std::wstring>& paths) {
  size_t characters = 1;
  for (const std::wstring& path : paths) characters += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  wchar_t* names = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& path : paths) {
    path.copy(names, path.size());
    names += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// Every Static text of a box, read in UTF-16.
std::wstring box_text(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t part[1024] = L"";
    GetWindowTextW(child, part, 1024);
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 && part[0] != L'\0') text += part;
  }
  return text;
}

// A folder and a file dropped from Explorer: the folder's files become rows
// named below the destination folder, then the file as Add makes it. This
// program keeps the system's code page (1251 here, as Windows 7 has it): a
// name it cannot hold is refused by name, not copied as a look-alike. The
// same folder dropped again adds nothing. A handle that is no drop does
// nothing, and closing during a walk of thousands of files does not hang.
TEST_F(ListCommandsTest, DroppedFolderAndFileAreAddedAndAFolderWalkEndsWithTheWindow) {
  const std::string photos = folder_ + "\\" + ansi("Фото");
  CreateDirectoryA(photos.c_str(), nullptr);
  CreateDirectoryA((photos + "\\2024").c_str(), nullptr);
  write_file(photos + "\\a.txt", 10);
  write_file(photos + "\\2024\\b.txt", 20);
  write_file(folder_ + "\\c.txt", 30);
  const std::wstring japanese = wide(photos) + L"\\日本語.txt";
  CloseHandle(CreateFileW(japanese.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  MainWindowRun run(&settings_);
  HWND list = run.item(IDC_FILE_LIST);
  // What any program may post: a value that is no drop of this process.
  PostMessageW(run.window(), WM_DROPFILES, static_cast<WPARAM>(0x4242424242), 0);
  PostMessageW(run.window(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(make_drop({wide(photos), wide(folder_ + "\\c.txt")})), 0);
  HWND box = wait_owned_window(run.window(), "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(
      box_text(box),
      wide(ansi("Ошибка: Имя не может быть записано в кодовой странице системы: ")) + japanese);
  click(box, IDOK);
  // Gone, not only answered: a box still closing is no box of the next drop.
  ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
  run.run([] {});
  ASSERT_EQ(3, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(ansi("Фото\\a.txt"), cell_text(list, 0, 1));
  EXPECT_EQ(ansi("Фото\\2024\\b.txt"), cell_text(list, 1, 1));
  EXPECT_EQ("c.txt", cell_text(list, 2, 1));
  EXPECT_EQ(photos + "\\2024\\b.txt", cell_text(list, 1, 6));
  run.run([&] {
    EXPECT_STREQ((out_ + "\\" + ansi("Фото\\2024\\b.txt")).c_str(),
                 row_record(list, 1)->job->dest_path);
  });
  // The same folder again: its files are queued already, and one box says so.
  PostMessageW(run.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(make_drop({wide(photos)})), 0);
  for (const std::string& text :
       {ansi("Уже в очереди, не добавлено файлов: 2"),
        ansi("Ошибка: Имя не может быть записано в кодовой странице системы: ")}) {
    box = wait_owned_window(run.window(), "#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box_text(box).substr(0, wide(text).size()), wide(text));
    click(box, IDOK);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
  }
  EXPECT_EQ(3, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));

  const std::string big = folder_ + "\\big";
  CreateDirectoryA(big.c_str(), nullptr);
  for (int sub = 0; sub < 20; ++sub) {
    const std::string inside = big + "\\" + std::to_string(sub);
    CreateDirectoryA(inside.c_str(), nullptr);
    for (int file = 0; file < 100; ++file) write_file(inside + "\\" + std::to_string(file), 1);
  }
  PostMessageW(run.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(make_drop({wide(big)})), 0);
  ASSERT_TRUE(wait_until([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 3; }));
  EXPECT_TRUE(run.close());
}

}  // namespace
