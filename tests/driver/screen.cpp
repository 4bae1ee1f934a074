// What is on the screen: the icon a message box shows, and screenshots.
//
// The icon handle of another process's window means nothing here, so the
// icon is judged by its pixels: the icon control's screen area is compared
// with this process's own drawing of each system icon on the same
// background, and the closest drawing wins when it is close enough.
#include "driver.h"

#include <cstdint>
#include <cstdio>

namespace {

const int kMessageBoxIconId = 1088;

// The four icons a MessageBox can carry, by the names the log uses.
struct SystemIcon {
  const char* name;
  LPCWSTR resource;
};
const SystemIcon kSystemIcons[] = {
    {"error", MAKEINTRESOURCEW(32513)},        // IDI_HAND, MB_ICONERROR
    {"question", MAKEINTRESOURCEW(32514)},     // IDI_QUESTION
    {"warning", MAKEINTRESOURCEW(32515)},      // IDI_EXCLAMATION
    {"information", MAKEINTRESOURCEW(32516)},  // IDI_ASTERISK
};

// A pixel differs visibly when a colour channel is off by more than this
// (0-255): room for rounding in blending, far below any real colour change.
const int kChannelSlack = 24;

// Per mille of differing pixels up to which a drawing counts as the painted
// icon.  The same icon drawn by the same system differs nowhere (0).  Under
// Wine 8 the closest pair of different icons, information and question (the
// same blue disc, another glyph), differs in 72 per mille of a 32 x 32 icon,
// every other pair in more than 500.
const int kMatchLimit = 10;

// How long a freshly shown box may take to paint its icon, and how often to
// look again meanwhile.
const DWORD kPaintWaitMs = 2000;
const DWORD kPaintPollMs = 40;

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> bgrx;  // top-down rows, 0x00RRGGBB
};

// A memory DC with a top-down 32-bit DIB selected into it.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  uint32_t* bits = nullptr;

  Canvas(int width, int height) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<uint32_t*>(memory);
    if (bitmap) previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    if (previous) SelectObject(dc, previous);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
  }
  bool ok() const { return bits != nullptr; }
  Pixels Take(int width, int height) const {
    GdiFlush();
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.bgrx.assign(bits, bits + static_cast<size_t>(width) * height);
    for (uint32_t& p : pixels.bgrx) p &= 0x00FFFFFF;
    return pixels;
  }
};

bool CaptureScreen(const RECT& area, Pixels* pixels) {
  int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  Canvas canvas(width, height);
  if (!canvas.ok()) return false;
  HDC screen = GetDC(nullptr);
  BOOL copied = BitBlt(canvas.dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  if (!copied) return false;
  *pixels = canvas.Take(width, height);
  return true;
}

// The icon stretched over the control's area, as the static control draws
// it, on the background the capture shows in its top-left corner (every
// system icon is transparent there).
bool Render(LPCWSTR resource, int width, int height, uint32_t background, Pixels* pixels) {
  HICON icon = LoadIconW(nullptr, resource);
  if (!icon) return false;
  Canvas canvas(width, height);
  if (!canvas.ok()) return false;
  for (int i = 0; i < width * height; ++i) canvas.bits[i] = background;
  if (!DrawIconEx(canvas.dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) return false;
  *pixels = canvas.Take(width, height);
  return true;
}

// Per mille of the pixels that differ visibly (by more than kChannelSlack in
// any colour channel).
int Distance(const Pixels& a, const Pixels& b) {
  size_t differing = 0;
  for (size_t i = 0; i < a.bgrx.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8) {
      int delta = static_cast<int>((a.bgrx[i] >> shift) & 0xFF) -
                  static_cast<int>((b.bgrx[i] >> shift) & 0xFF);
      if (delta > kChannelSlack || delta < -kChannelSlack) {
        ++differing;
        break;
      }
    }
  return static_cast<int>(differing * 1000 / a.bgrx.size());
}

// The closest system icon and its distance, for one capture.
const char* Closest(const Pixels& captured, int* distance) {
  const char* best = nullptr;
  *distance = 256;
  for (const SystemIcon& icon : kSystemIcons) {
    Pixels drawn;
    if (!Render(icon.resource, captured.width, captured.height, captured.bgrx[0], &drawn)) continue;
    int d = Distance(captured, drawn);
    if (d < *distance) {
      *distance = d;
      best = icon.name;
    }
  }
  return best;
}

bool WriteBmp(const std::string& path, const Pixels& pixels) {
  // 24-bit rows padded to a multiple of 4 bytes, stored bottom-up.
  const int rowBytes = (pixels.width * 3 + 3) & ~3;
  const uint32_t imageBytes = static_cast<uint32_t>(rowBytes) * pixels.height;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + imageBytes;
  info.biSize = sizeof info;
  info.biWidth = pixels.width;
  info.biHeight = pixels.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageBytes;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = pixels.height - 1; y >= 0; --y) {
    for (int x = 0; x < pixels.width; ++x) {
      uint32_t p = pixels.bgrx[static_cast<size_t>(y) * pixels.width + x];
      row[x * 3] = p & 0xFF;
      row[x * 3 + 1] = (p >> 8) & 0xFF;
      row[x * 3 + 2] = (p >> 16) & 0xFF;
    }
    std::fwrite(row.data(), 1, row.size(), out);
  }
  return std::fclose(out) == 0;
}

}  // namespace

const char* MessageBoxIcon(HWND box) {
  // Without an icon the box keeps its icon control, visible and with its
  // size (other controls may overlap it), but the control holds no icon.
  // The handle itself means nothing in this process; whether there is one
  // does.
  HWND control = GetDlgItem(box, kMessageBoxIconId);
  DWORD_PTR icon = 0;
  RECT area = {};
  if (!control || !IsWindowVisible(control) ||
      !SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kQueryTimeoutMs, &icon) ||
      !icon || !GetWindowRect(control, &area))
    return "none";
  DWORD start = GetTickCount();
  for (;;) {
    Pixels captured;
    if (CaptureScreen(area, &captured)) {
      int distance = 0;
      const char* best = Closest(captured, &distance);
      if (best && distance <= kMatchLimit) return best;
    }
    if (GetTickCount() - start >= kPaintWaitMs) return "unknown";
    Sleep(kPaintPollMs);
  }
}

bool SaveScreenshot(const std::string& path) {
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Pixels pixels;
  return CaptureScreen(screen, &pixels) && WriteBmp(path, pixels);
}
