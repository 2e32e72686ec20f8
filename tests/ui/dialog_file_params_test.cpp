// The file parameters dialog, driven from the real template 112.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "app/win32/state_icons.h"
#include "engine/copy_job.h"
#include "tests/ui/dialog_driver.h"
#include "tests/ui/ui_harness.h"
#include "ui/dialogs/file_params_dialog.h"

namespace {

class FileParamsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    load_state_icons(resource_module());
    job_.source_path = strdup("C:\\src\\movie.bin");
    job_.dest_path = strdup("D:\\dst\\movie.bin");
    job_.total_size = 1000;
    job_.param.buffer_size = 65536;
    job_.param.retry_timeout = 3000;
  }
  void TearDown() override {
    std::free(job_.source_path);
    std::free(job_.dest_path);
    destroy_state_icons();
  }

  INT_PTR run(const std::function<void(const DialogDriver&, HWND)>& script) {
    return run_dialog(IDD_FILE_PARAMS, file_params_dialog_proc, reinterpret_cast<LPARAM>(&job_),
                      script);
  }

  // Types the three fields and presses OK.
  OkOutcome submit(const std::string& dest, const std::string& buffer, const std::string& retry,
                   INT_PTR* result) {
    OkOutcome outcome;
    *result = run([&](const DialogDriver& driver, HWND dialog) {
      driver.set_text(dialog, IDC_DEST_PATH, dest);
      driver.set_text(dialog, IDC_FILE_BUFFER_SIZE, buffer);
      driver.set_text(dialog, IDC_FILE_RETRY_TIMEOUT, retry);
      outcome = press_ok(driver, dialog);
      if (outcome.warned) {
        EXPECT_EQ(driver.text(dialog, IDC_FILE_BUFFER_SIZE), buffer);
      }
    });
    return outcome;
  }

  bool job_unchanged() const {
    return std::strcmp(job_.dest_path, "D:\\dst\\movie.bin") == 0 &&
           job_.param.buffer_size == 65536 && job_.param.retry_timeout == 3000;
  }

  static std::string info_line(int64_t total, int64_t bytes, int64_t percent) {
    char total_text[kSizeTextCapacity];
    char bytes_text[kSizeTextCapacity];
    format_size(total, total_text);
    format_size(bytes, bytes_text);
    char* line = alloc_format(table_text(IDS_FILE_INFO).c_str(), total_text, total, bytes_text,
                              bytes, percent);
    std::string text = line;
    std::free(line);
    return text;
  }

  CopyJob job_;
};

TEST_F(FileParamsDialogTest, OpensWithTheJobAndItsTexts) {
  const INT_PTR result = run([&](const DialogDriver& driver, HWND dialog) {
    EXPECT_EQ(DialogDriver::title(dialog), table_text(IDS_FILE_PARAMS_TITLE));
    EXPECT_EQ(driver.text(dialog, IDC_SOURCE_LABEL), table_text(IDS_SOURCE_LABEL));
    EXPECT_EQ(driver.text(dialog, IDC_FILE_RETRY_TIMEOUT_LABEL),
              table_text(IDS_FILE_RETRY_TIMEOUT_LABEL));
    EXPECT_EQ(driver.text(dialog, IDOK), table_text(IDS_OK));
    EXPECT_EQ(driver.text(dialog, IDC_SOURCE_PATH), "C:\\src\\movie.bin");
    EXPECT_EQ(driver.text(dialog, IDC_DEST_PATH), "D:\\dst\\movie.bin");
    EXPECT_EQ(driver.text(dialog, IDC_FILE_BUFFER_SIZE), "65536");
    EXPECT_EQ(driver.text(dialog, IDC_FILE_RETRY_TIMEOUT), "3000");
    // A path of any depth: as long as the system takes one.
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEST_PATH, EM_GETLIMITTEXT, 0, 0), 32767);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_FILE_BUFFER_SIZE, EM_GETLIMITTEXT, 0, 0), 10);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_FILE_RETRY_TIMEOUT, EM_GETLIMITTEXT, 0, 0), 10);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(driver.text(dialog, IDC_FILE_INFO), info_line(1000, 0, 0));
    driver.click(dialog, IDCANCEL);
    EXPECT_TRUE(driver.wait_closed(dialog));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(job_unchanged());
}

TEST_F(FileParamsDialogTest, ControlsFollowTheStateAndProgress) {
  struct Case {
    int32_t state;
    int64_t bytes;
    int64_t total;
    bool dest, others;
    int64_t percent;
  };
  const Case cases[] = {
      {JOB_QUEUED, 0, 1000, true, true, 0},
      {JOB_QUEUED, 400, 1000, false, true, 40},
      {JOB_RUNNING, 400, 1000, false, false, 40},
      {JOB_ERROR, 999, 1000, false, false, 99},
      {JOB_COMPLETED, 1000, 1000, false, false, 100},
      {JOB_WAITING, 0, 1000, false, false, 0},
      {JOB_QUEUED, 0, 0, true, true, 0},
      {JOB_QUEUED, 1500, 1000, false, true, 150},
  };
  for (const Case& c : cases) {
    job_.state = c.state;
    job_.bytes_copied = c.bytes;
    job_.total_size = c.total;
    run([&](const DialogDriver& driver, HWND dialog) {
      const std::string what = "state " + std::to_string(c.state) + " bytes " +
                               std::to_string(c.bytes) + "/" + std::to_string(c.total);
      EXPECT_EQ(driver.enabled(dialog, IDC_DEST_PATH), c.dest) << what;
      EXPECT_EQ(driver.enabled(dialog, IDC_FILE_BUFFER_SIZE), c.others) << what;
      EXPECT_EQ(driver.enabled(dialog, IDC_FILE_RETRY_TIMEOUT), c.others) << what;
      EXPECT_EQ(driver.enabled(dialog, IDOK), c.others) << what;
      EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDC_SOURCE_PATH), GWL_STYLE) & ES_READONLY,
                ES_READONLY)
          << what;
      const LRESULT position = SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_GETPOS, 0, 0);
      EXPECT_EQ(position, c.percent > 100 ? 100 : c.percent) << what;
      EXPECT_EQ(driver.text(dialog, IDC_FILE_INFO), info_line(c.total, c.bytes, c.percent)) << what;
      const HICON icon = reinterpret_cast<HICON>(
          SendDlgItemMessageA(dialog, IDC_FILE_STATE_ICON, STM_GETICON, 0, 0));
      EXPECT_EQ(icon, state_icons[c.state]) << what;
      EXPECT_NE(icon, nullptr) << what;
    });
  }
}

TEST_F(FileParamsDialogTest, ValidInputIsStoredIntoTheJobOnly) {
  INT_PTR result = 0;
  const OkOutcome outcome = submit("E:\\elsewhere\\m.bin", "1048576", "10000", &result);
  EXPECT_TRUE(outcome.closed);
  EXPECT_EQ(result, IDOK);
  EXPECT_STREQ(job_.dest_path, "E:\\elsewhere\\m.bin");
  EXPECT_EQ(job_.param.buffer_size, 1048576);
  EXPECT_EQ(job_.param.retry_timeout, 10000);
  EXPECT_EQ(job_.state.load(), JOB_QUEUED);
  EXPECT_EQ(job_.bytes_copied.load(), 0);
}

TEST_F(FileParamsDialogTest, NumbersAreReadLikeStrtol) {
  INT_PTR result = 0;
  EXPECT_TRUE(submit("D:\\dst\\movie.bin", "12abc", " 64", &result).closed);
  EXPECT_EQ(job_.param.buffer_size, 12);
  EXPECT_EQ(job_.param.retry_timeout, 64);
}

TEST_F(FileParamsDialogTest, InvalidInputIsRefusedWithTheWarning) {
  struct Case {
    const char* dest;
    const char* buffer;
    const char* retry;
  };
  const Case cases[] = {
      {"D:\\x", "1048577", "3000"},
      {"D:\\x", "0", "3000"},
      {"D:\\x", "-1", "3000"},
      {"D:\\x", "", "3000"},
      {"D:\\x", "9999999999", "3000"},
      {"D:\\x", "4096", "10001"},
      {"D:\\x", "4096", "0"},
      {"D:\\x", "4096", "4294967296"},
      {"", "4096", "3000"},
      // A pasted line break or Ctrl+Enter: every open would fail with 123.
      {"D:\\x\r\ny", "4096", "3000"},
      {"D:\\x\ty", "4096", "3000"},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.dest) + "|" + c.buffer + "|" + c.retry;
    INT_PTR result = 0;
    const OkOutcome outcome = submit(c.dest, c.buffer, c.retry, &result);
    EXPECT_TRUE(outcome.warned) << what;
    EXPECT_EQ(outcome.box_text, table_text(IDS_INVALID_VALUE)) << what;
    EXPECT_EQ(outcome.box_caption, table_text(IDS_ERROR_CAPTION)) << what;
    EXPECT_EQ(result, IDCANCEL) << what;
    EXPECT_TRUE(job_unchanged()) << what;
  }
}

TEST_F(FileParamsDialogTest, PartlyCopiedJobKeepsItsPathAndTakesNewSettings) {
  job_.bytes_copied = 400;
  const INT_PTR result = run([&](const DialogDriver& driver, HWND dialog) {
    driver.set_text(dialog, IDC_FILE_BUFFER_SIZE, "4096");
    driver.set_text(dialog, IDC_FILE_RETRY_TIMEOUT, "250");
    EXPECT_TRUE(press_ok(driver, dialog).closed);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_STREQ(job_.dest_path, "D:\\dst\\movie.bin");
  EXPECT_EQ(job_.param.buffer_size, 4096);
  EXPECT_EQ(job_.param.retry_timeout, 250);
}

// OK is ignored without a word for a job that is not open to changes: the
// dialog stays, no box appears and the job keeps everything.
TEST_F(FileParamsDialogTest, OkDoesNothingUnlessTheJobIsQueuedAndUnstarted) {
  struct Case {
    const char* what;
    int32_t state;
    int64_t bytes;
    int64_t total;
    bool worker_started;
  };
  const Case cases[] = {
      {"running", JOB_RUNNING, 100, 1000, true},
      {"error", JOB_ERROR, 100, 1000, false},
      {"completed", JOB_COMPLETED, 1000, 1000, false},
      {"worker handed the queued job", JOB_QUEUED, 0, 1000, true},
      {"fully copied", JOB_QUEUED, 1000, 1000, false},
      {"empty file", JOB_QUEUED, 0, 0, false},
  };
  for (const Case& c : cases) {
    job_.state = c.state;
    job_.bytes_copied = c.bytes;
    job_.total_size = c.total;
    job_.worker_started = c.worker_started;
    const INT_PTR result = run([&](const DialogDriver& driver, HWND dialog) {
      driver.set_text(dialog, IDC_DEST_PATH, "E:\\other");
      driver.set_text(dialog, IDC_FILE_BUFFER_SIZE, "4096");
      driver.command(dialog, IDOK);
      driver.settle();
      EXPECT_TRUE(IsWindow(dialog)) << c.what;
      EXPECT_EQ(driver.owned_dialog(dialog), nullptr) << c.what;
      driver.click(dialog, IDCANCEL);
      EXPECT_TRUE(driver.wait_closed(dialog)) << c.what;
    });
    EXPECT_EQ(result, IDCANCEL) << c.what;
    EXPECT_TRUE(job_unchanged()) << c.what;
  }
}

TEST_F(FileParamsDialogTest, FollowsACopyAndStopsRefreshingWhenItIsDone) {
  run([&](const DialogDriver& driver, HWND dialog) {
    // A worker takes the job and copies a quarter of it.
    job_.worker_started = true;
    job_.state = JOB_RUNNING;
    job_.bytes_copied = 250;
    EXPECT_TRUE(driver.wait_until([&] {
      return SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_GETPOS, 0, 0) == 25 &&
             !driver.enabled(dialog, IDOK);
    }));
    EXPECT_FALSE(driver.enabled(dialog, IDC_FILE_BUFFER_SIZE));
    EXPECT_EQ(driver.text(dialog, IDC_FILE_INFO), info_line(1000, 250, 25));
    // The copy reaches the end around two unreadable blocks: they are
    // listed, not counted as loaded, and the dialog goes on following.
    HoleMap holes;
    write_holes(&holes, {{100, 50, 512, 0}, {600, 20, 512, 0}});
    job_.holes.store(&holes);
    job_.bytes_copied = 1000;
    EXPECT_TRUE(driver.wait_until([&] {
      return driver.text(dialog, IDC_FILE_HOLES) ==
             ansi(
                 "Не прочитано 70.0 байт в 2 пропусках:\r\nс байта 100: 50.0 байт\r\n"
                 "с байта 600: 20.0 байт");
    })) << driver.text(dialog, IDC_FILE_HOLES);
    EXPECT_EQ(driver.text(dialog, IDC_FILE_INFO), info_line(1000, 930, 93));
    // The holes are read at last and the copy completes: the last refresh
    // shows it, and the timer is gone.
    write_holes(&holes, {});
    job_.state = JOB_COMPLETED;
    EXPECT_TRUE(driver.wait_until(
        [&] { return driver.text(dialog, IDC_FILE_INFO) == info_line(1000, 1000, 100); }));
    driver.settle();
    BOOL killed = TRUE;
    driver.on_ui_thread([&] { killed = KillTimer(dialog, IDT_FILE_PARAMS); });
    EXPECT_FALSE(killed) << "the refresh timer should have stopped at completion";
    EXPECT_EQ(driver.text(dialog, IDC_FILE_HOLES), "");
    job_.holes.store(nullptr);
  });
}

TEST_F(FileParamsDialogTest, EmptyFileStopsTheTimerAtTheFirstTick) {
  job_.total_size = 0;
  run([&](const DialogDriver& driver, HWND dialog) {
    // Nothing is left to copy, so the first tick stops the timer for good.
    SendMessageA(dialog, WM_TIMER, IDT_FILE_PARAMS, 0);
    BOOL killed = TRUE;
    driver.on_ui_thread([&] { killed = KillTimer(dialog, IDT_FILE_PARAMS); });
    EXPECT_FALSE(killed);
    EXPECT_EQ(driver.text(dialog, IDC_FILE_INFO), info_line(0, 0, 0));
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_GETPOS, 0, 0), 0);
  });
}

TEST_F(FileParamsDialogTest, RunningCopyKeepsTheTimerAndOtherTimersAreIgnored) {
  job_.bytes_copied = 10;
  run([&](const DialogDriver& driver, HWND dialog) {
    SendMessageA(dialog, WM_TIMER, IDT_FILE_PARAMS, 0);
    // Another timer's tick, the job now complete: taken for the refresh, it
    // would show the new bytes and stop the dialog's timer.
    job_.bytes_copied = job_.total_size.load();
    SendMessageA(dialog, WM_TIMER, 999, 0);
    EXPECT_EQ(driver.text(dialog, IDC_FILE_INFO), info_line(1000, 10, 1));
    BOOL killed = FALSE;
    driver.on_ui_thread([&] { killed = KillTimer(dialog, IDT_FILE_PARAMS); });
    EXPECT_TRUE(killed);
  });
}

}  // namespace
