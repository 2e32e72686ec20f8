#include "ui/main/add_warnings.h"

#include "platform/win32/wide_text.h"
#include "res/string_ids.h"

namespace {

void replace_first(std::wstring* text, const wchar_t* directive, const std::wstring& value) {
  const std::wstring::size_type at = text->find(directive);
  if (at != std::wstring::npos) text->replace(at, 2, value);
}

std::wstring table_text(unsigned id) {
  char text[kTextCapacity];
  load_text(text, id, kTextCapacity);
  std::wstring wide;
  platform::widen(text, &wide);
  return wide;
}

}  // namespace

void warn_wide(HWND window, unsigned id, const std::wstring& name, int count) {
  std::wstring text = table_text(id);
  replace_first(&text, L"%d", std::to_wstring(count));
  replace_first(&text, L"%s", name);
  const std::wstring caption = table_text(IDS_ERROR_CAPTION);
  MessageBoxW(window, text.c_str(), caption.c_str(), MB_ICONWARNING | MB_OK);
}
