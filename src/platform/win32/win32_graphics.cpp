// The Windows backend's drawing: DIB sections, a GDI canvas over a device
// context (msimg32 for AlphaBlend and TransparentBlt), fonts, GDI+ PNG
// decoding and LoadImageW for BITMAP resources.
#include <windows.h>
// GDI+ needs the COM declarations first.
#include <objidl.h>
// And then its own header.
#include <gdiplus.h>

#include <memory>
#include <vector>

#include "platform/win32/win32_graphics.h"

namespace pf {

Win32Bitmap::Win32Bitmap(int w, int h, int bpp) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  if (w > 0 && h > 0)
    handle = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!handle) return;
  bits = static_cast<uint8_t*>(pixels);
  width = w;
  height = h;
  bitsPerPixel = bpp;
  pitch = ((w * bpp + 31) / 32) * 4;
}

Win32Bitmap::Win32Bitmap(HBITMAP adopted) : handle(adopted) {
  DIBSECTION dib{};
  if (!::GetObjectW(adopted, sizeof dib, &dib)) return;
  width = dib.dsBm.bmWidth;
  height = dib.dsBm.bmHeight;
  bitsPerPixel = dib.dsBm.bmBitsPixel;
  pitch = dib.dsBm.bmWidthBytes;
  bits = static_cast<uint8_t*>(dib.dsBm.bmBits);
  if (bits && dib.dsBmih.biHeight > 0) {
    // Bottom-up rows: the top row is the last one in memory.
    bits += static_cast<ptrdiff_t>(height - 1) * pitch;
    pitch = -pitch;
  }
}

Win32Bitmap::~Win32Bitmap() {
  if (handle) ::DeleteObject(handle);
}

namespace {
// One memory DC per thread for the duration of a transfer.
HDC SourceDc() {
  static thread_local HDC dc = ::CreateCompatibleDC(nullptr);
  return dc;
}

struct Selected {
  HDC dc;
  HGDIOBJ old = nullptr;
  Selected(const Bitmap& b) {
    const auto& bitmap = static_cast<const Win32Bitmap&>(b);
    if (bitmap.selectedInto) {
      dc = bitmap.selectedInto;
      ::GdiFlush();
    } else {
      dc = SourceDc();
      old = ::SelectObject(dc, bitmap.handle);
    }
  }
  ~Selected() {
    if (old) ::SelectObject(dc, old);
  }
};
}  // namespace

GdiCanvas::GdiCanvas(HDC dc) : dc_(dc) {}

GdiCanvas::GdiCanvas(int width, int height)
    : target_(std::make_unique<Win32Bitmap>(width, height, 32)) {
  dc_ = ::CreateCompatibleDC(nullptr);
  ownsDc_ = true;
  old_ = ::SelectObject(dc_, target_->handle);
  target_->selectedInto = dc_;
}

GdiCanvas::~GdiCanvas() {
  if (ownsDc_) {
    if (target_) target_->selectedInto = nullptr;
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
}

Bitmap& GdiCanvas::Target() {
  ::GdiFlush();
  if (!target_) target_ = std::make_unique<Win32Bitmap>(0, 0, 32);
  return *target_;
}

bool GdiCanvas::AlphaBlend(int x, int y, int w, int h, const Bitmap& src, int sx, int sy, int sw,
                           int sh, BlendFunction b) {
  Selected s(src);
  BLENDFUNCTION f{b.blendOp, b.blendFlags, b.sourceConstantAlpha, b.alphaFormat};
  return ::AlphaBlend(dc_, x, y, w, h, s.dc, sx, sy, sw, sh, f) != FALSE;
}

bool GdiCanvas::TransparentBlt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
                               int sw, int sh, uint32_t key) {
  Selected s(src);
  return ::TransparentBlt(dc_, x, y, w, h, s.dc, sx, sy, sw, sh, key) != FALSE;
}

bool GdiCanvas::StretchBlt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy, int sw,
                           int sh, uint32_t rop) {
  Selected s(src);
  return ::StretchBlt(dc_, x, y, w, h, s.dc, sx, sy, sw, sh, rop) != FALSE;
}

bool GdiCanvas::BitBlt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
                       uint32_t rop) {
  Selected s(src);
  return ::BitBlt(dc_, x, y, w, h, s.dc, sx, sy, rop) != FALSE;
}

int GdiCanvas::SaveDC() { return ::SaveDC(dc_); }
bool GdiCanvas::IntersectClipRect(const Rect& r) {
  return ::IntersectClipRect(dc_, r.left, r.top, r.right, r.bottom) != ERROR;
}
bool GdiCanvas::RestoreDC(int saved) { return ::RestoreDC(dc_, saved) != FALSE; }
int GdiCanvas::SetBkMode(int mode) { return ::SetBkMode(dc_, mode); }
uint32_t GdiCanvas::SetBkColor(uint32_t color) { return ::SetBkColor(dc_, color); }
uint32_t GdiCanvas::SetTextColor(uint32_t color) { return ::SetTextColor(dc_, color); }

HFont GdiCanvas::SelectFont(HFont font) {
  // The previous font is reported as a handle of our own kind, kept per canvas.
  HGDIOBJ old = ::SelectObject(dc_, font ? static_cast<GdiFont*>(font)->font : ::GetStockObject(SYSTEM_FONT));
  if (!font) ::SelectObject(dc_, old);
  for (auto& f : previousFonts_)
    if (f->font == old) return f.get();
  previousFonts_.push_back(std::make_unique<GdiFont>(static_cast<HFONT>(old)));
  return previousFonts_.back().get();
}

int GdiCanvas::DrawText(const std::wstring& text, Rect& rect, uint32_t format) {
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  const int h = ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, format);
  if (format & DT_CALCRECT) rect = Rect{r.left, r.top, r.right, r.bottom};
  return h;
}

bool GdiCanvas::FillRect(const Rect& rect, uint32_t color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  const bool ok = ::FillRect(dc_, &r, brush) != 0;
  ::DeleteObject(brush);
  return ok;
}

std::unique_ptr<Bitmap> Win32Graphics::CreateBitmap(int width, int height, int bitsPerPixel) {
  auto b = std::make_unique<Win32Bitmap>(width, height, bitsPerPixel);
  if (!b->handle) return nullptr;
  return b;
}

namespace {
bool StartGdiplus() {
  static bool started = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}
}  // namespace

std::unique_ptr<Bitmap> Win32Graphics::DecodePng(const uint8_t* data, size_t size, bool& hasAlpha) {
  hasAlpha = false;
  if (!data || !size || !StartGdiplus()) return nullptr;
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!memory) return nullptr;
  void* p = ::GlobalLock(memory);
  if (!p) {
    ::GlobalFree(memory);
    return nullptr;
  }
  memcpy(p, data, size);
  ::GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(memory, FALSE, &stream)) || !stream) {
    ::GlobalFree(memory);
    return nullptr;
  }
  std::unique_ptr<Bitmap> out;
  Gdiplus::GpBitmap* gp = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &gp) == Gdiplus::Ok && gp) {
    UINT w = 0, h = 0, flags = 0;
    Gdiplus::PixelFormat format = 0;
    Gdiplus::DllExports::GdipGetImageWidth(gp, &w);
    Gdiplus::DllExports::GdipGetImageHeight(gp, &h);
    Gdiplus::DllExports::GdipGetImageFlags(gp, &flags);
    Gdiplus::DllExports::GdipGetImagePixelFormat(gp, &format);
    bool alpha = (flags & Gdiplus::ImageFlagsHasAlpha) || Gdiplus::IsAlphaPixelFormat(format);
    if (!alpha && Gdiplus::IsIndexedPixelFormat(format)) {
      INT paletteSize = 0;
      if (Gdiplus::DllExports::GdipGetImagePaletteSize(gp, &paletteSize) == Gdiplus::Ok &&
          paletteSize > 0) {
        std::vector<BYTE> buffer(static_cast<size_t>(paletteSize));
        auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
        if (Gdiplus::DllExports::GdipGetImagePalette(gp, palette, paletteSize) == Gdiplus::Ok)
          alpha = (palette->Flags & Gdiplus::PaletteFlagsHasAlpha) != 0;
      }
    }
    std::unique_ptr<Bitmap> b =
        CreateBitmap(static_cast<int>(w), static_cast<int>(h), alpha ? 32 : 24);
    if (b) {
      Gdiplus::BitmapData locked{};
      locked.Width = w;
      locked.Height = h;
      locked.Stride = b->pitch;
      locked.PixelFormat = alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
      locked.Scan0 = b->bits;
      Gdiplus::GpRect area(0, 0, static_cast<INT>(w), static_cast<INT>(h));
      if (Gdiplus::DllExports::GdipBitmapLockBits(
              gp, &area, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
              locked.PixelFormat, &locked) == Gdiplus::Ok) {
        Gdiplus::DllExports::GdipBitmapUnlockBits(gp, &locked);
        hasAlpha = alpha;
        out = std::move(b);
      }
    }
    Gdiplus::DllExports::GdipDisposeImage(gp);
  }
  stream->Release();
  ::GlobalFree(memory);
  return out;
}

std::unique_ptr<Bitmap> Win32Graphics::LoadBitmapResource(int id) {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  if (!::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2))) return nullptr;
  HANDLE image =
      ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!image) return nullptr;
  return std::make_unique<Win32Bitmap>(static_cast<HBITMAP>(image));
}

HFont Win32Graphics::CreateFont(const LogFont& s) {
  HFONT f = ::CreateFontW(s.height, s.width, s.escapement, s.orientation, s.weight, s.italic,
                          s.underline, s.strikeOut, s.charSet, s.outPrecision, s.clipPrecision,
                          s.quality, s.pitchAndFamily, s.face.c_str());
  return f ? new GdiFont(f) : nullptr;
}

bool Win32Graphics::DeleteFont(HFont font) {
  if (!font) return false;
  auto* gdi = static_cast<GdiFont*>(font);
  const bool ok = ::DeleteObject(gdi->font) != FALSE;
  delete gdi;
  return ok;
}

std::unique_ptr<MemoryCanvas> Win32Graphics::CreateMemoryCanvas(int width, int height) {
  return std::make_unique<GdiCanvas>(width, height);
}

}  // namespace pf
