// Commands of the main window that open other windows: the warning for a
// file that cannot be added, the file parameters on a double-click, the
// settings dialog re-applying the list colours, and the about box.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "engine/copy_job.h"
#include "ui/main/file_list.h"
#include "ui/main/list_commands.h"
#include "ui_harness.h"

namespace {

class MainCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = make_temp_folder();
    default_settings(&settings_, make_temp_folder());
  }
  // Adds what the open dialog returned in `buffer` and expects one warning,
  // captioned "Ошибка", that `refused` cannot be added.
  void add_refusing(MainWindowRun* run, const std::string& buffer, unsigned offset,
                    const std::string& refused) {
    add_warned(run, buffer, offset, ansi("Ошибка: Добавление файла: ") + refused);
  }
  // Adds what the open dialog returned and expects one warning box with `text`.
  void add_warned(MainWindowRun* run, const std::string& buffer, unsigned offset,
                  const std::string& text) {
    HWND window = run->window();
    const std::wstring chosen = wide(buffer);
    std::thread adding(
        [&] { run->run([&] { add_chosen_files(window, chosen.c_str(), offset); }); });
    HWND box = wait_owned_window(window, "#32770");
    ASSERT_NE(box, nullptr) << text;
    EXPECT_EQ(ansi("Ошибка"), window_text(box));
    EXPECT_EQ(text + "\n", static_texts(box));
    click(box, IDOK);
    adding.join();
  }
  std::string folder_;
  Settings settings_;
};

TEST_F(MainCommandsTest, AFileGoneBeforeItIsAddedIsReportedAndTheOthersAdded) {
  write_file(folder_ + "\\a.txt", 5);
  write_file(folder_ + "\\c.txt", 7);
  MainWindowRun run(&settings_);
  // What the open dialog returns for three names, the middle one gone.
  std::string buffer = folder_ + '\0' + "a.txt" + '\0' + "gone.txt" + '\0' + "c.txt" + '\0';
  add_refusing(&run, buffer, static_cast<unsigned>(folder_.size() + 1), folder_ + "\\gone.txt");

  HWND list = run.item(IDC_FILE_LIST);
  ASSERT_EQ(2, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(folder_ + "\\a.txt", cell_text(list, 0, 6));
  EXPECT_EQ(folder_ + "\\c.txt", cell_text(list, 1, 6));
}

// Two sources must never write one destination: Add refuses the second, and
// the file parameters refuse a destination another row's source writes.
TEST_F(MainCommandsTest, OneDestinationTakesOneSource) {
  const std::string other = make_temp_folder();
  write_file(folder_ + "\\x.bin", 5);
  write_file(other + "\\X.BIN", 9, 2);
  write_file(other + "\\y.bin", 7);
  MainWindowRun run(&settings_);
  HWND window = run.window();
  HWND list = run.item(IDC_FILE_LIST);
  ASSERT_NE(run.add_job(folder_ + "\\x.bin"), nullptr);
  // The same name from another folder, in other letters: the same destination.
  std::string buffer = other + '\0' + "X.BIN" + '\0' + "y.bin" + '\0';
  add_refusing(&run, buffer, static_cast<unsigned>(other.size() + 1), other + "\\X.BIN");
  ASSERT_EQ(2, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(other + "\\y.bin", cell_text(list, 1, 6));
  // A source chosen again, in any letters, makes no second row: its second
  // copy would empty the first. One box counts them.
  const std::string again = folder_ + '\0' + "x.bin" + '\0' + "X.BIN" + '\0';
  add_warned(&run, again, static_cast<unsigned>(folder_.size() + 1),
             ansi("Уже в очереди, не добавлено файлов: 2"));
  EXPECT_EQ(2, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  // Nor may a row overwrite a queued source, or read what another row writes.
  const std::string dest_folder = settings_.copy.dest_folder;
  const std::string third = make_temp_folder();
  write_file(third + "\\y.bin", 3);
  write_file(dest_folder + "\\x.bin", 5);
  std::snprintf(settings_.copy.dest_folder, kFolderCapacity, "%s", other.c_str());
  for (const std::string& path : {third + "\\y.bin", dest_folder + "\\x.bin"}) {
    add_refusing(&run, path, 0, path);
  }
  EXPECT_EQ(2, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  std::snprintf(settings_.copy.dest_folder, kFolderCapacity, "%s", dest_folder.c_str());

  static NMITEMACTIVATE activate;
  activate = {};
  activate.hdr = {list, IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
  activate.iItem = 1;
  run.notify_later(&activate.hdr);
  HWND dialog = wait_owned_window(window, "#32770");
  ASSERT_NE(dialog, nullptr);
  const std::string taken = std::string(settings_.copy.dest_folder) + "\\X.bin";
  SendDlgItemMessageA(dialog, IDC_DEST_PATH, WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(taken.c_str()));
  click(dialog, IDOK);
  HWND refused = wait_owned_window(dialog, "#32770");
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(ansi("Ошибка: Недопустимое значение\n"), static_texts(refused));
  click(refused, IDOK);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(refused); }));
  click(dialog, IDCANCEL);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
}

TEST_F(MainCommandsTest, DoubleClickOnARowOpensItsParameters) {
  write_file(folder_ + "\\a.txt", 5);
  MainWindowRun run(&settings_);
  ASSERT_NE(run.add_job(folder_ + "\\a.txt"), nullptr);
  static NMITEMACTIVATE activate;
  activate = {};
  activate.hdr = {run.item(IDC_FILE_LIST), IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
  activate.iItem = 0;
  run.notify_later(&activate.hdr);
  HWND dialog = wait_owned_window(run.window(), "#32770");
  ASSERT_NE(dialog, nullptr);
  // The file parameters show the job's source path.
  EXPECT_EQ(folder_ + "\\a.txt", window_text(GetDlgItem(dialog, IDC_SOURCE_PATH)));
  // Commands another program sends while the dialog is open do nothing: a
  // Delete would free the job the dialog shows, Cancel the whole window.
  HWND list = run.item(IDC_FILE_LIST);
  run.run([&] { select_row(list, 0); });
  run.command(IDC_DELETE);
  run.command(IDCANCEL);
  EXPECT_EQ(1, static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
  click(dialog, IDCANCEL);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  ASSERT_TRUE(IsWindow(run.window()));

  // A double-click below the rows opens nothing (a dialog opened here would
  // hold the call, and the test with it).
  activate.iItem = -1;
  run.run([&] {
    SendMessageA(run.window(), WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&activate));
  });
  HWND none = nullptr;
  run.run([&] { none = GetWindow(run.window(), GW_ENABLEDPOPUP); });
  EXPECT_EQ(nullptr, none);
}

// Any program may post the window what only its own controls and the system
// send: a notification, or a message whose argument is a pointer. None is
// read; the window goes on and closes normally.
TEST_F(MainCommandsTest, MessagesPostedWithPointersAreNeverRead) {
  write_file(folder_ + "\\a.txt", 5);
  MainWindowRun run(&settings_);
  ASSERT_NE(run.add_job(folder_ + "\\a.txt"), nullptr);
  const LPARAM junk = static_cast<LPARAM>(0x4242424242);
  for (UINT message : {WM_NOTIFY, WM_GETMINMAXINFO, WM_INITDIALOG}) {
    PostMessageA(run.window(), message, IDC_FILE_LIST, junk);
  }
  // Posted after them, so read after them.
  run.post_command(IDM_SELECT_ALL);
  HWND list = run.item(IDC_FILE_LIST);
  ASSERT_TRUE(wait_until([&] { return row_selected(list, 0); }));
  EXPECT_TRUE(run.close());
}

TEST_F(MainCommandsTest, SettingsAcceptedReapplyTheListColours) {
  // The settings dialog accepts only intervals it could have set itself.
  settings_.dialog.refresh_interval = 5000;
  MainWindowRun run(&settings_);
  HWND list = run.item(IDC_FILE_LIST);
  run.post_command(IDC_SETTINGS);
  HWND dialog = wait_owned_window(run.window(), "#32770");
  ASSERT_NE(dialog, nullptr);
  // As if the colour scheme had been changed from within the settings.
  settings_.list.back_color = 0x00102030;
  settings_.list.text_color = 0x00405060;
  click(dialog, IDOK);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(0x00102030u, static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0)));
  EXPECT_EQ(0x00405060u, static_cast<COLORREF>(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0)));

  run.post_command(IDC_ABOUT);
  HWND about = wait_owned_window(run.window(), "#32770");
  ASSERT_NE(about, nullptr);
  click(about, IDOK);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(about); }));
}

TEST_F(MainCommandsTest, StopEndsTheCopyAndGivesStartAndSettingsBack) {
  make_long_source(folder_ + "\\long.bin");
  settings_.copy.buffer_size = 64;
  MainWindowRun run(&settings_);
  JobRow* record = run.add_job(folder_ + "\\long.bin");
  ASSERT_NE(record, nullptr);
  run.command(IDC_START);
  ASSERT_TRUE(wait_until([&] { return record->job->bytes_copied.load() > 0; }));
  // The controller holds Start and Settings while it runs; Stop stays usable.
  EXPECT_FALSE(IsWindowEnabled(run.item(IDC_START)));
  EXPECT_FALSE(IsWindowEnabled(run.item(IDC_SETTINGS)));
  EXPECT_TRUE(IsWindowEnabled(run.item(IDC_STOP)));

  run.command(IDC_STOP);
  // The two buttons are enabled one after the other on the window thread,
  // while this thread looks at them: wait for both.
  ASSERT_TRUE(wait_until([&] {
    return IsWindowEnabled(run.item(IDC_START)) && IsWindowEnabled(run.item(IDC_SETTINGS));
  }));
  EXPECT_EQ(nullptr, record->worker_thread.load());
  run.tick();
  EXPECT_EQ(ansi("В очереди"), cell_text(run.item(IDC_FILE_LIST), 0, 4));
  // The end of the stopped run is still logged: its last lines are the
  // "done" line and an empty one.
  HWND log = run.item(IDC_LOG);
  const int lines = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
  ASSERT_GE(lines, 2);
  char line[1024] = "";
  SendMessageA(log, LB_GETTEXT, lines - 2, reinterpret_cast<LPARAM>(line));
  EXPECT_NE(std::string::npos, std::string(line).find(ansi("Копирование завершено"))) << line;
  DeleteFileA((folder_ + "\\long.bin").c_str());
}

}  // namespace
