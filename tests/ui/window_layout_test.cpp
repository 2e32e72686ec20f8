// The window's placement from one run to the next and the anchored controls.
#include "ui/main/window_layout.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "ui_harness.h"

namespace {

RECT control_rect(HWND window, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

struct Growth {
  int dx, dy, dw, dh;
};

void expect_moved(const RECT& before, const RECT& after, Growth growth, int id) {
  EXPECT_EQ(before.left + growth.dx, after.left) << id;
  EXPECT_EQ(before.top + growth.dy, after.top) << id;
  EXPECT_EQ(before.right - before.left + growth.dw, after.right - after.left) << id;
  EXPECT_EQ(before.bottom - before.top + growth.dh, after.bottom - after.top) << id;
}

TEST(Placement, StoredValuesOrCentred) {
  EXPECT_EQ(40, placement_size(40, 30));
  EXPECT_EQ(30, placement_size(29, 30));
  EXPECT_EQ(30, placement_size(0, 30));
  EXPECT_EQ(340, placement_origin(-500, 1280, 601));  // 640 - 300
  EXPECT_EQ(-499, placement_origin(-499, 1280, 601));
  EXPECT_EQ(5000, placement_origin(5000, 1280, 601));
  // Halving truncates toward zero.
  EXPECT_EQ(-1, placement_origin(-1000, 1, 3));
}

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { default_settings(&settings_, make_temp_folder()); }
  Settings settings_;
};

TEST_F(LayoutTest, GrowingTheWindowWidensAndLowersTheAnchoredControls) {
  MainWindowRun run(&settings_);
  HWND window = run.window();
  const int ids[] = {IDC_START, IDC_STOP,  IDC_SETTINGS,  IDC_ADD, IDC_DELETE,   IDC_UP,
                     IDC_DOWN,  IDC_ABOUT, IDC_FILE_LIST, IDC_LOG, IDC_PROGRESS, IDC_STATUS};
  RECT before[12];
  for (int i = 0; i < 12; ++i) before[i] = control_rect(window, run.item(ids[i]));
  RECT outer;
  GetWindowRect(window, &outer);

  // Two resizes end where one resize to the final size would.
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 300, outer.bottom - outer.top + 10,
               SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 100, outer.bottom - outer.top + 50,
               SWP_NOMOVE | SWP_NOZORDER);
  for (int i = 0; i < 12; ++i) {
    const RECT after = control_rect(window, run.item(ids[i]));
    Growth growth = {0, 0, 0, 0};
    if (ids[i] == IDC_FILE_LIST) growth = {0, 0, 100, 50};
    if (ids[i] == IDC_LOG) growth = {0, 50, 100, 0};
    if (ids[i] == IDC_PROGRESS || ids[i] == IDC_STATUS) growth = {0, 0, 100, 0};
    expect_moved(before[i], after, growth, ids[i]);
  }

  // Smaller than designed: everything back at its designed place.
  SetWindowPos(window, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
  for (int i = 0; i < 12; ++i) {
    expect_moved(before[i], control_rect(window, run.item(ids[i])), {0, 0, 0, 0}, ids[i]);
  }

  // The designed size is the smallest the user can drag it to.
  MINMAXINFO limits = {};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(outer.right - outer.left, limits.ptMinTrackSize.x);
  EXPECT_EQ(outer.bottom - outer.top, limits.ptMinTrackSize.y);
}

TEST_F(LayoutTest, FiveHundredLeftOrAboveCentresTheWindow) {
  settings_.dialog.window_x = -499;
  settings_.dialog.window_y = -500;
  settings_.dialog.window_width = 10;
  settings_.dialog.window_height = 600;
  MainWindowRun run(&settings_);
  RECT outer;
  GetWindowRect(run.window(), &outer);
  const int width = outer.right - outer.left;
  EXPECT_EQ(-499, outer.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - 600 / 2, outer.top);
  EXPECT_EQ(600, outer.bottom - outer.top);
  EXPECT_GT(width, 10);
  ASSERT_TRUE(run.close());

  settings_.dialog.window_x = -500;
  settings_.dialog.window_y = -499;
  settings_.dialog.window_width = width + 33;
  MainWindowRun again(&settings_);
  GetWindowRect(again.window(), &outer);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - (width + 33) / 2, outer.left);
  EXPECT_EQ(-499, outer.top);
  EXPECT_EQ(width + 33, outer.right - outer.left);
}

}  // namespace
