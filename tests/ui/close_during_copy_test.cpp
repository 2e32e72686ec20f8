// Closing the window while a file is being copied: the question, No keeps
// the copy going, Yes stops it and the window closes without a hang.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/copy_job.h"
#include "ui_harness.h"

namespace {

constexpr int kRounds = 50;

std::string read_prefix(const std::string& path, size_t size) {
  std::string content(size, '\0');
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return "";
  content.resize(fread(&content[0], 1, size, file));
  fclose(file);
  return content;
}

class CloseDuringCopyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    source_folder_ = new std::string(make_temp_folder());
    make_long_source(*source_folder_ + "\\big.bin");
  }
  static void TearDownTestSuite() {
    DeleteFileA((*source_folder_ + "\\big.bin").c_str());
    delete source_folder_;
  }
  void SetUp() override {
    out_ = make_temp_folder();
    default_settings(&settings_, out_);
    // Tiny blocks keep the worker busy; each round starts the file afresh.
    settings_.copy.buffer_size = 64;
    settings_.copy.resume = 0;
  }
  static std::string* source_folder_;
  std::string out_;
  Settings settings_;
};

std::string* CloseDuringCopyTest::source_folder_ = nullptr;

// Starts the queue and waits until its worker is copying.
JobRow* start_copying(MainWindowRun* run, const std::string& source) {
  JobRow* record = run->add_job(source);
  if (record == nullptr) return nullptr;
  run->command(IDC_START);
  const bool copying = wait_until([&] {
    return record->worker_thread.load() != nullptr && record->job->bytes_copied.load() > 0;
  });
  return copying ? record : nullptr;
}

// Asks to close; returns the question box.
HWND ask_to_close(MainWindowRun* run) {
  run->post_command(IDCANCEL);
  return wait_owned_window(run->window(), "#32770");
}

TEST_F(CloseDuringCopyTest, NoKeepsCopyingYesClosesWithoutHang) {
  const std::string source = *source_folder_ + "\\big.bin";
  const std::string question = ansi("В данный момент идет копирование файла. Остановить?");
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    MainWindowRun run(&settings_);
    JobRow* record = start_copying(&run, source);
    ASSERT_NE(record, nullptr);

    HWND box = ask_to_close(&run);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ("?", window_text(box));
    EXPECT_EQ(question + "\n", static_texts(box));
    if (round % 10 == 0) {
      click(box, IDNO);
      ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
      const int64_t seen = record->job->bytes_copied.load();
      EXPECT_TRUE(wait_until([&] { return record->job->bytes_copied.load() > seen; }))
          << seen << " state " << record->job->state.load() << " step " << record->job->step.load();
      EXPECT_TRUE(IsWindowVisible(run.window()));
      box = ask_to_close(&run);
      ASSERT_NE(box, nullptr);
    }
    click(box, IDYES);
    ASSERT_TRUE(run.wait_closed()) << "the window hangs while closing";

    // The destination holds a true beginning of the source.
    const std::string copied = read_file(out_ + "\\big.bin");
    EXPECT_GT(copied.size(), 0u);
    EXPECT_LT(static_cast<int64_t>(copied.size()), kLongSourceSize);
    EXPECT_TRUE(read_prefix(source, copied.size()) == copied);
    DeleteFileA((out_ + "\\big.bin").c_str());
  }
}

// Closing right after Start meets the controller and the worker at any
// moment: taking a row, starting a worker, logging a line.
TEST_F(CloseDuringCopyTest, CloseRightAfterStartNeverHangs) {
  const std::string source = *source_folder_ + "\\big.bin";
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    MainWindowRun run(&settings_);
    ASSERT_NE(run.add_job(source), nullptr);
    ASSERT_NE(run.add_job(source), nullptr);
    run.command(IDC_START);
    if (round % 2 == 1) Sleep(round % 7);
    ASSERT_TRUE(run.close()) << "the window hangs while closing";
    DeleteFileA((out_ + "\\big.bin").c_str());
  }
}

TEST_F(CloseDuringCopyTest, NoQuestionWithoutARunningWorker) {
  write_file(out_ + "\\..\\done.bin", 10);
  MainWindowRun run(&settings_);
  JobRow* record = run.add_job(out_ + "\\..\\done.bin");
  ASSERT_NE(record, nullptr);
  run.post_command(IDCANCEL);
  EXPECT_TRUE(run.wait_closed());
}

}  // namespace
