#include "tests/e2e/wine_driver.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/config_file.h"

#ifndef TV_E2E_WINDOWS_BUILD
#error "TV_E2E_WINDOWS_BUILD: the default Windows build folder"
#endif

namespace {

bool file_exists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The process group of a process, or -1.
pid_t group_of(pid_t pid) {
  std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat_file)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  // After the command: state, ppid, pgrp.
  char state = 0;
  long parent = 0, group = -1;
  if (std::sscanf(text.c_str() + close + 1, " %c %ld %ld", &state, &parent, &group) != 3) return -1;
  return static_cast<pid_t>(group);
}

std::string command_line(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

const E2eSetup& e2e_setup() {
  static const E2eSetup setup = [] {
    E2eSetup found;
    found.enabled = environment("TV_E2E") == "1";
    std::string build = environment("TV_E2E_WINDOWS_BUILD");
    if (build.empty()) build = TV_E2E_WINDOWS_BUILD;
    found.program = build + "/app/tarvolin.exe";
    found.driver = build + "/tests/e2e/tv_e2e_driver.exe";
    if (!file_exists(found.program)) found.missing += " " + found.program;
    if (!file_exists(found.driver)) found.missing += " " + found.driver;
    if (environment("DISPLAY").empty()) found.missing += " DISPLAY";
    if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0)
      found.missing += " root and /dev/fuse";
    return found;
  }();
  return setup;
}

std::string wine_path(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

namespace {

// In a child before exec: only fds 0, 1 and 2 stay open. Wine may start
// daemons (wineserver, services.exe) from any wine process; whatever they
// inherit they keep, and a test's own output pipe held by a daemon keeps
// ctest waiting for ever.
void close_other_fds() {
  for (int fd = 3; fd < 4096; ++fd) ::close(fd);
}

// A wineserver for the prefix that outlives the tests and holds none of their
// files, so that no driver starts one with the test's pipes in it.
void ensure_wineserver() {
  static bool done = false;
  if (done) return;
  done = true;
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    close_other_fds();
    execlp("wineserver", "wineserver", "-p", static_cast<char*>(nullptr));
    _exit(127);
  }
  // It returns at once when a server runs, or once it has started one.
  for (int i = 0; i < 200 && pid > 0; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

bool WineDriver::start(const std::string& driver_exe, const std::string& error_log) {
  ensure_wineserver();
  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0) return false;
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    ::close(in_pipe[0]);
    ::close(in_pipe[1]);
    return false;
  }
  pid_ = fork();
  if (pid_ == 0) {
    // A group of its own: the program the driver starts stays in it (Wine
    // detaches it from its parent), so an emergency can end both.
    setpgid(0, 0);
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    int log = open(error_log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (log >= 0) dup2(log, 2);
    close_other_fds();
    execlp("wine", "wine", driver_exe.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  if (pid_ > 0) setpgid(pid_, pid_);  // also here: no race with the child
  group_ = pid_;
  to_driver_ = in_pipe[1];
  from_driver_ = out_pipe[0];
  if (pid_ < 0) {
    stop();
    return false;
  }
  signal(SIGPIPE, SIG_IGN);
  return true;
}

bool WineDriver::read_line(std::string* line, int limit_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      pending_.erase(0, end + 1);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return false;
    pollfd wait{from_driver_, POLLIN, 0};
    int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char buffer[4096];
    ssize_t got = ::read(from_driver_, buffer, sizeof buffer);
    if (got <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(got));
  }
}

Reply WineDriver::send(const std::string& command, int limit_ms) {
  Reply reply;
  if (pid_ <= 0) return reply;
  std::string line = command + "\n";
  if (::write(to_driver_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    kill_all();
    return reply;
  }
  std::string got;
  while (read_line(&got, limit_ms)) {
    if (got.rfind(".ok", 0) == 0 || got.rfind(".err", 0) == 0) {
      reply.answered = true;
      reply.ok = got[1] == 'o';
      size_t space = got.find(' ');
      reply.value = space == std::string::npos ? "" : got.substr(space + 1);
      return reply;
    }
    reply.lines.push_back(got);
  }
  kill_all();
  return reply;
}

// What the driver started and left behind in its group: the driver, the
// program and a debugger called to a crash. Wine's own daemons, should the
// driver have started them, stay: other wine processes of the prefix need them.
void WineDriver::sweep_group() {
  if (group_ <= 0) return;
  if (DIR* proc = opendir("/proc")) {
    while (dirent* entry = readdir(proc)) {
      pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
      if (pid <= 0 || group_of(pid) != group_) continue;
      const std::string command = command_line(pid);
      if (command.find("tv_e2e_driver") != std::string::npos ||
          command.find("tarvolin.exe") != std::string::npos ||
          command.find("winedbg") != std::string::npos)
        kill(pid, SIGKILL);
    }
    closedir(proc);
  }
}

void WineDriver::close_pipes() {
  if (to_driver_ >= 0) ::close(to_driver_);
  if (from_driver_ >= 0) ::close(from_driver_);
  to_driver_ = from_driver_ = -1;
}

void WineDriver::kill_all() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    sweep_group();
  }
  close_pipes();
}

void WineDriver::stop() {
  if (pid_ > 0) {
    // The driver ends the program itself; only a driver that does not end
    // in time is killed, with what it left.
    send("quit", 20000);
    close_pipes();
    for (int i = 0; i < 200 && pid_ > 0; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
      if (pid_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  kill_all();
  sweep_group();  // a driver that died by itself may have left the program
  group_ = -1;
}

void write_program_settings(const std::string& folder, const ProgramSettings& settings) {
  ListParam list{};
  CopyParam copy{};
  DialogParam dialog{};
  set_default_list_param(&list);
  set_default_copy_param(&copy);
  set_default_dialog_param(&dialog);
  std::memset(copy.dest_folder, 0, sizeof copy.dest_folder);
  std::strncpy(copy.dest_folder, settings.dest_folder.c_str(), sizeof copy.dest_folder - 1);
  copy.buffer_size = settings.buffer_size;
  copy.retry_timeout = settings.retry_timeout;
  copy.max_attempts = settings.max_attempts;
  copy.resume = settings.resume ? 1 : 0;
  dialog.refresh_interval = settings.refresh_interval;
  save_settings((folder + "/tvoln.ini").c_str(), list, copy, dialog);
}

bool install_program(const std::string& folder, const ProgramSettings& settings) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  std::filesystem::copy_file(e2e_setup().program, folder + "/tarvolin.exe",
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) return false;
  // A new installation: no queue kept from an earlier run.
  std::filesystem::remove(folder + "/tvoln.queue", error);
  write_program_settings(folder, settings);
  return file_exists(folder + "/tvoln.ini");
}
