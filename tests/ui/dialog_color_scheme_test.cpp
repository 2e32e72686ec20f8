// The colour scheme dialog, driven from the real template 115.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/settings_records.h"
#include "tests/ui/dialog_driver.h"
#include "ui/dialogs/color_scheme_dialog.h"

namespace {

// The colour chooser's own controls: its red, green and blue edits and the
// button that adds the current colour to the custom colours.
constexpr int kChooserRed = 706, kChooserGreen = 707, kChooserBlue = 708, kChooserAdd = 712;

COLORREF swatch(HWND dialog, int id) {
  return static_cast<COLORREF>(SendDlgItemMessageA(dialog, id, LVM_GETBKCOLOR, 0, 0));
}

class ColorSchemeDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.text_color = 0x010203;
    list_.back_color = 0x040506;
    for (int i = 0; i < kStateSlotCount; ++i) {
      list_.state_text_color[i] = 0x100000u + static_cast<ColorRef>(i);
      list_.state_back_color[i] = 0x200000u + static_cast<ColorRef>(i);
    }
    for (int i = 0; i < kCustomColorCount; ++i) list_.custom_colors[i] = 0x00FFFFFF;
    saved_ = list_;
  }

  INT_PTR run(const std::function<void(const DialogDriver&, HWND)>& script) {
    return run_dialog(IDD_COLORS, color_scheme_dialog_proc, reinterpret_cast<LPARAM>(&list_),
                      script);
  }

  bool colors_unchanged() const {
    return list_.text_color == saved_.text_color && list_.back_color == saved_.back_color &&
           std::memcmp(list_.state_text_color, saved_.state_text_color,
                       sizeof list_.state_text_color) == 0 &&
           std::memcmp(list_.state_back_color, saved_.state_back_color,
                       sizeof list_.state_back_color) == 0;
  }

  // A double-click notification as a control would send it; it must outlive
  // the posted message, so it lives in the fixture.
  void post_double_click(HWND dialog, int id, UINT code = NM_DBLCLK) {
    notification_ = {};
    notification_.hwndFrom = GetDlgItem(dialog, id);
    notification_.idFrom = static_cast<UINT_PTR>(id);
    notification_.code = code;
    PostMessageA(dialog, WM_NOTIFY, static_cast<WPARAM>(id),
                 reinterpret_cast<LPARAM>(&notification_));
  }

  ListParam list_{};
  ListParam saved_{};
  NMHDR notification_{};
};

TEST_F(ColorSchemeDialogTest, ShowsTheColoursAndCancelKeepsThem) {
  const INT_PTR result = run([&](const DialogDriver& driver, HWND dialog) {
    EXPECT_EQ(DialogDriver::title(dialog), table_text(IDS_COLORS_TITLE));
    EXPECT_EQ(driver.text(dialog, IDC_COLORS_HINT), table_text(IDS_COLORS_HINT));
    EXPECT_EQ(driver.text(dialog, IDC_TEXT_LABEL_FIRST), table_text(IDS_TEXT_LABEL));
    EXPECT_EQ(driver.text(dialog, IDC_TEXT_LABEL_FIRST + 9), table_text(IDS_BACK_LABEL));
    EXPECT_EQ(driver.text(dialog, IDC_COLOR_GROUP_FIRST), table_text(IDS_GROUP_DEFAULT));
    EXPECT_EQ(driver.text(dialog, IDC_COLOR_GROUP_FIRST + 4), table_text(IDS_GROUP_COMPLETED));
    EXPECT_EQ(driver.text(dialog, IDCANCEL), table_text(IDS_CANCEL));
    EXPECT_EQ(swatch(dialog, IDC_SWATCH_FIRST), 0x010203u);
    EXPECT_EQ(swatch(dialog, IDC_SWATCH_FIRST + 1), 0x040506u);
    for (int state = 0; state < 4; ++state) {
      EXPECT_EQ(swatch(dialog, IDC_SWATCH_FIRST + 2 + 2 * state), 0x100000u + state) << state;
      EXPECT_EQ(swatch(dialog, IDC_SWATCH_FIRST + 3 + 2 * state), 0x200000u + state) << state;
    }
    SendDlgItemMessageA(dialog, IDC_SWATCH_FIRST + 1, LVM_SETBKCOLOR, 0, 0x0000FF);
    SendDlgItemMessageA(dialog, IDC_SWATCH_FIRST + 6, LVM_SETBKCOLOR, 0, 0x00FF00);
    driver.click(dialog, IDCANCEL);
    EXPECT_TRUE(driver.wait_closed(dialog));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(colors_unchanged());
}

TEST_F(ColorSchemeDialogTest, OkStoresTheTenSwatchesAndNothingElse) {
  INT_PTR result = run([&](const DialogDriver& driver, HWND dialog) {
    EXPECT_TRUE(press_ok(driver, dialog).closed);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(std::memcmp(&list_, &saved_, sizeof list_), 0);

  result = run([&](const DialogDriver& driver, HWND dialog) {
    for (int id = IDC_SWATCH_FIRST; id <= IDC_SWATCH_LAST; ++id) {
      SendDlgItemMessageA(dialog, id, LVM_SETBKCOLOR, 0, 0x00300000 + id);
    }
    EXPECT_TRUE(press_ok(driver, dialog).closed);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(list_.text_color, 0x00300000u + IDC_SWATCH_FIRST);
  EXPECT_EQ(list_.back_color, 0x00300000u + IDC_SWATCH_FIRST + 1);
  for (int state = 0; state < 4; ++state) {
    EXPECT_EQ(list_.state_text_color[state], 0x00300000u + IDC_SWATCH_FIRST + 2 + 2 * state)
        << state;
    EXPECT_EQ(list_.state_back_color[state], 0x00300000u + IDC_SWATCH_FIRST + 3 + 2 * state)
        << state;
  }
  for (int state = 4; state < kStateSlotCount; ++state) {
    EXPECT_EQ(list_.state_text_color[state], saved_.state_text_color[state]) << state;
    EXPECT_EQ(list_.state_back_color[state], saved_.state_back_color[state]) << state;
  }
  EXPECT_EQ(std::memcmp(list_.custom_colors, saved_.custom_colors, sizeof list_.custom_colors), 0);
}

TEST_F(ColorSchemeDialogTest, OnlyADoubleClickOnASwatchOpensTheChooser) {
  run([&](const DialogDriver& driver, HWND dialog) {
    for (int id : {IDC_COLORS_HINT, IDC_TEXT_LABEL_FIRST, IDC_TEXT_LABEL_FIRST + 1,
                   IDC_COLOR_GROUP_FIRST, IDC_COLOR_GROUP_FIRST + 4, IDOK}) {
      post_double_click(dialog, id);
      driver.settle();
      EXPECT_EQ(driver.owned_dialog(dialog), nullptr) << id;
    }
    post_double_click(dialog, IDC_SWATCH_FIRST + 2, NM_CLICK);
    driver.settle();
    EXPECT_EQ(driver.owned_dialog(dialog), nullptr);
    EXPECT_TRUE(IsWindow(dialog));
  });
  EXPECT_TRUE(colors_unchanged());
}

TEST_F(ColorSchemeDialogTest, ChooserStartsAtTheSwatchAndItsCancelKeepsIt) {
  run([&](const DialogDriver& driver, HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_SWATCH_FIRST + 7, LVM_SETBKCOLOR, 0, RGB(10, 20, 30));
    post_double_click(dialog, IDC_SWATCH_FIRST + 7);
    HWND chooser = driver.find_dialog(dialog);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(driver.text(chooser, kChooserRed), "10");
    EXPECT_EQ(driver.text(chooser, kChooserGreen), "20");
    EXPECT_EQ(driver.text(chooser, kChooserBlue), "30");
    driver.click(chooser, IDCANCEL);
    EXPECT_TRUE(driver.wait_closed(chooser));
    driver.settle();
    EXPECT_EQ(swatch(dialog, IDC_SWATCH_FIRST + 7), RGB(10, 20, 30));
    driver.click(dialog, IDCANCEL);
  });
  EXPECT_TRUE(colors_unchanged());
}

TEST_F(ColorSchemeDialogTest, ChosenColourShowsInTheSwatchAndCustomColoursStay) {
  const INT_PTR result = run([&](const DialogDriver& driver, HWND dialog) {
    post_double_click(dialog, IDC_SWATCH_FIRST + 3);
    HWND chooser = driver.find_dialog(dialog);
    ASSERT_NE(chooser, nullptr);
    driver.set_text(chooser, kChooserRed, "200");
    driver.set_text(chooser, kChooserGreen, "100");
    driver.set_text(chooser, kChooserBlue, "50");
    driver.click(chooser, kChooserAdd);
    driver.click(chooser, IDOK);
    EXPECT_TRUE(driver.wait_closed(chooser));
    driver.settle();
    EXPECT_EQ(swatch(dialog, IDC_SWATCH_FIRST + 3), RGB(200, 100, 50));
    // Still only in the swatch until OK.
    EXPECT_EQ(list_.state_back_color[0], saved_.state_back_color[0]);
    driver.click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(colors_unchanged());
  bool custom_added = false;
  for (ColorRef color : list_.custom_colors) custom_added |= color == RGB(200, 100, 50);
  EXPECT_TRUE(custom_added);
}

}  // namespace
