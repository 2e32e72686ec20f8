// The program entry: prepares the settings and the state icons, runs the main
// window as a modal dialog, then releases the icons and saves the settings.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "app/config_file.h"
#include "app/settings_records.h"
#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "app/win32/state_icons.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/main/main_window.h"
#include "ui/main/queue_store.h"

namespace {

// The settings records live for the whole run; the main window and the
// dialogs edit them in place through dialog_param.
ListParam list_param;
CopyParam copy_param;
DialogParam dialog_param;
char config_path[kConfigPathCapacity];
char queue_path[kConfigPathCapacity];

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  char config_name[kTextCapacity];
  set_resource_module(instance);
  load_text(config_name, IDS_CONFIG_FILE_NAME, kTextCapacity);
  exe_dir_path(config_path, config_name);
  // The queue's journal beside the settings.
  char queue_name[kTextCapacity];
  load_text(queue_name, IDS_QUEUE_FILE_NAME, kTextCapacity);
  exe_dir_path(queue_path, queue_name);
  set_queue_journal_path(queue_path);

  int exit_code = 0;
  InitCommonControls();
  load_settings(config_path, &list_param, &copy_param, &dialog_param);
  load_state_icons(instance);

  // The main window stops all copying and stores its placement and column
  // widths into the records before this returns.
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_window_proc,
                                   reinterpret_cast<LPARAM>(&dialog_param));
  if (result == -1) exit_code = 1;

  destroy_state_icons();
  // Saved in every case, so a first run leaves a configuration file behind.
  save_settings(config_path, list_param, copy_param, dialog_param);
  return exit_code;
}
