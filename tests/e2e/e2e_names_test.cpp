// Every file a user can see: the real tarvolin.exe under Wine copies files
// whose names no single-byte code page holds, chosen in the open dialog, and
// whole folders chosen in the folder picker, down to paths longer than 260
// characters.
#include "tests/e2e/e2e_fixture.h"

namespace {

using namespace texts;

class E2eNames : public E2eTest {};

// Typed into the open dialog in UTF-16, as a user's keys reach it: each file
// is copied under its own name, and "café.txt" never as "cafe.txt".
TEST_F(E2eNames, NamesOfEveryScriptAreCopiedUnderTheirOwnNames) {
  const std::vector<std::string> names = {"café.txt", "Müller 😀.pdf", "日本語.bin", "отчёт.txt",
                                          "Grüße ñ.doc"};
  make_source("cafe.txt", 1000);  // the look-alike beside it
  for (size_t i = 0; i < names.size(); ++i) make_source(names[i], 20000 + i * 777);
  launch(settings());
  add(names);
  EXPECT_EQ(column(1), names);
  click(IDC_START);
  ASSERT_TRUE(wait_all_completed(static_cast<int>(names.size()))) << log_text();
  for (const std::string& name : names) expect_faithful(name, true);
  EXPECT_EQ(dest_size("cafe.txt"), -1) << "the look-alike was copied";
  close_program();
}

// "Добавить папку..." with the folder typed into the picker: Cyrillic folder
// names, an empty folder and a file whose path is longer than 260 characters
// come out as the source tree, `diff -r` clean. The rows name each file below
// the destination folder. A link back up the tree is named in a box, not
// walked round and round.
TEST_F(E2eNames, AFolderAddedWholeIsCopiedWithItsTree) {
  const std::string deep = "Архив/" + std::string(90, 'd') + "/" + std::string(90, 'e') + "/" +
                           std::string(90, 'f') + "/длинный путь.bin";
  make_source("Архив/корень.txt", 3000);
  make_source("Архив/Фото/2024/январь/a.jpg", 300000);
  make_source("Архив/Фото/b.jpg", 7);
  make_source(deep, 150000);
  std::filesystem::create_directories(mount_.backing("Архив/пустая"));
  std::filesystem::create_directory_symlink("..", mount_.backing("Архив/Фото/назад"));
  ASSERT_GT(wine_path(mount_.dest(deep)).size(), 260u);
  launch(settings());
  ASSERT_NO_FATAL_FAILURE(add_folder("Архив", 4));
  const std::vector<std::string> shown = column(1);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0], "Архив\\корень.txt");
  EXPECT_EQ(shown[2], "Архив\\Фото\\b.jpg");
  EXPECT_EQ(shown[3], "Архив\\Фото\\2024\\январь\\a.jpg");
  const std::string box = answer_box();
  EXPECT_EQ(box.find("Ошибка: Папка-ссылка не добавлена"), 0u) << box;
  const std::string link = "\\Архив\\Фото\\назад";
  EXPECT_EQ(box.rfind(link), box.size() - link.size()) << box;
  click(IDC_START);
  ASSERT_TRUE(wait_all_completed(4)) << log_text();
  expect_same_tree("Архив");
  close_program();
}

}  // namespace
