// The worker with a file layer that fails on an exact schedule.
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "engine/file_ops.h"
#include "tests/unit/engine/worker_fixture.h"
#include "tests/unit/support/fault_file_ops.h"

namespace {

constexpr uint32_t kIoError = 5;

class FaultTest : public WorkerTest {
 protected:
  FaultFileOps ops_;
};

TEST_F(FaultTest, ReadFailureMidFileResumesFromTheLastBlockWritten) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  ops_.rule = FaultFileOps::fail_nth(FaultOp::kRead, 4, kIoError);
  int64_t resumed_at = -1;
  CopyJob* job = nullptr;
  ops_.before = [&](FaultOp op, int call) {
    if (op == FaultOp::kOpenSource && call == 2) resumed_at = job->bytes_copied.load();
  };
  JobRowPtr row = job_for("src", "dst", 1000);
  job = row->job;
  job->param.retry_timeout = 250;
  run_worker(row.get());
  EXPECT_EQ(resumed_at, 300);
  EXPECT_EQ(dir_.read("dst"), data);
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(job->last_error.load(), kIoError);  // kept from the failure
  EXPECT_EQ(ops_.sleeps(), std::vector<uint32_t>{250});
  EXPECT_EQ(ops_.calls(FaultOp::kOpenDest), 2);
  EXPECT_EQ(ops_.calls(FaultOp::kFlush), 2);  // the 300 bytes kept, then the end
  EXPECT_EQ(ops_.calls(FaultOp::kSeek), 4);
  EXPECT_EQ(ops_.calls(FaultOp::kAllocate), 1);
}

// A drive pulled or a share dropped before the written bytes reached it: the
// destination keeps its size, but its last block is gone. Either the write
// fails, or a read fails and the flush that keeps the written bytes fails.
TEST_F(FaultTest, ABlockLostBeforeItReachedTheDeviceIsCopiedAgain) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  for (FaultOp failed : {FaultOp::kWrite, FaultOp::kRead}) {
    FaultFileOps ops;
    ops.rule = [failed](FaultOp op, int call) -> uint32_t {
      if (op == failed && call == 5) return kIoError;
      return op == FaultOp::kFlush && call == 1 && failed == FaultOp::kRead ? kIoError : 0;
    };
    ops.before = [&](FaultOp op, int call) {
      if (op == FaultOp::kOpenSource && call == 2)
        dir_.write("dst", data.substr(0, 300) + std::string(100, '\0'));
    };
    JobRowPtr row = job_for("src", "dst", 1000);
    run_worker(row.get());
    EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
    EXPECT_EQ(dir_.read("dst"), data) << (failed == FaultOp::kRead ? "read" : "write");
  }
}

// Every read fails, and once the attempts are used up the source is gone
// (a stick pulled): the run ends after exactly max_attempts attempts and the
// look for the source, with no hole made.
TEST_F(FaultTest, AttemptsWithoutProgressAreCountedExactly) {
  dir_.write("src", pattern_bytes(1000));
  for (int max_attempts : {1, 5}) {
    FaultFileOps ops;
    ops.rule = [max_attempts](FaultOp op, int call) {
      const bool gone = op == FaultOp::kOpenSource && call > max_attempts;
      return op == FaultOp::kRead || gone ? kIoError : 0u;
    };
    JobRowPtr row = job_for("src", "dst", 1000, 0, test_copy_param(100, max_attempts));
    run_worker(row.get());
    EXPECT_EQ(ops.calls(FaultOp::kRead), max_attempts);
    EXPECT_EQ(ops.calls(FaultOp::kOpenSource), max_attempts + 1);
    // The pause follows the last attempt too.
    EXPECT_EQ(ops.sleeps().size(), static_cast<size_t>(max_attempts));
    EXPECT_EQ(row->job->state.load(), JOB_ERROR);
    EXPECT_EQ(row->job->step.load(), STEP_DONE);
    EXPECT_EQ(row->job->holes.load(), nullptr);
  }
}

TEST_F(FaultTest, BlockWrittenResetsTheCount) {
  // Reads 1-4 fail (4 attempts), read 5 writes a block (count back to 0),
  // read 6 fails (count 1), reads 7-10 fail (count 2 to 5): 9 attempts; then
  // the source is gone.
  dir_.write("src", pattern_bytes(1000));
  ops_.rule = [](FaultOp op, int call) {
    if (op == FaultOp::kOpenSource) return call >= 10 ? kIoError : 0u;
    return op == FaultOp::kRead && call != 5 ? kIoError : 0u;
  };
  JobRowPtr row = job_for("src", "dst", 1000, 0, test_copy_param(100, 5));
  run_worker(row.get());
  EXPECT_EQ(ops_.calls(FaultOp::kOpenSource), 10);
  EXPECT_EQ(ops_.calls(FaultOp::kRead), 10);
  EXPECT_EQ(row->job->bytes_copied.load(), 100);
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(dir_.read("dst"), pattern_bytes(1000).substr(0, 100));
}

TEST_F(FaultTest, NoAttemptWhenMaxAttemptsIsNotPositive) {
  dir_.write("src", pattern_bytes(100));
  for (int max_attempts : {0, -3}) {
    JobRowPtr row = job_for("src", "dst", 100, 0, test_copy_param(100, max_attempts));
    row->job->state = JOB_ERROR;
    run_worker(row.get());
    EXPECT_EQ(row->job->state.load(), JOB_ERROR);
    EXPECT_EQ(row->job->step.load(), STEP_DONE);
  }
  EXPECT_EQ(ops_.calls(FaultOp::kOpenSource), 0);
  EXPECT_FALSE(dir_.exists("dst"));
  EXPECT_EQ(log_texts(),
            (std::vector<std::string>{" Запуск копирования", " Копирование завершено", "",
                                      " Запуск копирования", " Копирование завершено", ""}));
}

TEST_F(FaultTest, StopWhileCopyingWritesTheCurrentBlockAndQueuesTheJob) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  ops_.before = [](FaultOp op, int call) {
    if (op == FaultOp::kRead && call == 3) run_flags.run = false;
  };
  JobRowPtr row = job_for("src", "dst", 1000);
  run_worker(row.get());
  EXPECT_EQ(row->job->bytes_copied.load(), 300);
  EXPECT_EQ(dir_.read("dst"), data.substr(0, 300));
  EXPECT_EQ(row->job->state.load(), JOB_QUEUED);
  EXPECT_EQ(row->job->step.load(), STEP_DONE);
  EXPECT_TRUE(ops_.sleeps().empty());
  EXPECT_EQ(ops_.calls(FaultOp::kRead), 3);
  std::vector<std::string> log = log_texts();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], " Копирование завершено");
  EXPECT_EQ(log.back(), "");
}

TEST_F(FaultTest, StopDuringThePauseLetsItRunOutAndKeepsTheError) {
  dir_.write("src", pattern_bytes(1000));
  ops_.rule = FaultFileOps::fail_every(FaultOp::kRead, kIoError);
  ops_.on_sleep = [](uint32_t) { run_flags.run = false; };
  JobRowPtr row = job_for("src", "dst", 1000);
  row->job->param.retry_timeout = 4000;
  run_worker(row.get());
  EXPECT_EQ(ops_.sleeps(), std::vector<uint32_t>{4000});
  EXPECT_EQ(ops_.calls(FaultOp::kOpenSource), 1);
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(row->job->step.load(), STEP_DONE);
}

TEST_F(FaultTest, VanishedDestinationFailsAtItsOpenRunAfterRun) {
  dir_.write("src", pattern_bytes(1000));
  JobRowPtr row = job_for("src", "dst", 1000, 400, test_copy_param(100, 2));
  for (int run = 1; run <= 2; ++run) {
    run_worker(row.get());
    EXPECT_EQ(row->job->state.load(), JOB_ERROR);
    EXPECT_EQ(row->job->bytes_copied.load(), 400);
    EXPECT_EQ(row->job->last_error.load(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(dir_.exists("dst"));  // never created again
  }
  EXPECT_EQ(ops_.calls(FaultOp::kOpenDest), 4);
  EXPECT_EQ(ops_.calls(FaultOp::kRead), 0);
  std::vector<std::string> log = log_texts();
  int failed_opens = 0;
  for (size_t i = 1; i < log.size(); ++i) {
    if (log[i] == " - Ошибка: 2" && log[i - 1] == " Открытие конечного файла: " + dir_.path("dst"))
      failed_opens++;
  }
  EXPECT_EQ(failed_opens, 4);
}

TEST_F(FaultTest, MissingBufferIsAFailedReadAndIsRetried) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  ops_.rule = FaultFileOps::fail_nth(FaultOp::kAllocate, 1, platform::out_of_memory_error());
  JobRowPtr row = job_for("src", "dst", 1000);
  run_worker(row.get());
  EXPECT_EQ(ops_.calls(FaultOp::kAllocate), 2);
  EXPECT_EQ(ops_.sleeps().size(), 1u);
  EXPECT_EQ(row->job->last_error.load(), platform::out_of_memory_error());
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("dst"), data);
  std::vector<std::string> log = log_texts();
  EXPECT_EQ(log[4], " Чтение");
  EXPECT_EQ(log[5], " - Ошибка: " + std::to_string(platform::out_of_memory_error()));
}

TEST_F(FaultTest, BufferSizeBelowOneNeverPassesForTheEnd) {
  dir_.write("src", pattern_bytes(1000));
  JobRowPtr row = job_for("src", "dst", 1000, 0, test_copy_param(0, 3));
  run_worker(row.get());
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(row->job->last_error.load(), platform::invalid_parameter_error());
  EXPECT_EQ(ops_.calls(FaultOp::kRead), 0);
  EXPECT_EQ(ops_.sleeps().size(), 3u);
}

TEST_F(FaultTest, FailedFlushIsAFailedWriteAndIsRetried) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  ops_.rule = FaultFileOps::fail_nth(FaultOp::kFlush, 1, kIoError);
  JobRowPtr row = job_for("src", "dst", 1000);
  int state_at_pause = -1;
  CopyJob* job = row->job;
  ops_.on_sleep = [&](uint32_t) { state_at_pause = job->state.load(); };
  run_worker(row.get());
  EXPECT_EQ(state_at_pause, JOB_ERROR);
  EXPECT_EQ(ops_.calls(FaultOp::kFlush), 2);
  EXPECT_EQ(ops_.calls(FaultOp::kWrite), 10);  // the retry has nothing left to write
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("dst"), data);
  std::vector<std::string> log = log_texts();
  ASSERT_GE(log.size(), 7u);
  EXPECT_EQ(log[4], " Запись");
  EXPECT_EQ(log[5], " - Ошибка: 5");
  EXPECT_EQ(log[6], " Ожидание: 1 msec.");
}

TEST_F(FaultTest, ShortWriteCountsTheBytesThatReachedTheFile) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  ops_.rule = FaultFileOps::fail_nth(FaultOp::kWrite, 3, kIoError);
  ops_.short_write = 30;
  JobRowPtr row = job_for("src", "dst", 1000);
  CopyJob* job = row->job;
  int64_t resumed_at = -1;
  std::string dest_at_retry;
  ops_.before = [&](FaultOp op, int call) {
    if (op != FaultOp::kOpenSource || call != 2) return;
    resumed_at = job->bytes_copied.load();
    dest_at_retry = dir_.read("dst");
  };
  run_worker(row.get());
  EXPECT_EQ(resumed_at, 230);
  EXPECT_EQ(dest_at_retry, data.substr(0, 230));
  EXPECT_EQ(dir_.read("dst"), data);
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(job->bytes_copied.load(), 1000);
}

}  // namespace

namespace {

// A destination as the resume detection at Add finds it: created through
// create_job with resume on, its size taken as the bytes already copied.
class ResumedDestTest : public FaultTest {
 protected:
  // `time_off`: seconds between the destination's time and the source's; 0
  // is a copy this program stamped.
  JobRowPtr add_with_dest(const std::string& source, const std::string& dest, int time_off = 0) {
    dir_.write("src\\a.bin", source);
    dir_.write("out\\a.bin", dest);
    dir_.copy_time("src\\a.bin", "out\\a.bin", time_off);
    CopyParam settings = test_copy_param();
    std::snprintf(settings.dest_folder, kFolderCapacity, "%s", dir_.path("out").c_str());
    char name[kFileNameCapacity];
    JobRowPtr row(create_job(dir_.path("src\\a.bin").c_str(), settings, name));
    EXPECT_TRUE(row && row->job->check_dest.load() == (time_off == 0));
    return row;
  }
  int count_line(const std::string& text) {
    std::vector<std::string> log = log_texts();
    return static_cast<int>(std::count(log.begin(), log.end(), text));
  }
};

TEST_F(ResumedDestTest, OnlyATruePrefixIsContinuedAnythingElseIsWrittenAfresh) {
  const std::string data = pattern_bytes(1000);
  const std::string afresh = " Конечный файл не совпадает с исходным: копирование с начала";
  // A true partial copy: one block compared, the rest appended; the bytes
  // before the compared block are never read again.
  JobRowPtr partial = add_with_dest(data, data.substr(0, 600));
  run_worker(partial.get());
  EXPECT_EQ(dir_.read("out\\a.bin"), data);
  EXPECT_EQ(ops_.calls(FaultOp::kRead),
            1 + 1 + 4 + 1);  // source and destination block, 4 blocks, end
  EXPECT_EQ(ops_.calls(FaultOp::kWrite), 4);
  EXPECT_EQ(count_line(afresh), 0);

  // A complete one is compared and completes without a write.
  JobRowPtr whole = add_with_dest(data, data);
  EXPECT_EQ(whole->job->state.load(), JOB_QUEUED);
  run_worker(whole.get());
  EXPECT_EQ(whole->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(ops_.calls(FaultOp::kWrite), 4);
  EXPECT_EQ(dir_.read("out\\a.bin"), data);

  // Unrelated files, smaller or as large as the source: written afresh.
  for (const std::string& foreign : {pattern_bytes(400, 9), pattern_bytes(1000, 9)}) {
    JobRowPtr other = add_with_dest(data, foreign);
    run_worker(other.get());
    EXPECT_EQ(other->job->state.load(), JOB_COMPLETED);
    EXPECT_EQ(dir_.read("out\\a.bin"), data) << foreign.size();
  }
  EXPECT_EQ(count_line(afresh), 2);

  // Last week's copy, as long as a partial one and with the same first
  // bytes, but another time: never read, written afresh, and the log says why.
  const int reads = ops_.calls(FaultOp::kRead);
  JobRowPtr old_version = add_with_dest(data, data.substr(0, 600), 3);
  run_worker(old_version.get());
  EXPECT_EQ(dir_.read("out\\a.bin"), data);
  EXPECT_EQ(ops_.calls(FaultOp::kRead) - reads, 10 + 1) << "the whole source, then its end";
  EXPECT_EQ(count_line(" Время изменения конечного файла не совпадает с исходным: "
                       "копирование с начала"),
            1);
}

// A read that fails, or that comes back empty as a redirector's spurious short
// read does, while the destination's last block is compared: a failed read,
// paused and retried; the partial copy is kept and continued.
TEST_F(ResumedDestTest, AFailedOrShortReadWhileComparingIsRetriedLikeAnyRead) {
  const std::string data = pattern_bytes(1000);
  for (bool empty : {false, true}) {
    FaultFileOps ops;
    if (empty) {
      ops.empty_read = 1;
    } else {
      ops.rule = FaultFileOps::fail_nth(FaultOp::kRead, 1, kIoError);
    }
    JobRowPtr row = add_with_dest(data, data.substr(0, 700));
    run_worker(row.get());
    EXPECT_EQ(row->job->state.load(), JOB_COMPLETED) << empty;
    EXPECT_EQ(dir_.read("out\\a.bin"), data) << empty;
    EXPECT_EQ(ops.sleeps().size(), 1u) << empty;
    const uint32_t error = empty ? platform::read_fault_error() : kIoError;
    EXPECT_EQ(row->job->last_error.load(), error) << empty;
    EXPECT_EQ(ops.calls(FaultOp::kWrite), 3) << empty << ": continued, not copied afresh";
  }
  EXPECT_EQ(count_line(" Чтение"), 2);
  EXPECT_EQ(count_line(" Конечный файл не совпадает с исходным: копирование с начала"), 0);
}

// Another program saves a new version of the source, of the same size, while
// the worker pauses after a failed read: the next attempt starts over from
// the first byte instead of gluing the new tail to the old head, and the
// finished copy carries the new version's time.
TEST_F(FaultTest, ASourceSavedAnewBetweenAttemptsIsCopiedFromItsFirstByte) {
  dir_.write("src", pattern_bytes(1000));
  const std::string saved = pattern_bytes(1000, 2);
  ops_.rule = FaultFileOps::fail_nth(FaultOp::kRead, 4, kIoError);
  ops_.on_sleep = [&](uint32_t) {
    dir_.write("src", saved);
    dir_.copy_time("src", "src", 5);
  };
  JobRowPtr row = job_for("src", "dst", 1000);
  run_worker(row.get());
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("dst"), saved);
  std::vector<std::string> log = log_texts();
  EXPECT_EQ(std::count(log.begin(), log.end(), " Исходный файл изменился: копирование с начала"),
            1);
  platform::PathInfo source;
  platform::PathInfo dest;
  ASSERT_TRUE(platform::look_up(dir_.path("src").c_str(), &source));
  ASSERT_TRUE(platform::look_up(dir_.path("dst").c_str(), &dest));
  EXPECT_EQ(dest.last_write, source.last_write);
  EXPECT_EQ(row->job->source_time.load(), source.last_write);
}

TEST_F(FaultTest, ContinuationStartsAtTheDestinationsRealEndAndCompletionCutsItsTail) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  // 600 bytes were copied, but the destination lost everything after 250.
  dir_.write("dst", data.substr(0, 250));
  JobRowPtr shortened = job_for("src", "dst", 1000, 600);
  run_worker(shortened.get());
  EXPECT_EQ(dir_.read("dst"), data);
  EXPECT_EQ(shortened->job->state.load(), JOB_COMPLETED);
  std::vector<std::string> log = log_texts();
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       " Конечный файл короче скопированного: продолжение с байта 250"),
            1);

  // A destination longer than the bytes copied keeps no foreign tail.
  dir_.write("dst", data.substr(0, 400) + std::string(2000, 'Z'));
  JobRowPtr longer = job_for("src", "dst", 1000, 400);
  run_worker(longer.get());
  EXPECT_EQ(dir_.read("dst"), data);
}

TEST_F(FaultTest, EmptyReadBeforeTheSourcesEndIsAFailedRead) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  ops_.empty_read = 4;
  JobRowPtr row = job_for("src", "dst", 1000);
  CopyJob* job = row->job;
  int64_t resumed_at = -1;
  ops_.before = [&](FaultOp op, int call) {
    if (op == FaultOp::kOpenSource && call == 2) resumed_at = job->bytes_copied.load();
  };
  run_worker(row.get());
  EXPECT_EQ(resumed_at, 300);
  EXPECT_EQ(job->last_error.load(), platform::read_fault_error());
  EXPECT_EQ(ops_.sleeps().size(), 1u);
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("dst"), data);
}

TEST_F(FaultTest, FlushTheDestinationCannotDoIsNoFailure) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  for (uint32_t unsupported : {static_cast<uint32_t>(EINVAL), static_cast<uint32_t>(ENOTSUP)}) {
    FaultFileOps ops;
    ops.rule = FaultFileOps::fail_every(FaultOp::kFlush, unsupported);
    JobRowPtr row = job_for("src", "dst", 1000);
    run_worker(row.get());
    EXPECT_EQ(row->job->state.load(), JOB_COMPLETED) << unsupported;
    EXPECT_TRUE(ops.sleeps().empty()) << unsupported;
    EXPECT_EQ(dir_.read("dst"), data);
  }
}

}  // namespace

namespace {

std::string holes_text(const CopyJob& job) {
  std::string text;
  for (const Hole& hole : read_holes(job.holes.load()))
    text += std::to_string(hole.offset) + "+" + std::to_string(hole.length) + " ";
  return text;
}

// The source with the bytes of the destination's holes as zeros.
std::string with_zeros(std::string bytes, int64_t from, int64_t to) {
  return bytes.replace(static_cast<size_t>(from), static_cast<size_t>(to - from),
                       static_cast<size_t>(to - from), '\0');
}

class HoleTest : public FaultTest {
 protected:
  std::vector<std::string> log_lines_with(const std::string& text) {
    std::vector<std::string> found;
    for (const std::string& line : log_texts())
      if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
  }
};

// One sector of a 300 KB file never reads: the first run skips the block
// around it and copies the rest; later runs read the hole in 64 KiB, 4 KiB,
// then 512-byte pieces, each failing piece costing one failed read, until the
// hole is that sector. The job is never complete meanwhile; once the sector
// reads again, a run fills it and the copy is whole.
TEST_F(HoleTest, AnUnreadableSectorCostsOnlyItself) {
  const std::string data = pattern_bytes(300000);
  dir_.write("src", data);
  ops_.bad_from = 151552 + 100;
  ops_.bad_to = 151552 + 101;
  JobRowPtr row = job_for("src", "dst", 300000, 0, test_copy_param(131072, 2));
  CopyJob* job = row->job;
  const std::vector<std::string> holes_after = {"131072+131072 ", "131072+65536 ", "151552+4096 ",
                                                "151552+512 "};
  for (const std::string& expected : holes_after) {
    const int failed_reads = ops_.calls(FaultOp::kRead);
    run_worker(row.get());
    EXPECT_EQ(holes_text(*job), expected);
    EXPECT_EQ(job->state.load(), JOB_ERROR);
    EXPECT_EQ(job->last_error.load(), kIoError);
    EXPECT_EQ(job->bytes_copied.load(), 300000);
    const Hole hole = read_holes(job->holes.load()).at(0);
    EXPECT_EQ(dir_.read("dst"), with_zeros(data, hole.offset, hole.end())) << expected;
    EXPECT_LE(ops_.calls(FaultOp::kRead) - failed_reads, 300000 / 512) << expected;
  }
  EXPECT_EQ(log_lines_with("Нечитаемый блок пропущен"),
            std::vector<std::string>{" Нечитаемый блок пропущен: байты 131072-262143"});
  EXPECT_EQ(log_lines_with("Не прочитано").back(), " Не прочитано 512 байт в 1 пропусках");
  // Each pass over the hole failed one read of it, the first made it in two.
  EXPECT_EQ(ops_.sleeps().size(), 2u + 3u);

  ops_.bad_to = 0;  // the sector reads again
  run_worker(row.get());
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(holes_text(*job), "");
  EXPECT_EQ(dir_.read("dst"), data);
}

// A dead 4 KiB range straddling nine sectors, with only two failed reads
// allowed a pass: the sectors that keep failing take turns, so the good
// bytes around them are all read within a few passes, and nothing more than
// the sectors the range touches stays missing.
TEST_F(HoleTest, SectorsThatKeepFailingStarveNoGoodByte) {
  const std::string data = pattern_bytes(300000);
  dir_.write("src", data);
  ops_.bad_from = 70000;
  ops_.bad_to = 74096;
  JobRowPtr row = job_for("src", "dst", 300000, 0, test_copy_param(65536, 2));
  for (int pass = 0; pass < 12 && holes_text(*row->job) != "69632+4608 "; ++pass) {
    run_worker(row.get());
  }
  EXPECT_EQ(holes_text(*row->job), "69632+4608 ");
  EXPECT_EQ(dir_.read("dst"), with_zeros(data, 69632, 74240));
}

// A 500 KB scratch: reads keep failing right after each hole, so each skip
// doubles, and four series of failed reads cross it instead of eight.
TEST_F(HoleTest, ABadAreaIsCrossedInSkipsThatDouble) {
  dir_.write("src", pattern_bytes(1 << 20));
  ops_.bad_from = 200000;
  ops_.bad_to = 700000;
  JobRowPtr row = job_for("src", "dst", 1 << 20, 0, test_copy_param(65536, 1));
  run_worker(row.get());
  EXPECT_EQ(log_lines_with("Нечитаемый блок пропущен"),
            (std::vector<std::string>{" Нечитаемый блок пропущен: байты 196608-262143",
                                      " Нечитаемый блок пропущен: байты 262144-393215",
                                      " Нечитаемый блок пропущен: байты 393216-655359",
                                      " Нечитаемый блок пропущен: байты 655360-1048575"}));
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(hole_bytes(read_holes(row->job->holes.load())), (1 << 20) - 196608);
}

}  // namespace
