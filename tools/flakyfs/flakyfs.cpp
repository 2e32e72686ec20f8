// A read-only mirror of a folder that injects faults from a schedule file, so
// that tests can meet real read errors, stalls and vanishing files through a
// real file system.
//
//   flakyfs BACKING MOUNTPOINT SCHEDULE [fuse options, e.g. -f]
//
// The schedule is read again whenever its modification time changes. One rule
// per line; NAME is a path relative to the mirror root, without leading slash:
//   eio NAME FROM TO COUNT   reads touching bytes [FROM, TO) fail with EIO, for
//                            the first COUNT such reads (-1: for ever)
//   stall NAME MS            every read of NAME first sleeps MS milliseconds,
//                            after writing MS to SCHEDULE.stalling (a test can
//                            tell that the read it wants held has begun)
//   vanish NAME              NAME does not exist (ENOENT) while the rule stands
//   eio-open NAME COUNT      the first COUNT opens of NAME fail with EIO
// Growing or shrinking a source needs no rule: change the backing file.
#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse3/fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Rule {
  std::string kind;
  std::string name;
  long long from = 0;
  long long to = 0;
  long long remaining = 0;  // reads or opens still to fail; -1 for ever
  long long stall_ms = 0;
};

std::string g_backing;
std::string g_schedule;
std::mutex g_lock;
std::vector<Rule> g_rules;
struct timespec g_schedule_time = {0, 0};

// Reloads the schedule when the file changed; counters restart with it.
void refresh_rules() {
  struct stat status;
  if (stat(g_schedule.c_str(), &status) != 0) {
    g_rules.clear();
    return;
  }
  if (status.st_mtim.tv_sec == g_schedule_time.tv_sec &&
      status.st_mtim.tv_nsec == g_schedule_time.tv_nsec)
    return;
  g_schedule_time = status.st_mtim;
  g_rules.clear();
  std::ifstream in(g_schedule);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Rule rule;
    if (!(words >> rule.kind >> rule.name)) continue;
    if (rule.kind == "eio") {
      words >> rule.from >> rule.to >> rule.remaining;
    } else if (rule.kind == "stall") {
      words >> rule.stall_ms;
    } else if (rule.kind == "eio-open") {
      words >> rule.remaining;
    } else if (rule.kind != "vanish") {
      continue;
    }
    g_rules.push_back(rule);
  }
}

std::string relative(const char* path) { return path[0] == '/' ? path + 1 : path; }
std::string backing(const char* path) { return g_backing + path; }

bool vanished(const char* path) {
  std::lock_guard<std::mutex> hold(g_lock);
  refresh_rules();
  for (const Rule& rule : g_rules)
    if (rule.kind == "vanish" && rule.name == relative(path)) return true;
  return false;
}

// Spends one failure of a counted rule; true when this call must fail.
bool spend(Rule* rule) {
  if (rule->remaining == 0) return false;
  if (rule->remaining > 0) rule->remaining--;
  return true;
}

int fs_getattr(const char* path, struct stat* status, struct fuse_file_info*) {
  if (vanished(path)) return -ENOENT;
  return lstat(backing(path).c_str(), status) == 0 ? 0 : -errno;
}

// A link of the backing folder is shown as the link it is.
int fs_readlink(const char* path, char* target, size_t size) {
  const ssize_t length = readlink(backing(path).c_str(), target, size - 1);
  if (length < 0) return -errno;
  target[length] = '\0';
  return 0;
}

int fs_readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info*,
               enum fuse_readdir_flags) {
  DIR* folder = opendir(backing(path).c_str());
  if (folder == nullptr) return -errno;
  while (struct dirent* entry = readdir(folder)) {
    std::string child =
        std::string(path) + (std::strcmp(path, "/") == 0 ? "" : "/") + entry->d_name;
    if (vanished(child.c_str())) continue;
    fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  }
  closedir(folder);
  return 0;
}

int fs_open(const char* path, struct fuse_file_info* info) {
  if ((info->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  if (vanished(path)) return -ENOENT;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    for (Rule& rule : g_rules)
      if (rule.kind == "eio-open" && rule.name == relative(path) && spend(&rule)) return -EIO;
  }
  int fd = open(backing(path).c_str(), O_RDONLY);
  if (fd < 0) return -errno;
  info->fh = static_cast<uint64_t>(fd);
  info->direct_io = 1;  // every read reaches us: no page cache hides a fault
  return 0;
}

int fs_read(const char* path, char* buffer, size_t size, off_t offset,
            struct fuse_file_info* info) {
  if (vanished(path)) return -ENOENT;
  long long stall = 0;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    for (Rule& rule : g_rules) {
      if (rule.name != relative(path)) continue;
      if (rule.kind == "stall") stall += rule.stall_ms;
      bool touches = offset < rule.to && offset + static_cast<off_t>(size) > rule.from;
      if (rule.kind == "eio" && touches && spend(&rule)) return -EIO;
    }
  }
  if (stall > 0) {
    std::ofstream(g_schedule + ".stalling") << stall << "\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(stall));
  }
  ssize_t count = pread(static_cast<int>(info->fh), buffer, size, offset);
  return count < 0 ? -errno : static_cast<int>(count);
}

int fs_release(const char*, struct fuse_file_info* info) {
  close(static_cast<int>(info->fh));
  return 0;
}

void* fs_init(struct fuse_conn_info*, struct fuse_config* config) {
  // Ask the kernel for every look-up and attribute, so vanishing and growing
  // files are seen at once.
  config->entry_timeout = 0;
  config->attr_timeout = 0;
  config->negative_timeout = 0;
  config->direct_io = 1;
  return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s BACKING MOUNTPOINT SCHEDULE [fuse options]\n", argv[0]);
    return 2;
  }
  char resolved[PATH_MAX];
  if (realpath(argv[1], resolved) == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  g_backing = resolved;
  if (realpath(argv[3], resolved) == nullptr) {
    std::perror(argv[3]);
    return 2;
  }
  g_schedule = resolved;

  struct fuse_operations operations = {};
  operations.getattr = fs_getattr;
  operations.readdir = fs_readdir;
  operations.readlink = fs_readlink;
  operations.open = fs_open;
  operations.read = fs_read;
  operations.release = fs_release;
  operations.init = fs_init;

  std::vector<char*> fuse_args = {argv[0], argv[2]};
  for (int i = 4; i < argc; ++i) fuse_args.push_back(argv[i]);
  return fuse_main(static_cast<int>(fuse_args.size()), fuse_args.data(), &operations, nullptr);
}
