#include "ui/main/dialog_launch.h"

// The file parameters, about and settings dialogs are not part of the program
// yet: until they are, these return at once as a dialog that failed to open.

INT_PTR open_file_params(HWND owner, CopyJob* job) {
  (void)owner;
  (void)job;
  return -1;
}

INT_PTR open_about(HWND owner) {
  (void)owner;
  return -1;
}

INT_PTR open_settings(HWND owner, DialogParam* param) {
  (void)owner;
  (void)param;
  return -1;
}
