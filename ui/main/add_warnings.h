// The boxes that tell what could not be added to the queue.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/text_format.h"
#include "ui/dialogs/dialog_items.h"

// A warning box whose text is string `id` formatted with `values`.
template <typename... Values>
void warn(HWND window, unsigned id, Values... values) {
  char format[kTextCapacity];
  load_text(format, id, kTextCapacity);
  char* text = alloc_format(format, values...);
  show_warning(window, text != nullptr ? text : "");
  std::free(text);
}

// A warning box whose text is string `id`, its "%d" replaced by `count` and
// its "%s" by `name`, shown in UTF-16: the name may be one that the program's
// code page cannot hold.
void warn_wide(HWND window, unsigned id, const std::wstring& name, int count = 0);
