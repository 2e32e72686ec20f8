// The main window as it opens from template IDD_MAIN, its commands that change
// nothing, its row colours, what it stores when it closes, and a change of DPI.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/copy_job.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_state.h"
#include "ui/main/window_dpi.h"
#include "ui_harness.h"

namespace {

struct TemplateControl {
  int id;
  RECT units;  // left, top, width, height in dialog units
};

const TemplateControl kControls[] = {
    {IDC_START, {3, 6, 51, 18}},       {IDC_STOP, {57, 6, 51, 18}},
    {IDC_SETTINGS, {117, 6, 51, 18}},  {IDC_ADD, {3, 33, 39, 15}},
    {IDC_DELETE, {3, 51, 39, 15}},     {IDC_UP, {3, 81, 39, 15}},
    {IDC_DOWN, {3, 99, 39, 15}},       {IDC_FILE_LIST, {48, 33, 375, 81}},
    {IDC_LOG, {3, 120, 420, 66}},      {IDC_ABOUT, {177, 6, 21, 18}},
    {IDC_PROGRESS, {207, 18, 216, 9}}, {IDC_STATUS, {207, 3, 216, 12}},
};

// The dialog manager converts the origin and the size separately.
RECT in_pixels(HWND window, RECT units) {
  RECT rect = units;
  MapDialogRect(window, &rect);
  rect.right += rect.left;
  rect.bottom += rect.top;
  return rect;
}

RECT client_rect_of(HWND window, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void expect_rect(const RECT& expected, const RECT& actual, int id) {
  EXPECT_EQ(expected.left, actual.left) << id;
  EXPECT_EQ(expected.top, actual.top) << id;
  EXPECT_EQ(expected.right, actual.right) << id;
  EXPECT_EQ(expected.bottom, actual.bottom) << id;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = make_temp_folder();
    default_settings(&settings_, folder_);
  }
  std::string folder_;
  Settings settings_;
};

TEST_F(MainWindowTest, OpensAtDesignedSizeCentredWithTemplateControlsAndTexts) {
  // Wine takes the ANSI code page from the locale; the texts need 1251.
  ASSERT_EQ(1251u, GetACP());
  MainWindowRun run(&settings_);
  HWND window = run.window();
  ASSERT_NE(window, nullptr);

  RECT client;
  GetClientRect(window, &client);
  const RECT designed = in_pixels(window, {0, 0, 426, 190});
  EXPECT_EQ(designed.right, client.right);
  EXPECT_EQ(designed.bottom, client.bottom);
  for (const TemplateControl& control : kControls) {
    expect_rect(in_pixels(window, control.units), client_rect_of(window, run.item(control.id)),
                control.id);
  }

  // First run: no stored placement, so the window is centred on the screen.
  RECT outer;
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2, outer.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2, outer.top);

  EXPECT_EQ("Tarvolin", window_text(window));
  const char* buttons[] = {"Начать",  "Остановить", "Настройка", "Добавить",
                           "Удалить", "Вверх",      "Вниз"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ansi(buttons[i]), window_text(run.item(IDC_START + i)));
  EXPECT_EQ("?", window_text(run.item(IDC_ABOUT)));
  EXPECT_EQ("", window_text(run.item(IDC_STATUS)));

  // The focus starts on Начать and Tab walks the controls in template order.
  HWND focus = nullptr;
  std::vector<int> tab_order;
  run.run([&] {
    focus = GetFocus();
    HWND control = focus;
    for (int i = 0; i < 10; ++i) {
      control = GetNextDlgTabItem(window, control, FALSE);
      tab_order.push_back(GetDlgCtrlID(control));
    }
  });
  EXPECT_EQ(run.item(IDC_START), focus);
  EXPECT_EQ((std::vector<int>{IDC_STOP, IDC_SETTINGS, IDC_ADD, IDC_DELETE, IDC_UP, IDC_DOWN,
                              IDC_FILE_LIST, IDC_LOG, IDC_ABOUT, IDC_START}),
            tab_order);

  PBRANGE range = {};
  SendMessageA(run.item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(0, range.iLow);
  EXPECT_EQ(100, range.iHigh);
  EXPECT_EQ(0, SendMessageA(run.item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

TEST_F(MainWindowTest, ListHasSevenColumnsWithStoredWidthsAndStateImages) {
  const int widths[kColumnCount] = {20, 171, 81, -1, 82, 93, 404};
  for (int i = 0; i < kColumnCount; ++i) settings_.list.column_width[i] = widths[i];
  MainWindowRun run(&settings_);
  HWND list = run.item(IDC_FILE_LIST);

  const char* titles[] = {" ", "Файл", "Размер", "Загружено", "Состояние", "Скорость", "Путь"};
  for (int i = 0; i < kColumnCount; ++i) {
    char title[64] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_FMT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column))) << i;
    EXPECT_EQ(ansi(titles[i]), title) << i;
    EXPECT_EQ(LVCFMT_LEFT, column.fmt & LVCFMT_JUSTIFYMASK) << i;
    const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
    // A stored width below 0 inserts the column without a width.
    if (widths[i] >= 0) {
      EXPECT_EQ(widths[i], width) << i;
    } else {
      // The width the list view gives a column of that title inserted without one.
      int unset = -2;
      run.run([&] {
        HWND scratch = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100,
                                       run.window(), nullptr, nullptr, nullptr);
        LVCOLUMNA plain = {};
        plain.mask = LVCF_TEXT;
        plain.pszText = title;
        SendMessageA(scratch, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&plain));
        unset = static_cast<int>(SendMessageA(scratch, LVM_GETCOLUMNWIDTH, 0, 0));
        DestroyWindow(scratch);
      });
      EXPECT_EQ(unset, width) << i;
    }
  }
  LVCOLUMNA eighth = {};
  eighth.mask = LVCF_WIDTH;
  EXPECT_FALSE(SendMessageA(list, LVM_GETCOLUMNA, kColumnCount, reinterpret_cast<LPARAM>(&eighth)));

  EXPECT_TRUE(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  // Five state icons; the sixth state has none.
  EXPECT_EQ(5, ImageList_GetImageCount(images));
  EXPECT_EQ(settings_.list.back_color,
            static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0)));
}

TEST_F(MainWindowTest, EnterAndUnknownCommandsDoNothing) {
  write_file(folder_ + "\\a.bin", 10);
  MainWindowRun run(&settings_);
  ASSERT_NE(run.add_job(folder_ + "\\a.bin"), nullptr);
  run.command(IDOK);
  run.command(IDM_SELECT_ALL + 100);
  EXPECT_TRUE(IsWindowVisible(run.window()));
  EXPECT_EQ(1, SendMessageA(run.item(IDC_FILE_LIST), LVM_GETITEMCOUNT, 0, 0));
}

TEST_F(MainWindowTest, RowColoursFollowTheJobState) {
  write_file(folder_ + "\\a.bin", 10);
  MainWindowRun run(&settings_);
  JobRow* record = run.add_job(folder_ + "\\a.bin");
  ASSERT_NE(record, nullptr);

  auto paint = [&](DWORD stage, int from_id, NMLVCUSTOMDRAW* draw) {
    draw->nmcd.hdr.hwndFrom = run.item(from_id);
    draw->nmcd.hdr.idFrom = from_id;
    draw->nmcd.hdr.code = NM_CUSTOMDRAW;
    draw->nmcd.dwDrawStage = stage;
    draw->nmcd.lItemlParam = reinterpret_cast<LPARAM>(record);
    // The dialog procedure as the list reaches it, by a call within its
    // thread (one sent from another thread is ignored); the answer is the
    // dialog's message result.
    if (!main_window_proc(run.window(), WM_NOTIFY, from_id, reinterpret_cast<LPARAM>(draw))) {
      return LRESULT{-1};
    }
    return GetWindowLongPtrA(run.window(), DWLP_MSGRESULT);
  };
  NMLVCUSTOMDRAW draw = {};
  EXPECT_EQ(CDRF_NOTIFYITEMDRAW, paint(CDDS_PREPAINT, IDC_FILE_LIST, &draw));
  for (int32_t state : {JOB_QUEUED, JOB_RUNNING, JOB_ERROR, JOB_COMPLETED}) {
    record->job->state = state;
    draw = {};
    EXPECT_EQ(CDRF_NEWFONT, paint(CDDS_ITEMPREPAINT, IDC_FILE_LIST, &draw));
    EXPECT_EQ(settings_.list.state_text_color[state], draw.clrText) << state;
    EXPECT_EQ(settings_.list.state_back_color[state], draw.clrTextBk) << state;
  }
  draw = {};
  EXPECT_EQ(CDRF_DODEFAULT, paint(CDDS_POSTPAINT, IDC_FILE_LIST, &draw));
  // Another control's drawing is not the file list's business.
  draw = {};
  draw.clrText = 0x123456;
  paint(CDDS_ITEMPREPAINT, IDC_LOG, &draw);
  EXPECT_EQ(0x123456u, draw.clrText);
  record->job->state = JOB_QUEUED;
}

TEST_F(MainWindowTest, StoresPlacementAndColumnWidthsAtClose) {
  {
    MainWindowRun run(&settings_);
    RECT outer;
    GetWindowRect(run.window(), &outer);
    SetWindowPos(run.window(), nullptr, 31, 42, outer.right - outer.left + 60,
                 outer.bottom - outer.top + 20, 0);
    SendMessageA(run.item(IDC_FILE_LIST), LVM_SETCOLUMNWIDTH, 1, 222);
    SendMessageA(run.item(IDC_FILE_LIST), LVM_SETCOLUMNWIDTH, 6, 77);
    GetWindowRect(run.window(), &outer);
    ASSERT_TRUE(run.close());
    EXPECT_EQ(outer.left, settings_.dialog.window_x);
    EXPECT_EQ(outer.top, settings_.dialog.window_y);
    EXPECT_EQ(outer.right - outer.left, settings_.dialog.window_width);
    EXPECT_EQ(outer.bottom - outer.top, settings_.dialog.window_height);
  }
  EXPECT_EQ(222, settings_.list.column_width[1]);
  EXPECT_EQ(77, settings_.list.column_width[6]);
  EXPECT_EQ(80, settings_.list.column_width[2]);

  // The next opening puts it back where it was.
  MainWindowRun again(&settings_);
  RECT outer;
  GetWindowRect(again.window(), &outer);
  EXPECT_EQ(31, outer.left);
  EXPECT_EQ(42, outer.top);
  EXPECT_EQ(settings_.dialog.window_width, outer.right - outer.left);
  EXPECT_EQ(222, SendMessageA(again.item(IDC_FILE_LIST), LVM_GETCOLUMNWIDTH, 1, 0));
}

TEST_F(MainWindowTest, ADpiChangeTakesTheSuggestedRectangleAndRescalesColumnsAndImages) {
  MainWindowRun run(&settings_);
  HWND window = run.window();
  HWND list = run.item(IDC_FILE_LIST);
  const int dpi = window_dpi(window);
  const int to = dpi * 3 / 2;  // 96 -> 144, 100 -> 150 %
  RECT outer;
  GetWindowRect(window, &outer);
  const RECT list_before = client_rect_of(window, list);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  RECT suggested = {outer.left + 10, outer.top + 20, outer.left + 10 + width * 3 / 2,
                    outer.top + 20 + height * 3 / 2};
  SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

  RECT now;
  GetWindowRect(window, &now);
  expect_rect(suggested, now, 0);
  for (int i = 0; i < kColumnCount; ++i) {
    EXPECT_EQ(MulDiv(settings_.list.column_width[i], to, dpi),
              SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0))
        << i;
  }
  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  int icon_width = 0, icon_height = 0;
  ASSERT_TRUE(ImageList_GetIconSize(images, &icon_width, &icon_height));
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON) * 3 / 2, icon_width);
  EXPECT_EQ(icon_width, icon_height);
  EXPECT_EQ(5, ImageList_GetImageCount(images));
  // The layout's designed places and sizes follow: the list starts where the
  // template puts it at the new DPI, and the window cannot shrink below it.
  const RECT list_now = client_rect_of(window, list);
  EXPECT_NEAR(list_before.left * 3 / 2, list_now.left, 1);
  EXPECT_NEAR(list_before.top * 3 / 2, list_now.top, 1);
  MINMAXINFO limits = {};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_NEAR(width * 3 / 2, limits.ptMinTrackSize.x, 1);
  EXPECT_NEAR(height * 3 / 2, limits.ptMinTrackSize.y, 1);

  // Stored as widths at 100 %, as they were.
  const ListParam before = settings_.list;
  ASSERT_TRUE(run.close());
  for (int i = 0; i < kColumnCount; ++i) {
    EXPECT_EQ(before.column_width[i], settings_.list.column_width[i]) << i;
  }
}

}  // namespace
