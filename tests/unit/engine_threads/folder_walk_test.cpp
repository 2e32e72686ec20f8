// A whole folder into the queue: the walk's thread hands its rows to the
// window in batches, in name order folder by folder, and the queue copies the
// tree, its empty folders included.
#include "engine/folder_walk.h"

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/unit/engine_threads/controller_fixture.h"

namespace {

class FolderWalkTest : public ControllerTest {
 protected:
  // Window thread: appends a batch's rows as the main window does.
  static void take(WalkBatch* batch) {
    for (size_t i = 0; i < batch->rows.size(); ++i) {
      active_->host_.rows.push_back(batch->rows[i]);
      active_->names_.push_back(batch->names[i]);
    }
    active_->links_.insert(active_->links_.end(), batch->links.begin(), batch->links.end());
    batch->taken = true;
    if (batch->last) active_->ended_ = true;
  }
  void SetUp() override {
    ControllerTest::SetUp();
    active_ = this;
  }
  // The test's thread is the window's for the walk: it starts and stops it
  // outside the fake window's lock, which the walk's batches take.
  void TearDown() override {
    stop_walk(kWaitForever);
    ControllerTest::TearDown();
  }
  void add_folder(const std::string& folder) {
    WalkRoot root{dir_.path(folder), test_copy_param(4096)};
    std::snprintf(root.settings.dest_folder, kFolderCapacity, "%s", dir_.path("out").c_str());
    ASSERT_TRUE(walk_add(root, take));
  }
  void make_file(const std::string& name, size_t size) {
    std::filesystem::create_directories(std::filesystem::path(dir_.path(name)).parent_path());
    dir_.write(name, pattern_bytes(size, static_cast<unsigned>(name.size())));
  }

  static inline FolderWalkTest* active_ = nullptr;
  std::vector<std::string> names_;
  std::vector<std::string> links_;
  std::atomic<bool> ended_{false};
};

TEST_F(FolderWalkTest, CopiesTheTreeInNameOrderWithItsEmptyFolders) {
  make_file("Фото/c.txt", 5000);
  make_file("Фото/A.txt", 0);
  make_file("Фото/IMG10.jpg", 10);
  make_file("Фото/img9.jpg", 9);
  make_file("Фото/IMG009.jpg", 8);
  make_file("Фото/2024/январь/a.jpg", 70000);
  make_file("Фото/2024/b.jpg", 3);
  dir_.make_folder("Фото/2023");
  dir_.make_folder("Фото/2023/старое");
  dir_.make_folder("Фото/пусто");
  dir_.make_folder("out");
  // A link back up the tree is named, not walked round and round.
  std::filesystem::create_directory_symlink(dir_.path("Фото"), dir_.path("Фото/2023/ссылка"));
  add_folder("Фото");
  ASSERT_TRUE(wait_until([&] { return ended_.load(); }));
  host_.on_window([&] {
    // A folder's files first, then its folders, each in name order, numbers
    // by value.
    EXPECT_EQ(names_, (std::vector<std::string>{"Фото/A.txt", "Фото/c.txt", "Фото/IMG009.jpg",
                                                "Фото/img9.jpg", "Фото/IMG10.jpg",
                                                "Фото/2024/b.jpg", "Фото/2024/январь/a.jpg"}));
    for (JobRow* row : host_.rows) EXPECT_EQ(row->job->state.load(), JOB_QUEUED);
    EXPECT_EQ(links_, std::vector<std::string>{dir_.path("Фото/2023/ссылка")});
  });
  EXPECT_FALSE(dir_.exists("out/Фото")) << "nothing is made before the queue runs";

  start_controller();
  ASSERT_TRUE(controller_ends());
  for (const char* name :
       {"Фото/c.txt", "Фото/A.txt", "Фото/2024/январь/a.jpg", "Фото/2024/b.jpg"}) {
    EXPECT_EQ(dir_.read(std::string("out/") + name), dir_.read(name)) << name;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path("out/Фото/2023/старое")));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path("out/Фото/пусто")));
  host_.on_window([&] {
    for (JobRow* row : host_.rows) EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  });
}

}  // namespace
