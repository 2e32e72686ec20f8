#include "ui/main/main_window.h"

#include <commctrl.h>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "app/win32/state_icons.h"
#include "engine/copy_job.h"
#include "engine/queue_controller.h"
#include "engine/run_flags.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/dialog_items.h"
#include "ui/dialogs/file_params_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/main/file_list.h"
#include "ui/main/folder_add.h"
#include "ui/main/list_commands.h"
#include "ui/main/list_refresh.h"
#include "ui/main/main_window_state.h"
#include "ui/main/posted_message_filter.h"
#include "ui/main/queue_store.h"
#include "ui/main/taskbar_progress.h"
#include "ui/main/window_dpi.h"
#include "ui/main/window_host_win32.h"
#include "ui/main/window_layout.h"

MainWindow main_window;

namespace {

// How long closing waits for the copy to end: a block, or a cancelled read.
constexpr uint32_t kCloseLimitMs = 1000;

ListParam* list_param() { return main_window.param->list_ref; }

void load_window_icon(HWND window) {
  main_window.icon = static_cast<HICON>(LoadImageA(resource_module(), MAKEINTRESOURCEA(IDI_APP),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (main_window.icon != nullptr) {
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(main_window.icon));
  }
}

void lay_out_at_opening(HWND window) {
  const DialogParam* param = main_window.param;
  restore_placement(window, param->window_x, param->window_y, param->window_width,
                    param->window_height);
  add_anchor(GetDlgItem(window, IDC_FILE_LIST), true, false);
  add_anchor(GetDlgItem(window, IDC_LOG), false, true);
  add_anchor(GetDlgItem(window, IDC_PROGRESS), true, true);
  add_anchor(GetDlgItem(window, IDC_STATUS), true, true);
  relayout(window);
}

// The state images at the small-icon size for `dpi`, each from its icon's
// image of that size, into a new image list; fills state_image.
HIMAGELIST make_state_images(int dpi) {
  const int size = small_icon_size(dpi);
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 1, 1);
  for (int state = 0; state < kStateSlotCount; ++state) {
    HICON icon = images != nullptr ? load_state_icon(resource_module(), state, size) : nullptr;
    // A missing icon (slot 5 always) appends nothing and gives -1: no image.
    main_window.state_image[state] = icon != nullptr ? ImageList_ReplaceIcon(images, -1, icon) : -1;
    if (icon != nullptr) DestroyIcon(icon);
  }
  return images;
}

void set_labels(HWND window) {
  set_title_text(window, IDS_APP_TITLE);
  // IDS_START .. IDS_DOWN stand in the order of the buttons IDC_START .. IDC_DOWN.
  for (int id = IDC_START; id <= IDC_DOWN; ++id) {
    set_item_string(window, id, IDS_START + (id - IDC_START));
  }
  set_item_string(window, IDC_ABOUT, IDS_ABOUT);
}

void apply_list_colors() {
  SendMessageA(main_window.list, LVM_SETBKCOLOR, 0, list_param()->back_color);
  SendMessageA(main_window.list, LVM_SETTEXTCOLOR, 0, list_param()->text_color);
}

void prepare_list() {
  HWND list = main_window.list;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               main_window.list_ex_style | LVS_EX_FULLROWSELECT);
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(main_window.images));
  apply_list_colors();
  for (int column = 0; column < kColumnCount; ++column) {
    char title[kTextCapacity];
    load_text(title, IDS_COLUMN_STATE + column, kTextCapacity);  // the titles in column order
    // Stored at 96 DPI; a width below 0 stays below 0 (no width).
    insert_column(list, column, title,
                  scale_pixels(list_param()->column_width[column], kBaseDpi, main_window.dpi));
  }
}

BOOL open_main_window(HWND window, DialogParam* param) {
  install_posted_message_filter();
  reset_controller();
  reset_adding();
  // A fresh state before the host goes to the engine, whose threads find the
  // window through it.
  main_window = MainWindow{param,
                           window,
                           GetDlgItem(window, IDC_FILE_LIST),
                           GetDlgItem(window, IDC_LOG),
                           GetDlgItem(window, IDC_STATUS),
                           GetDlgItem(window, IDC_PROGRESS)};
  set_window_host(&main_window_host);
  load_window_icon(window);
  lay_out_at_opening(window);
  main_window.list_ex_style =
      static_cast<DWORD>(SendMessageA(main_window.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  main_window.dpi = window_dpi(window);
  main_window.images = make_state_images(main_window.dpi);
  set_labels(window);
  prepare_list();
  restore_queue();
  SendDlgItemMessageA(window, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
  SendDlgItemMessageA(window, IDC_PROGRESS, PBM_SETPOS, 0, 0);
  SetTimer(window, IDT_REFRESH, param->refresh_interval, nullptr);
  open_taskbar_progress();
  // Files and folders dragged from Explorer join the queue.
  DragAcceptFiles(window, TRUE);
  return TRUE;
}

bool any_worker_running(HWND list) {
  for (int row = row_count(list) - 1; row >= 0; --row) {
    const JobRow* record = row_record(list, row);
    if (record != nullptr && worker_running(record)) return true;
  }
  return false;
}

void close_main_window(HWND window) {
  if (any_worker_running(main_window.list)) {
    char question[kTextCapacity];
    load_text(question, IDS_STOP_COPYING_QUESTION, kTextCapacity);
    char caption[kTextCapacity];
    load_text(caption, IDS_QUESTION_CAPTION, kTextCapacity);
    if (MessageBoxA(window, question, caption, MB_ICONQUESTION | MB_YESNO) != IDYES) return;
  }
  EndDialog(window, IDCANCEL);
}

void open_settings_from(HWND window) {
  if (open_settings_dialog(window, main_window.param) != IDOK) return;
  apply_list_colors();
  InvalidateRect(main_window.list, nullptr, TRUE);
}

// A command comes from the window's buttons, menu and keys, which cannot be
// used while a dialog is open over the window or the button is greyed. The
// same command sent by another program then does nothing: a Delete would free
// the job an open dialog shows.
bool command_usable(HWND window, int id) {
  if (!IsWindowEnabled(window)) return false;
  HWND button = GetDlgItem(window, id);
  return button == nullptr || IsWindowEnabled(button);
}

void run_command(HWND window, int id) {
  if (!command_usable(window, id)) return;
  switch (id) {
    case IDCANCEL:
      close_main_window(window);
      break;
    case IDC_START:
      start_controller();
      break;
    case IDC_STOP:
      stop_button();
      break;
    case IDC_SETTINGS:
      open_settings_from(window);
      break;
    case IDC_ADD:
      add_files(window);
      break;
    case IDM_ADD_FOLDER:
      add_folder(window);
      break;
    case IDC_DELETE:
      delete_selected(main_window.list);
      break;
    case IDC_UP:
      move_row(main_window.list, true);
      break;
    case IDC_DOWN:
      move_row(main_window.list, false);
      break;
    case IDM_SELECT_ALL:
      select_all(main_window.list);
      break;
    case IDC_ABOUT:
      open_about_dialog(window);
      break;
    default:
      break;  // IDOK among others: Enter does nothing here
  }
  // The queue's journal follows every change of the rows' order or number.
  if (id == IDC_DELETE || id == IDC_UP || id == IDC_DOWN) queue_changed();
}

LRESULT row_colors(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const JobRow* record = reinterpret_cast<const JobRow*>(draw->nmcd.lItemlParam);
      if (record != nullptr && record->job != nullptr) {
        const int32_t state = record->job->state.load();
        if (state >= 0 && state < kStateSlotCount) {
          draw->clrText = list_param()->state_text_color[state];
          draw->clrTextBk = list_param()->state_back_color[state];
        }
      }
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void open_row_params(const NMITEMACTIVATE* activate) {
  if (activate->iItem < 0) return;
  JobRow* record = row_record(main_window.list, activate->iItem);
  if (record == nullptr || record->job == nullptr) return;
  if (open_file_params_dialog(main_window.window, record->job) == IDOK) queue_changed();
}

INT_PTR on_notify(HWND window, NMHDR* header) {
  if (header->idFrom != IDC_FILE_LIST) return FALSE;
  switch (header->code) {
    case NM_CUSTOMDRAW:
      SetWindowLongPtrA(window, DWLP_MSGRESULT,
                        row_colors(reinterpret_cast<NMLVCUSTOMDRAW*>(header)));
      return TRUE;
    case NM_RCLICK:
      show_context_menu(window, main_window.list, menu_point_at_cursor());
      return FALSE;
    case NM_DBLCLK:
      open_row_params(reinterpret_cast<NMITEMACTIVATE*>(header));
      return FALSE;
    default:
      return FALSE;
  }
}

int column_width(int column) {
  return static_cast<int>(SendMessageA(main_window.list, LVM_GETCOLUMNWIDTH, column, 0));
}

// As widths at 96 DPI, so that they fit any scale the window opens at next.
void store_column_widths() {
  for (int column = 0; column < kColumnCount; ++column) {
    list_param()->column_width[column] =
        scale_pixels(column_width(column), main_window.dpi, kBaseDpi);
  }
}

// WM_DPICHANGED: moved to a screen of another scale (per-monitor awareness).
// The window takes the suggested rectangle; the columns, the state images and
// the layout's designed sizes follow the new DPI.
void change_dpi(HWND window, int dpi, const RECT& suggested) {
  const int old_dpi = main_window.dpi;
  main_window.dpi = dpi;
  for (int column = 0; column < kColumnCount; ++column) {
    SendMessageA(main_window.list, LVM_SETCOLUMNWIDTH, column,
                 scale_pixels(column_width(column), old_dpi, dpi));
  }
  HIMAGELIST old_images = main_window.images;
  main_window.images = make_state_images(dpi);
  SendMessageA(main_window.list, LVM_SETIMAGELIST, LVSIL_SMALL,
               reinterpret_cast<LPARAM>(main_window.images));
  if (old_images != nullptr) ImageList_Destroy(old_images);
  rescale_layout(old_dpi, dpi);
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  relayout(window);
}

void free_rows() {
  const int count = row_count(main_window.list);
  for (int row = 0; row < count; ++row) free_job_row(row_record(main_window.list, row));
  // The list rows go with the window; their item data must not be read again.
  for (int row = 0; row < count; ++row) set_row_record(main_window.list, row, nullptr);
}

void destroy_main_window(HWND window) {
  KillTimer(window, IDT_REFRESH);
  KillTimer(window, IDT_LOG_PAINT);
  close_taskbar_progress();
  // From here on neither the controller nor the log touches the window, and
  // a folder's walk hands over no more rows.
  run_flags.closing = true;
  end_adding(kCloseLimitMs);
  const bool copy_ended = close_controller(kCloseLimitMs);
  // Rows a blocked worker still uses are read, never freed, here.
  close_queue_store();
  save_placement(window, main_window.param);
  store_column_widths();
  SendMessageA(main_window.list, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
  if (main_window.images != nullptr) ImageList_Destroy(main_window.images);
  main_window.images = nullptr;
  // Rows a thread may still use (blocked on a dead device) go with the process.
  if (copy_ended) free_rows();
  close_layout();
  if (main_window.icon != nullptr) DestroyIcon(main_window.icon);
  main_window.icon = nullptr;
  remove_posted_message_filter();
}

}  // namespace

INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return open_main_window(window, reinterpret_cast<DialogParam*>(lparam));
    case WM_COMMAND:
      run_command(window, LOWORD(wparam));
      return TRUE;
    case WM_NOTIFY:
      // The list's notifications are sent from this thread. One sent by
      // another thread may come from another program, its pointer meaning
      // nothing here; a posted one never gets this far (the message filter).
      if (InSendMessage()) return FALSE;
      return on_notify(window, reinterpret_cast<NMHDR*>(lparam));
    case WM_TIMER:
      if (wparam == IDT_REFRESH) refresh_list();
      if (wparam == IDT_LOG_PAINT) paint_log();
      return FALSE;
    case WM_SIZE:
      relayout(window);
      return FALSE;
    case WM_CONTEXTMENU:
      // From the keyboard (the menu key, Shift+F10) the position is -1; a
      // right click has already opened the menu through NM_RCLICK.
      if (reinterpret_cast<HWND>(wparam) == main_window.list && lparam == -1) {
        show_context_menu(window, main_window.list, menu_point_for_keyboard(main_window.list));
      }
      return TRUE;
    case WM_DPICHANGED:
      // The DPI in the low word, the suggested outer rectangle behind lparam.
      if (LOWORD(wparam) > 0 && lparam != 0) {
        change_dpi(window, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      }
      return TRUE;
    case WM_GETMINMAXINFO:
      set_min_size(reinterpret_cast<MINMAXINFO*>(lparam));
      return FALSE;
    case WM_DESTROY:
      destroy_main_window(window);
      return FALSE;
    case kRunOnWindowThread:
      serve_window_call();
      return TRUE;
    case kShowNewestLogLine:
      serve_newest_log_line();
      return TRUE;
    case WM_DROPFILES:
      // Posted by the system; one posted or sent by another program carries
      // no drop, which add_dropped recognises and leaves alone.
      add_dropped(window, reinterpret_cast<HDROP>(wparam));
      return TRUE;
    case kShowAddSummary:
      show_add_summary(window);
      return TRUE;
    default:
      return FALSE;
  }
}
