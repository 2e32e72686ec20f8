// The refresh tick: row states, bytes and speed, totals in the status line
// and the progress bar, and the running file in the caption.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text_format.h"
#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "platform/platform.h"
#include "ui/main/file_list.h"
#include "ui/main/list_refresh.h"
#include "ui/main/taskbar_progress.h"
#include "ui_harness.h"

namespace {

std::string caption_name(const char* path, size_t capacity = 128) {
  char name[128];
  caption_file_name(path, name, capacity);
  return name;
}

TEST(RefreshArithmetic, PercentageElapsedTimeSpeedAndCaptionName) {
  EXPECT_EQ(75, percentage(150, 200));
  EXPECT_EQ(33, percentage(1, 3));
  EXPECT_EQ(0, percentage(50, 0));
  EXPECT_EQ(-5, percentage(-5, 100));
  EXPECT_EQ(0, percentage(0, -1));
  EXPECT_EQ(90, percentage(9000000000, 10000000000));  // beyond 32 bits

  // Whole seconds only.
  EXPECT_EQ(0, elapsed_ms_at(100, 1099, 1000));
  EXPECT_EQ(1000, elapsed_ms_at(100, 1100, 1000));
  EXPECT_EQ(1000, elapsed_ms_at(0, 1999, 1000));
  EXPECT_EQ(2000, elapsed_ms_at(0, 20000000, 10000000));
  EXPECT_EQ(0, elapsed_ms_at(0, 5000, 0));

  EXPECT_EQ(500, speed_per_second(1000, 2000));
  EXPECT_EQ(0, speed_per_second(1000, 0));
  EXPECT_EQ(-50, speed_per_second(-50, 1000));

  EXPECT_EQ("README", caption_name("C:\\data\\README"));
  EXPECT_EQ("archive.tar", caption_name("C:\\data\\archive.tar.gz"));
  EXPECT_EQ("notes", caption_name("C:/data/notes.txt"));
  EXPECT_EQ("notes", caption_name("C:notes.txt"));
  EXPECT_EQ("", caption_name("C:\\data\\.profile"));
  EXPECT_EQ("file", caption_name("C:\\dir.d\\file"));
  EXPECT_EQ("abcd", caption_name("C:\\abcdefgh.txt", 5));
}

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = make_temp_folder();
    default_settings(&settings_, make_temp_folder());
  }
  JobRow* add(MainWindowRun* run, const std::string& name, int64_t size) {
    write_file(folder_ + "\\" + name, size);
    return run->add_job(folder_ + "\\" + name);
  }
  std::string folder_;
  Settings settings_;
};

TEST_F(RefreshTest, TotalsOfTheQueueInStatusLineAndBar) {
  MainWindowRun run(&settings_);
  HWND list = run.item(IDC_FILE_LIST);
  run.tick();
  EXPECT_EQ("", window_text(run.item(IDC_STATUS)));
  EXPECT_EQ(0, SendMessageA(run.item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
  EXPECT_EQ("Tarvolin", window_text(run.window()));

  // Empty files alone leave both empty.
  add(&run, "empty.bin", 0);
  run.tick();
  EXPECT_EQ("", window_text(run.item(IDC_STATUS)));

  JobRow* done = add(&run, "done.bin", 100);
  JobRow* half = add(&run, "half.bin", 100);
  ASSERT_TRUE(done != nullptr && half != nullptr);
  done->job->bytes_copied = 100;
  done->job->state = JOB_COMPLETED;
  half->job->bytes_copied = 50;
  run.tick();
  EXPECT_EQ(ansi("150.0 байт из 200.0 байт (75%)"), window_text(run.item(IDC_STATUS)));
  EXPECT_EQ(75, SendMessageA(run.item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
  EXPECT_EQ("Tarvolin", window_text(run.window()));
  EXPECT_EQ(ansi("Завершено"), cell_text(list, 1, 4));
  EXPECT_EQ(ansi("100.0 байт (100%)"), cell_text(list, 1, 3));
  EXPECT_EQ(ansi("50.0 байт (50%)"), cell_text(list, 2, 3));
  EXPECT_EQ("", cell_text(list, 0, 3));

  // A copy that reached its end around an unreadable block: the bytes in the
  // hole are not loaded, and the row says how many are missing. A source
  // saved anew at another size shows its new size.
  half->job->bytes_copied = 100;
  HoleMap* holes = new HoleMap;
  write_holes(holes, {{10, 20, 512, 0}});
  half->job->holes.store(holes);
  done->job->total_size = 120;
  run.tick();
  EXPECT_EQ(ansi("80.0 байт (80%), не прочитано 20.0 байт"), cell_text(list, 2, 3));
  EXPECT_EQ(ansi("120.0 байт"), cell_text(list, 1, 2));
  EXPECT_EQ(ansi("180.0 байт из 220.0 байт (81%)"), window_text(run.item(IDC_STATUS)));
}

TEST_F(RefreshTest, RowsFollowTheirJobsAndTheCaptionNamesTheLastRunningRow) {
  MainWindowRun run(&settings_);
  HWND list = run.item(IDC_FILE_LIST);
  JobRow* first = add(&run, "first.dat", 400);
  JobRow* archive = add(&run, "archive.tar.gz", 1000);
  ASSERT_TRUE(first != nullptr && archive != nullptr);

  // A new row's state is put in at the first tick even when unchanged.
  run.run([&] { set_cell_text(list, "", 0, 4); });
  run.tick();
  EXPECT_EQ(ansi("В очереди"), cell_text(list, 0, 4));
  EXPECT_EQ(state_image(JOB_QUEUED), row_image(list, 0));

  first->job->state = JOB_RUNNING;
  first->job->bytes_copied = 100;
  run.tick();
  EXPECT_EQ("(25%) - first - Tarvolin", window_text(run.window()));
  EXPECT_EQ(ansi("Выполняется"), cell_text(list, 0, 4));
  EXPECT_EQ(state_image(JOB_RUNNING), row_image(list, 0));
  const std::string speed = cell_text(list, 0, 5);
  EXPECT_EQ("/sec", speed.substr(speed.size() - 4)) << speed;

  archive->job->state = JOB_RUNNING;
  archive->job->bytes_copied = 500;
  run.tick();
  EXPECT_EQ("(50%) - archive.tar - Tarvolin", window_text(run.window()));

  // Unchanged bytes: no new bytes text, zero speed.
  run.tick();
  EXPECT_EQ(ansi("0.0 байт/sec"), cell_text(list, 1, 5));
  // 400 bytes in the two seconds since the row's last sample.
  run.run([&] { archive->sample_time -= 2 * platform::counter_frequency(); });
  archive->job->bytes_copied = 900;
  run.tick();
  EXPECT_EQ(ansi("200.0 байт/sec"), cell_text(list, 1, 5));

  first->job->state = JOB_COMPLETED;
  first->job->bytes_copied = 400;
  archive->job->state = JOB_ERROR;
  run.tick();
  EXPECT_EQ("Tarvolin", window_text(run.window()));
  EXPECT_EQ(ansi("Завершено"), cell_text(list, 0, 4));
  EXPECT_EQ("", cell_text(list, 0, 5));
  EXPECT_EQ("", cell_text(list, 1, 5));
  EXPECT_EQ(ansi("Ошибка"), cell_text(list, 1, 4));
  EXPECT_EQ(state_image(JOB_COMPLETED), row_image(list, 0));

  // Bytes that fall back to 0 keep the last "loaded" text.
  archive->job->bytes_copied = 0;
  run.tick();
  EXPECT_EQ(ansi("900.0 байт (90%)"), cell_text(list, 1, 3));
}

// The taskbar button shows the queue's progress while it runs, its error
// while the running job is in error, and nothing once it has stopped.
TEST_F(RefreshTest, TaskbarButtonFollowsTheQueue) {
  static std::vector<std::string> seen;
  seen.clear();
  static const TaskbarCalls recorder = {
      [](HWND, TaskbarState state) { seen.push_back("state " + std::to_string(state)); },
      [](HWND, int64_t percent) { seen.push_back("value " + std::to_string(percent)); }};
  set_taskbar_calls(&recorder);
  const std::string source = folder_ + "\\long.bin";
  make_long_source(source);
  settings_.copy.buffer_size = 64;
  settings_.copy.retry_timeout = 600000;
  {
    MainWindowRun run(&settings_);
    JobRow* record = run.add_job(source);
    ASSERT_NE(record, nullptr);
    run.tick();
    run.command(IDC_START);
    ASSERT_TRUE(wait_until([&] { return record->job->bytes_copied.load() > 0; }));
    run.tick();
    run.command(IDC_STOP);
    ASSERT_TRUE(wait_until([&] { return IsWindowEnabled(run.item(IDC_START)) != FALSE; }));
    run.tick();
    // The source gone: the job fails and pauses between attempts.
    ASSERT_TRUE(DeleteFileA(source.c_str()));
    run.command(IDC_START);
    ASSERT_TRUE(wait_until([&] { return record->job->step.load() == STEP_WAIT; }));
    run.tick();
  }
  set_taskbar_calls(nullptr);
  EXPECT_EQ((std::vector<std::string>{"state 1", "value 0", "state 0", "state 2"}), seen);
}

}  // namespace
