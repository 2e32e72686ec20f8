// The global settings dialog, driven from the real template 114.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/settings_records.h"
#include "engine/copy_job.h"
#include "tests/ui/dialog_driver.h"
#include "ui/dialogs/settings_dialog.h"

namespace {

struct Fields {
  std::string retry = "5000";
  std::string attempts = "5";
  std::string buffer = "131072";
  std::string refresh = "1000";
  std::string folder = "C:\\dst";
};

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::strcpy(copy_.dest_folder, "D:\\old");
    copy_.buffer_size = 65536;
    copy_.retry_timeout = 3000;
    copy_.max_attempts = 7;
    copy_.resume = 1;
    dialog_.list_ref = &list_;
    dialog_.copy_ref = &copy_;
    dialog_.refresh_interval = 800;
    dialog_.autoscroll = 0;
    list_.text_color = 0x112233;
    list_.back_color = 0x445566;
    saved_copy_ = copy_;
    saved_dialog_ = dialog_;
  }

  bool unchanged() const {
    return std::memcmp(&copy_, &saved_copy_, sizeof copy_) == 0 &&
           std::memcmp(&dialog_, &saved_dialog_, sizeof dialog_) == 0;
  }

  // Runs the dialog over the records; `body` works the dialog once it is open.
  INT_PTR run_settings(const std::function<void(const DialogDriver&, HWND)>& body) {
    return run_dialog(IDD_SETTINGS, settings_dialog_proc, reinterpret_cast<LPARAM>(&dialog_), body);
  }

  // Types `fields` into the dialog and presses OK.
  OkOutcome submit(const Fields& fields, INT_PTR* result) {
    OkOutcome outcome;
    *result = run_settings([&](const DialogDriver& driver, HWND dialog) {
      driver.set_text(dialog, IDC_RETRY_TIMEOUT, fields.retry);
      driver.set_text(dialog, IDC_MAX_ATTEMPTS, fields.attempts);
      driver.set_text(dialog, IDC_BUFFER_SIZE, fields.buffer);
      driver.set_text(dialog, IDC_REFRESH_INTERVAL, fields.refresh);
      driver.set_text(dialog, IDC_DEST_FOLDER, fields.folder);
      outcome = press_ok(driver, dialog);
      // A refused input stays in the edits as typed.
      if (outcome.warned) {
        EXPECT_EQ(driver.text(dialog, IDC_RETRY_TIMEOUT), fields.retry);
        EXPECT_EQ(driver.text(dialog, IDC_DEST_FOLDER), fields.folder);
      }
    });
    return outcome;
  }

  void expect_refused(const Fields& fields, const char* what) {
    INT_PTR result = 0;
    OkOutcome outcome = submit(fields, &result);
    EXPECT_TRUE(outcome.warned) << what;
    EXPECT_EQ(outcome.box_text, table_text(IDS_INVALID_VALUE)) << what;
    EXPECT_EQ(outcome.box_caption, table_text(IDS_ERROR_CAPTION)) << what;
    EXPECT_EQ(result, IDCANCEL) << what;
    EXPECT_TRUE(unchanged()) << what;
  }

  ListParam list_{};
  CopyParam copy_{};
  DialogParam dialog_{};
  CopyParam saved_copy_{};
  DialogParam saved_dialog_{};
};

TEST_F(SettingsDialogTest, OpensWithTheRecordsAndTextsAndCancelStoresNothing) {
  const INT_PTR result = run_settings([&](const DialogDriver& driver, HWND dialog) {
    EXPECT_EQ(DialogDriver::title(dialog), table_text(IDS_SETTINGS_TITLE));
    EXPECT_EQ(driver.text(dialog, IDOK), table_text(IDS_OK));
    EXPECT_EQ(driver.text(dialog, IDCANCEL), table_text(IDS_CANCEL));
    EXPECT_EQ(driver.text(dialog, IDC_RETRY_TIMEOUT_LABEL), table_text(IDS_RETRY_TIMEOUT_LABEL));
    EXPECT_EQ(driver.text(dialog, IDC_REFRESH_INTERVAL_LABEL),
              table_text(IDS_REFRESH_INTERVAL_LABEL));
    EXPECT_EQ(driver.text(dialog, IDC_COLOR_SCHEME), table_text(IDS_COLOR_SCHEME));
    EXPECT_EQ(driver.text(dialog, IDC_RESUME), table_text(IDS_RESUME));
    EXPECT_EQ(driver.text(dialog, IDC_RETRY_TIMEOUT), "3000");
    EXPECT_EQ(driver.text(dialog, IDC_MAX_ATTEMPTS), "7");
    EXPECT_EQ(driver.text(dialog, IDC_BUFFER_SIZE), "65536");
    EXPECT_EQ(driver.text(dialog, IDC_REFRESH_INTERVAL), "800");
    EXPECT_EQ(driver.text(dialog, IDC_DEST_FOLDER), "D:\\old");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESUME, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_AUTOSCROLL, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    for (int id : {IDC_RETRY_TIMEOUT, IDC_MAX_ATTEMPTS, IDC_BUFFER_SIZE, IDC_REFRESH_INTERVAL}) {
      EXPECT_EQ(SendDlgItemMessageA(dialog, id, EM_GETLIMITTEXT, 0, 0), 10) << id;
    }
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEST_FOLDER, EM_GETLIMITTEXT, 0, 0), 260);
    // Edits and ticks are lost on Cancel.
    driver.set_text(dialog, IDC_RETRY_TIMEOUT, "42");
    driver.set_text(dialog, IDC_DEST_FOLDER, "E:\\new");
    driver.click(dialog, IDC_AUTOSCROLL);
    driver.click(dialog, IDCANCEL);
    EXPECT_TRUE(driver.wait_closed(dialog));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(unchanged());
}

TEST_F(SettingsDialogTest, UpperBoundsAreAcceptedAndStored) {
  Fields fields;
  fields.retry = "10000";
  fields.attempts = "1000";
  fields.buffer = "1048576";
  fields.refresh = "5000";
  fields.folder = "E:\\copies";
  INT_PTR result = 0;
  const OkOutcome outcome = submit(fields, &result);
  EXPECT_TRUE(outcome.closed);
  EXPECT_FALSE(outcome.warned);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(copy_.retry_timeout, 10000);
  EXPECT_EQ(copy_.max_attempts, 1000);
  EXPECT_EQ(copy_.buffer_size, 1048576);
  EXPECT_EQ(dialog_.refresh_interval, 5000);
  EXPECT_STREQ(copy_.dest_folder, "E:\\copies");
  EXPECT_EQ(copy_.resume, 1);
  EXPECT_EQ(dialog_.autoscroll, 0);
}

TEST_F(SettingsDialogTest, EachFieldRefusesOutOfRangeAndNonNumbers) {
  struct Case {
    std::string Fields::*field;
    const char* name;
    const char* too_big;
  };
  const Case cases[] = {{&Fields::retry, "retry", "10001"},
                        {&Fields::attempts, "attempts", "1001"},
                        {&Fields::buffer, "buffer", "1048577"},
                        {&Fields::refresh, "refresh", "5001"}};
  for (const Case& c : cases) {
    for (const char* bad : {c.too_big, "0", "-5", "abc", ""}) {
      Fields fields;
      fields.*c.field = bad;
      expect_refused(fields, (std::string(c.name) + "=" + bad).c_str());
    }
  }
  Fields empty_folder;
  empty_folder.folder = "";
  expect_refused(empty_folder, "empty folder");
}

TEST_F(SettingsDialogTest, NumbersAreReadLikeStrtolFromAtMostTenCharacters) {
  Fields fields;
  fields.retry = "250\xEC\xF1";  // "250мс" in code page 1251
  fields.attempts = "  +12";
  fields.buffer = "00000000015";  // only "0000000001" is read
  fields.refresh = "1";
  INT_PTR result = 0;
  EXPECT_TRUE(submit(fields, &result).closed);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(copy_.retry_timeout, 250);
  EXPECT_EQ(copy_.max_attempts, 12);
  EXPECT_EQ(copy_.buffer_size, 1);
  EXPECT_EQ(dialog_.refresh_interval, 1);
}

TEST_F(SettingsDialogTest, FolderOfSpacesPassesAndTooLongAFolderIsRefused) {
  Fields spaces;
  spaces.folder = "   ";
  INT_PTR result = 0;
  EXPECT_TRUE(submit(spaces, &result).closed);
  EXPECT_STREQ(copy_.dest_folder, "   ");
  // The rest of the field is zero (it held D:\old), so the stored record
  // carries no old bytes.
  EXPECT_EQ(std::string(copy_.dest_folder + 3, kFolderCapacity - 3),
            std::string(kFolderCapacity - 3, '\0'));

  // 260 characters do not fit the record's 259: refused, never cut.
  saved_copy_ = copy_;
  saved_dialog_ = dialog_;
  Fields long_folder;
  long_folder.folder = "C:\\" + std::string(257, 'a');
  ASSERT_EQ(long_folder.folder.size(), 260u);
  OkOutcome outcome = submit(long_folder, &result);
  EXPECT_TRUE(outcome.warned);
  std::string refusal = table_text(IDS_PATH_TOO_LONG);
  refusal.replace(refusal.find("%s"), 2, long_folder.folder);
  EXPECT_EQ(outcome.box_text, refusal);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(unchanged());
}

TEST_F(SettingsDialogTest, JobsAlreadyQueuedKeepTheirSettings) {
  char exe[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, exe, MAX_PATH), 0u);
  char name[kFileNameCapacity];
  JobRow* row = create_job(exe, copy_, name);
  ASSERT_NE(row, nullptr);
  Fields fields;
  fields.buffer = "4096";
  fields.retry = "9";
  fields.folder = "F:\\later";
  INT_PTR result = 0;
  EXPECT_TRUE(submit(fields, &result).closed);
  EXPECT_EQ(copy_.buffer_size, 4096);
  EXPECT_EQ(row->job->param.buffer_size, 65536);
  EXPECT_EQ(row->job->param.retry_timeout, 3000);
  EXPECT_STREQ(row->job->param.dest_folder, "D:\\old");
  free_job_row(row);
}

TEST_F(SettingsDialogTest, TicksAreStored) {
  const INT_PTR result = run_settings([&](const DialogDriver& driver, HWND dialog) {
    driver.click(dialog, IDC_RESUME);
    driver.click(dialog, IDC_AUTOSCROLL);
    EXPECT_TRUE(press_ok(driver, dialog).closed);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(copy_.resume, 0);
  EXPECT_EQ(dialog_.autoscroll, 1);
}

TEST_F(SettingsDialogTest, SchemeChangesStayWhenSettingsAreCancelled) {
  const INT_PTR result = run_settings([&](const DialogDriver& driver, HWND dialog) {
    driver.click(dialog, IDC_COLOR_SCHEME);
    HWND scheme = driver.find_dialog(dialog);
    ASSERT_NE(scheme, nullptr);
    EXPECT_EQ(DialogDriver::title(scheme), table_text(IDS_COLORS_TITLE));
    // The text swatch of the list, as the chooser would leave it.
    SendDlgItemMessageA(scheme, IDC_SWATCH_FIRST, LVM_SETBKCOLOR, 0, 0x00ABCDEF);
    driver.click(scheme, IDOK);
    EXPECT_TRUE(driver.wait_closed(scheme));
    driver.click(dialog, IDCANCEL);
    EXPECT_TRUE(driver.wait_closed(dialog));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(list_.text_color, 0x00ABCDEFu);
  EXPECT_EQ(list_.back_color, 0x445566u);
  EXPECT_TRUE(unchanged());
}

TEST_F(SettingsDialogTest, BrowseCancelledKeepsTheFolder) {
  const INT_PTR result = run_settings([&](const DialogDriver& driver, HWND dialog) {
    driver.click(dialog, IDC_BROWSE);
    HWND chooser = driver.find_dialog(dialog);
    ASSERT_NE(chooser, nullptr);
    EXPECT_NE(DialogDriver::static_texts(chooser).find(table_text(IDS_BROWSE_FOLDER_TITLE)),
              std::string::npos);
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(driver.wait_closed(chooser));
    EXPECT_EQ(driver.text(dialog, IDC_DEST_FOLDER), "D:\\old");
    driver.click(dialog, IDCANCEL);
    EXPECT_TRUE(driver.wait_closed(dialog));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(unchanged());
}

}  // namespace
