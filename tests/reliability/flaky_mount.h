// A test folder with a flaky file system mounted in it: backing/ holds the real
// sources, flaky/ mirrors it through flakyfs with the faults of schedule.txt,
// dest/ receives the copies. Optionally dest/ is a small tmpfs, so that it can
// fill up. Everything is unmounted when the test ends, also when it fails.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/unit/support/temp_dir.h"

class FlakyMount {
 public:
  explicit FlakyMount(const TempDir& dir) : dir_(dir) {
    dir_.make_folder("backing");
    dir_.make_folder("flaky");
    dir_.make_folder("dest");
    set_schedule("");
  }
  ~FlakyMount() { unmount_all(); }

  // Starts flakyfs in the foreground as a child; true once the mount stands.
  bool mount() {
    pid_ = fork();
    if (pid_ == 0) {
      std::string backing = dir_.path("backing"), flaky = dir_.path("flaky");
      std::string schedule = dir_.path("schedule.txt");
      execl(TV_FLAKYFS, "flakyfs", backing.c_str(), flaky.c_str(), schedule.c_str(), "-f",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 500; ++i) {
      if (mounted(dir_.path("flaky"))) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // A tmpfs of `bytes` over dest/, for a destination that can be full.
  bool mount_small_dest(long bytes) {
    std::string options = "size=" + std::to_string(bytes);
    small_dest_ = ::mount("tmpfs", dir_.path("dest").c_str(), "tmpfs", 0, options.c_str()) == 0;
    return small_dest_;
  }
  void set_schedule(const std::string& rules) {
    // Written beside and renamed, so flakyfs never reads half a schedule; the
    // counter bump keeps the modification time changing on coarse clocks.
    std::string temporary = dir_.path("schedule.new");
    std::ofstream(temporary) << rules << "\n# " << ++generation_ << "\n";
    std::rename(temporary.c_str(), dir_.path("schedule.txt").c_str());
  }
  // The length of the last stalled read that began, "" before any.
  std::string stalling() const {
    std::string ms;
    std::ifstream(dir_.path("schedule.txt.stalling")) >> ms;
    return ms;
  }
  std::string source(const std::string& name) const { return dir_.path("flaky") + "/" + name; }
  std::string backing(const std::string& name) const { return dir_.path("backing") + "/" + name; }
  std::string dest(const std::string& name) const { return dir_.path("dest") + "/" + name; }

  void unmount_all() {
    if (pid_ > 0) {
      ::umount2(dir_.path("flaky").c_str(), MNT_DETACH);
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (small_dest_) {
      ::umount2(dir_.path("dest").c_str(), MNT_DETACH);
      small_dest_ = false;
    }
  }

  static bool can_mount() { return geteuid() == 0 && access("/dev/fuse", R_OK | W_OK) == 0; }

 private:
  static bool mounted(const std::string& path) {
    struct stat inside, parent;
    if (stat(path.c_str(), &inside) != 0 || stat((path + "/..").c_str(), &parent) != 0)
      return false;
    return inside.st_dev != parent.st_dev;
  }

  const TempDir& dir_;
  pid_t pid_ = -1;
  bool small_dest_ = false;
  int generation_ = 0;
};
