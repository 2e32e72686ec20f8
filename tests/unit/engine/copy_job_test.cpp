#include "engine/copy_job.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/config_file.h"
#include "engine/dest_paths.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/unit/support/test_jobs.h"

namespace {

std::string dest_path_of(const char* source, const char* folder) {
  char* path = make_dest_path(source, folder);
  std::string result = path ? path : "(null)";
  std::free(path);
  return result;
}

TEST(MakeDestPath, JoinsFolderAndFileNameWithOneBackslash) {
  EXPECT_EQ(dest_path_of("C:\\data\\film.avi", "D:\\out"), "D:\\out\\film.avi");
  EXPECT_EQ(dest_path_of("C:\\data\\film.avi", "D:\\out\\"), "D:\\out\\film.avi");
  EXPECT_EQ(dest_path_of("C:\\data\\film.avi", ""), "film.avi");
  // Only the backslash separates folders.
  EXPECT_EQ(dest_path_of("C:\\a/b\\c/d.txt", "E:"), "E:\\c/d.txt");
  // Without any backslash the whole path is the file name.
  EXPECT_EQ(dest_path_of("plain.txt", "D:\\out"), "D:\\out\\plain.txt");
}

// One destination, one source, and no source overwritten: a second file of
// the same name from another folder is refused, so is a destination that a
// queued row reads (its own source too) and a source that a row writes.
TEST(DestPaths, OneDestinationTakesOneSourceAndNoSourceIsOverwritten) {
  DestPaths paths;
  EXPECT_TRUE(claim_dest(&paths, "/src/a/x.bin", "/out/x.bin"));
  EXPECT_TRUE(source_queued(paths, "/src/a/x.bin"));
  EXPECT_FALSE(source_queued(paths, "/src/b/x.bin"));
  EXPECT_TRUE(claim_dest(&paths, "/src/a/x.bin", "/out/x.bin")) << "the same source again";
  EXPECT_FALSE(claim_dest(&paths, "/src/b/x.bin", "/out/x.bin")) << "a second source";
  EXPECT_FALSE(claim_dest(&paths, "/src/c/y.bin", "/src/a/x.bin")) << "over a queued source";
  EXPECT_FALSE(claim_dest(&paths, "/out/x.bin", "/out/copy/x.bin")) << "a row's destination";
  EXPECT_FALSE(claim_dest(&paths, "/src/z.bin", "/src/z.bin")) << "a file onto itself";
  EXPECT_TRUE(claim_dest(&paths, "/src/b/y.bin", "/out/y.bin"));
}

TEST(StateName, KnownStatesAndUnknown) {
  const char* names[] = {"В очереди", "Выполняется", "Ошибка", "Завершено", "Ожидание"};
  char text[kStateNameCapacity];
  for (int state = JOB_QUEUED; state <= JOB_WAITING; ++state) {
    state_name(state, text);
    EXPECT_STREQ(text, names[state]) << state;
  }
  for (int state : {5, -1, 1000}) {
    state_name(state, text);
    EXPECT_STREQ(text, "Неизвестно") << state;
  }
}

// On POSIX the backslash is an ordinary character, so "src\film.avi" is a
// file in the temporary folder and make_dest_path still splits at it.
class CreateJob : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = test_copy_param(4096, 7);
    settings_.retry_timeout = 333;
    std::string folder = dir_.path("out");
    std::snprintf(settings_.dest_folder, kFolderCapacity, "%s", folder.c_str());
    source_ = dir_.path("src\\film.avi");
  }
  JobRowPtr create(const std::string& source) {
    file_name_[0] = '\0';
    return JobRowPtr(create_job(source.c_str(), settings_, file_name_));
  }

  TempDir dir_;
  CopyParam settings_;
  std::string source_;
  char file_name_[kFileNameCapacity];
};

TEST_F(CreateJob, MakesQueuedJobWithItsOwnSettings) {
  dir_.write("src\\film.avi", pattern_bytes(1000));
  JobRowPtr row = create(source_);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->worker_thread.load(), nullptr);
  EXPECT_EQ(row->sample_bytes, -1);
  EXPECT_EQ(row->shown_state, -1);
  CopyJob* job = row->job;
  ASSERT_NE(job, nullptr);
  EXPECT_STREQ(job->source_path, source_.c_str());
  EXPECT_NE(job->source_path, source_.c_str());
  EXPECT_EQ(std::string(job->dest_path), dir_.path("out") + "\\film.avi");
  EXPECT_EQ(job->total_size, 1000);
  EXPECT_EQ(job->bytes_copied.load(), 0);
  EXPECT_EQ(job->state.load(), JOB_QUEUED);
  EXPECT_EQ(job->step.load(), 0);
  EXPECT_EQ(job->last_error.load(), 0u);
  EXPECT_FALSE(job->worker_started.load());
  EXPECT_EQ(job->param.buffer_size, 4096);
  EXPECT_EQ(job->param.retry_timeout, 333);
  EXPECT_EQ(job->param.max_attempts, 7);
  EXPECT_STREQ(job->param.dest_folder, settings_.dest_folder);
  EXPECT_STREQ(file_name_, "src\\film.avi");  // the bare name as POSIX sees it
}

TEST_F(CreateJob, ResumeTakesTheDestinationSizeWhenNoLargerThanTheSource) {
  dir_.write("src\\film.avi", pattern_bytes(1000));
  // A destination found here is only trusted after the worker has compared
  // it with the source: even a complete one stays queued. One that does not
  // carry the source's time (3 s off: more than any file system rounds) is
  // another version of the file, written afresh.
  struct Case {
    int dest_size;  // -1: no destination
    bool resume;
    int time_off;  // seconds between the destination's time and the source's
    int64_t bytes_copied;
    bool check;
    bool stale;
  } cases[] = {
      {-1, true, 0, 0, false, false},     {400, true, 0, 400, true, false},
      {1000, true, 0, 1000, true, false}, {1001, true, 0, 0, false, false},
      {400, false, 0, 0, false, false},   {1000, false, 0, 0, false, false},
      {400, true, 3, 0, false, true},     {1000, true, -3, 0, false, true},
  };
  for (const Case& c : cases) {
    dir_.remove("out\\film.avi");
    if (c.dest_size >= 0) {
      dir_.write("out\\film.avi", std::string(c.dest_size, 'x'));
      dir_.copy_time("src\\film.avi", "out\\film.avi", c.time_off);
    }
    settings_.resume = c.resume;
    JobRowPtr row = create(source_);
    ASSERT_TRUE(row) << c.dest_size;
    const std::string at = std::to_string(c.dest_size) + " " + std::to_string(c.time_off);
    EXPECT_EQ(row->job->bytes_copied.load(), c.bytes_copied) << at << " " << c.resume;
    EXPECT_EQ(row->job->state.load(), JOB_QUEUED) << at;
    EXPECT_EQ(row->job->check_dest.load(), c.check) << at << " " << c.resume;
    EXPECT_EQ(row->job->stale_dest.load(), c.stale) << at << " " << c.resume;
  }
}

// A copy on FAT keeps its time in 2 s, on exFAT in 10 ms; rounded either way
// it is still the source's. Anything else is another version.
TEST(SameWriteTime, TakesTheDestinationsResolutionIntoAccount) {
  const int64_t second = 10000000;
  const int64_t source = 132000000000000000 + 3 * second + 4567891;  // odd second
  EXPECT_TRUE(same_write_time(source, source));
  EXPECT_TRUE(same_write_time(source, source - 4567891 - second));  // FAT, down
  EXPECT_TRUE(same_write_time(source, source - 4567891 + second));  // FAT, up
  EXPECT_TRUE(same_write_time(source, source - 67891));             // 10 ms
  EXPECT_FALSE(same_write_time(source, source + 1));
  EXPECT_FALSE(same_write_time(source, source - 4567891 - 3 * second));
  EXPECT_FALSE(same_write_time(source, source - 4567891 + 3 * second));
}

// A destination folder typed as a relative path is the program's own
// folder's, never the current folder, which the open dialog moves.
TEST_F(CreateJob, ARelativeFolderLiesInTheProgramsFolder) {
  dir_.write("src\\film.avi", pattern_bytes(10));
  std::snprintf(settings_.dest_folder, kFolderCapacity, "%s", "backup");
  char program[kConfigPathCapacity] = "";
  exe_dir_path(program, nullptr);
  ASSERT_NE(program[0], '\0');
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  JobRowPtr row = create(source_);
  std::filesystem::current_path(before);
  ASSERT_TRUE(row);
  EXPECT_EQ(std::string(row->job->dest_path), std::string(program) + "backup\\film.avi");
}

TEST_F(CreateJob, EmptySourceAndFolderDestinationAreNotResumed) {
  dir_.write("src\\film.avi", "");
  dir_.write("out\\film.avi", "");
  JobRowPtr empty = create(source_);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->job->total_size, 0);
  EXPECT_EQ(empty->job->bytes_copied.load(), 0);
  EXPECT_EQ(empty->job->state.load(), JOB_QUEUED);

  dir_.write("src\\film.avi", pattern_bytes(10));
  dir_.remove("out\\film.avi");
  dir_.make_folder("out\\film.avi");
  JobRowPtr folder = create(source_);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->job->bytes_copied.load(), 0);
  EXPECT_EQ(folder->job->state.load(), JOB_QUEUED);
}

TEST_F(CreateJob, MissingOrFolderSourceMakesNothing) {
  EXPECT_FALSE(create(dir_.path("absent.bin")));
  dir_.make_folder("folder");
  EXPECT_FALSE(create(dir_.path("folder")));
  platform::PathInfo info;
  EXPECT_FALSE(find_regular_file(dir_.path("folder").c_str(), &info));
  dir_.write("file", "abc");
  ASSERT_TRUE(find_regular_file(dir_.path("file").c_str(), &info));
  EXPECT_EQ(info.size, 3);
  free_job_row(nullptr);  // nothing to free, no crash
}

}  // namespace
