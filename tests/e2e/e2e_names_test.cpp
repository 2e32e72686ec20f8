// Every file a user can see: the real tarvolin.exe under Wine copies files
// whose names no single-byte code page holds, chosen in the open dialog.
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

}  // namespace
