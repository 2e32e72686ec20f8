// The about dialog from the real template 113, and its case turning.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/text_format.h"
#include "tests/ui/dialog_driver.h"
#include "tests/ui/ui_harness.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/letter_case.h"

namespace {

// A scripted random source for the case turning.
std::vector<int> script_values;
size_t script_next = 0;
int scripted() { return script_values[script_next++ % script_values.size()]; }

std::wstring turned(const std::wstring& text, std::vector<int> values) {
  script_values = std::move(values);
  script_next = 0;
  std::wstring copy = text;
  turn_letter_case(&copy[0], scripted);
  return copy;
}

bool is_letter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= 0x410 && c <= 0x44F);
}

// The same text up to the case of letters: every other character is
// identical and a letter either is the same or its case partner.
bool same_but_case(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const wchar_t x = a[i], y = b[i];
    if (x == y) continue;
    if (!is_letter(x) || (y != x + 0x20 && y != x - 0x20)) return false;
  }
  return true;
}

std::string name_text() {
  char format[kTextCapacity];
  load_text(format, IDS_ABOUT_NAME, kTextCapacity);
  char* text = alloc_format(format, version_text());
  std::string result = text;
  std::free(text);
  return result;
}

TEST(LetterCaseTest, TurnsLatinAndCyrillicLettersOnly) {
  const std::wstring text = L"Tarvolin, версия 1.0 (выпуск 7) RU\r\nЁё-Яя";
  // An advance of 1 every time looks at every character once.
  EXPECT_EQ(turned(text, {1}), L"tARVOLIN, ВЕРСИЯ 1.0 (ВЫПУСК 7) ru\r\nЁё-яЯ");
  // Looking at each character twice turns it back.
  EXPECT_EQ(turned(text, {0, 1}), text);
  // Advances of 2 turn every other character, starting with the first.
  EXPECT_EQ(turned(L"abcdef", {2}), L"AbCdEf");
  EXPECT_EQ(turned(L"", {1}), L"");
}

TEST(LetterCaseTest, RandomTurningLeavesEverythingButLetterCase) {
  const std::wstring text = wide(name_text());
  ASSERT_FALSE(text.empty());
  for (unsigned seed = 1; seed <= 50; ++seed) {
    std::srand(seed);
    std::wstring copy = text;
    turn_letter_case(&copy[0], std::rand);
    EXPECT_TRUE(same_but_case(text, copy)) << seed;
  }
}

TEST(AboutDialogTest, ShowsTheTextsAndTheIcon) {
  const INT_PTR result =
      run_dialog(IDD_ABOUT, about_dialog_proc, 0, [&](const DialogDriver& driver, HWND dialog) {
        EXPECT_EQ(DialogDriver::title(dialog), table_text(IDS_ABOUT_TITLE));
        EXPECT_EQ(driver.text(dialog, IDC_ABOUT_NAME), name_text());
        EXPECT_NE(name_text().find(ansi("1.0 (выпуск 7) RU")), std::string::npos);
        EXPECT_EQ(driver.text(dialog, IDC_ABOUT_HISTORY), table_text(IDS_ABOUT_HISTORY));
        EXPECT_EQ(driver.text(dialog, IDC_ABOUT_DISCLAIMER), table_text(IDS_ABOUT_DISCLAIMER));
        EXPECT_EQ(driver.text(dialog, IDOK), table_text(IDS_OK));
        EXPECT_NE(SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0), 0);
        driver.click(dialog, IDOK);
        EXPECT_TRUE(driver.wait_closed(dialog));
      });
  EXPECT_EQ(result, IDOK);
}

TEST(AboutDialogTest, DoubleClickOnTheIconJokesAndAClickUndoesIt) {
  run_dialog(IDD_ABOUT, about_dialog_proc, 0, [&](const DialogDriver& driver, HWND dialog) {
    const std::string title = table_text(IDS_ABOUT_TITLE);
    const std::string name = name_text();
    for (int round = 0; round < 3; ++round) {
      // A double-click brings a click first, then the double-click.
      driver.command(dialog, IDC_ABOUT_ICON, STN_CLICKED);
      driver.command(dialog, IDC_ABOUT_ICON, STN_DBLCLK);
      driver.settle();
      EXPECT_EQ(DialogDriver::title(dialog), title + " :)") << round;
      const std::string joked = driver.text(dialog, IDC_ABOUT_NAME);
      EXPECT_TRUE(same_but_case(wide(name), wide(joked))) << round;
      EXPECT_NE(joked, name) << round;
    }
    driver.command(dialog, IDC_ABOUT_ICON, STN_CLICKED);
    driver.settle();
    EXPECT_EQ(DialogDriver::title(dialog), title);
    EXPECT_EQ(driver.text(dialog, IDC_ABOUT_NAME), name);
  });
}

TEST(AboutDialogTest, EscapeAndTheCloseBoxClose) {
  // The close box goes to the dialog, the keys to its button; each closes a
  // dialog of its own.
  const struct {
    UINT message;
    WPARAM key;
    INT_PTR result;
  } ways[] = {
      {WM_CLOSE, 0, IDCANCEL}, {WM_KEYDOWN, VK_ESCAPE, IDCANCEL}, {WM_KEYDOWN, VK_RETURN, IDOK}};
  for (const auto& way : ways) {
    INT_PTR result =
        run_dialog(IDD_ABOUT, about_dialog_proc, 0, [&](const DialogDriver& driver, HWND dialog) {
          PostMessageA(way.message == WM_CLOSE ? dialog : GetDlgItem(dialog, IDOK), way.message,
                       way.key, 0);
          EXPECT_TRUE(driver.wait_closed(dialog));
        });
    EXPECT_EQ(result, way.result) << way.message << " " << way.key;
  }
}

}  // namespace
