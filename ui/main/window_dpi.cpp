#include "ui/main/window_dpi.h"

namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);

int system_dpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kBaseDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int window_dpi(HWND window) {
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  const UINT dpi = get_dpi_for_window != nullptr ? get_dpi_for_window(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : system_dpi();
}

int scale_pixels(int pixels, int from_dpi, int to_dpi) {
  return from_dpi == to_dpi ? pixels : MulDiv(pixels, to_dpi, from_dpi);
}

// GetSystemMetrics gives the size at the system's DPI.
int small_icon_size(int dpi) {
  return scale_pixels(GetSystemMetrics(SM_CXSMICON), system_dpi(), dpi);
}
