// Shows skinned windows on the real backend for the screenshot test
// (skin_screens.sh): an opaque form, a colour-keyed form with buttons over it
// and the backdrop; writes the pixels the screen must show into files of
// OUTDIR, then signals "ready" and runs until OUTDIR/done appears.
//
// usage: skin_probe OUTDIR
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "app/global_module.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "skin/button.h"
#include "skin/form.h"
#include "windows/form_back.h"
#include "skin/image_control.h"

namespace {

constexpr uint32_t kQuit = pf::kWM_USER + 1;
skin::CRKForm* g_forms[2] = {nullptr, nullptr};

pf::LResult Proc(pf::HWindow h, uint32_t m, pf::WParam w, pf::LParam l) {
  if (m == kQuit) {
    pf::ui().PostQuitMessage(0);
    return 0;
  }
  if (m == pf::kWM_MOUSEMOVE || m == pf::kWM_MOUSELEAVE || m == pf::kWM_MOUSEHOVER ||
      m == pf::kWM_PAINT) {
    // Input and painting as the window procedure sees them, for the log.
    std::fprintf(stderr, "message %04x to %s at (%d, %d)\n", m,
                 g_forms[1] && g_forms[1]->GetHWND() == h   ? "keyed"
                 : g_forms[0] && g_forms[0]->GetHWND() == h ? "beneath"
                                                            : "other",
                 static_cast<int>(l & 0xFFFF), static_cast<int>((l >> 16) & 0xFFFF));
    std::fflush(stderr);
  }
  if (app::CGlobalModule* ctx = app::CGlobalModule::Instance())
    if (ctx->backdrop && ctx->backdrop->GetHWND() == h)
      return ctx->backdrop->HandleMessage(h, m, w, l);
  for (skin::CRKForm* f : g_forms)
    if (f && f->GetHWND() == h && f->HandleMessage(h, m, w, l) == 0) return 0;
  return pf::ui().DefWindowProc(h, m, w, l);
}

// A decoded resource pixel (straight alpha), blue, green, red, alpha.
struct Pixel {
  int b, g, r, a;
};
Pixel ResourcePixel(int id, int x, int y) {
  const uint8_t* data;
  size_t size;
  if (!pf::res().FindResource(id, L"PNG", data, size)) return {0, 0, 0, 0};
  bool alpha = false;
  auto bitmap = pf::gfx().DecodePng(data, size, alpha);
  if (!bitmap || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) return {0, 0, 0, 0};
  const uint8_t* p = bitmap->bits + y * bitmap->pitch + x * (bitmap->bitsPerPixel / 8);
  return {p[0], p[1], p[2], alpha ? p[3] : 255};
}

void Expect(std::ofstream& out, int x, int y, Pixel p, int tolerance, const char* what) {
  out << x << ' ' << y << ' ' << p.r << ' ' << p.g << ' ' << p.b << ' ' << tolerance << ' ' << what
      << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_probe OUTDIR\n");
    return 2;
  }
  const std::string out = argv[1];
  pf::Ui& ui = pf::ui();
  ui.Initialize();
  app::CGlobalModule ctx;
  ctx.windowClass = L"VexaProbe";
  ctx.title = L"probe";
  pf::WindowClass wc;
  wc.style = pf::kCS_DBLCLKS;
  wc.procedure = &Proc;
  wc.className = ctx.windowClass;
  ui.RegisterWindowClass(wc);

  // Beneath: an opaque form showing image 196 stretched over 800 x 600 at (0, 100).
  skin::CRKForm beneath;
  skin::CRKImage orange;
  skin::CRKButton stripClose;
  beneath.SetRect(pf::Rect{0, 0, 800, 600});
  beneath.Create(ctx.windowClass, ctx.title, nullptr);
  orange.blend = skin::LoadSkinImage(orange.image, res::IDB_WIDE_BUTTON);
  orange.SetRect(pf::Rect{0, 0, 800, 600});
  beneath.AddControl(&orange);
  stripClose.LoadButtonImages(res::IDB_STRIP_CLOSE, res::IDB_STRIP_CLOSE_HOVER, res::IDB_STRIP_CLOSE_HOVER);
  stripClose.SetRect(pf::Rect{40, 20, 68, 47});
  beneath.AddControl(&stripClose);
  g_forms[0] = &beneath;
  ui.SetWindowPos(beneath.GetHWND(), pf::HwndTop(), 0, 100, 0, 0, pf::kSWP_NOSIZE);
  ui.ShowWindow(beneath.GetHWND(), pf::kSW_SHOWNORMAL);

  // The backdrop over the beneath form's right part.
  ctx.backdrop->SetRect(0, 0, 1287, 732);
  ctx.backdrop->Init();
  ctx.backdrop->ShowBackdrop(false);

  // Colour-keyed: background 183 (all key colour) and two buttons, at (20, 420).
  skin::CRKForm keyed;
  skin::CRKImage background;
  skin::CRKButton close, link;
  keyed.SetRect(pf::Rect{0, 0, 280, 150});
  keyed.Create(ctx.windowClass, ctx.title, nullptr);
  const pf::HWindow k = keyed.GetHWND();
  ui.SetWindowLong(k, pf::kGWL_EXSTYLE, ui.GetWindowLong(k, pf::kGWL_EXSTYLE) | pf::kWS_EX_LAYERED);
  ui.SetLayeredWindowAttributes(k, 0x00FF80FF, 0, pf::kLWA_COLORKEY);
  background.blend = skin::LoadSkinImage(background.image, res::IDB_LOGIN_BACKGROUND);
  background.SetRect(pf::Rect{0, 0, 280, 150});
  close.LoadButtonImages(res::IDB_LOGIN_CLOSE, res::IDB_LOGIN_CLOSE_HOVER, res::IDB_LOGIN_CLOSE_HOVER);
  close.SetCursor(ui.LoadCursor(pf::kIDC_HAND));
  close.SetRect(pf::Rect{240, 10, 268, 38});
  link.LoadButtonImages(res::IDB_LOGIN_FORUM, res::IDB_LOGIN_FORUM_HOVER, res::IDB_LOGIN_FORUM_HOVER);
  link.SetRect(pf::Rect{20, 90, 153, 128});
  keyed.AddControl(&background);
  keyed.AddControl(&close);
  keyed.AddControl(&link);
  g_forms[1] = &keyed;
  ui.SetWindowPos(k, pf::HwndTopmost(), 20, 420, 0, 0, pf::kSWP_NOSIZE | pf::kSWP_SHOWWINDOW);
  ui.ShowWindow(k, pf::kSW_SHOWNORMAL);
  ui.UpdateWindow(k);

  pf::Rect backRect;
  ui.GetWindowRect(ctx.backdrop->GetHWND(), backRect);
  {
    // What the first screenshot must show.
    std::ofstream e(out + "/expect1.txt");
    // The beneath form: image 196 stretched 800 / 134 and 600 / 48 times.
    Expect(e, 100, 400, ResourcePixel(res::IDB_WIDE_BUTTON, 100 * 134 / 800, 300 * 48 / 600), 24, "opaque-form");
    // Key-coloured pixels of the keyed form show the form beneath it.
    Expect(e, 20 + 150, 420 + 60, ResourcePixel(res::IDB_WIDE_BUTTON, 170 * 134 / 800, 380 * 48 / 600), 24,
           "colour-key-shows-beneath");
    // The close button's normal face and the link button.
    Expect(e, 20 + 240 + 4, 420 + 10 + 20, ResourcePixel(res::IDB_LOGIN_CLOSE, 4, 20), 10, "close-normal");
    Expect(e, 20 + 20 + 8, 420 + 90 + 30, ResourcePixel(res::IDB_LOGIN_FORUM, 8, 30), 10, "link-normal");
    // The backdrop's opaque body, and its transparent corner showing the form beneath.
    const Pixel body = ResourcePixel(res::IDB_BACKDROP, 300, 400);
    Expect(e, backRect.left + 300, backRect.top + 400, body, 10, "backdrop-body");
    const int cx = backRect.left + 2, cy = backRect.top + 2;
    Expect(e, cx, cy, ResourcePixel(res::IDB_WIDE_BUTTON, cx * 134 / 800, (cy - 100) * 48 / 600), 24,
           "backdrop-transparent-corner");
    Expect(e, 40 + 2, 100 + 20 + 2, ResourcePixel(res::IDB_STRIP_CLOSE, 2, 2), 10, "strip-close-normal");
    // After the mouse moved onto the strip's close button: its hover face.
    std::ofstream e2(out + "/expect2.txt");
    Expect(e2, 40 + 2, 100 + 20 + 2, ResourcePixel(res::IDB_STRIP_CLOSE_HOVER, 2, 2), 10, "strip-close-hover");
    Expect(e2, 20 + 240 + 4, 420 + 10 + 20, ResourcePixel(res::IDB_LOGIN_CLOSE, 4, 20), 10, "keyed-close-normal");
    Expect(e2, 20 + 20 + 8, 420 + 90 + 30, ResourcePixel(res::IDB_LOGIN_FORUM, 8, 30), 10, "link-still-normal");
    std::ofstream m(out + "/mouse.txt");
    m << 40 + 14 << ' ' << 100 + 20 + 13 << '\n';
  }

  // Signals readiness once the windows had time to paint; ends when told.
  const pf::HWindow quitTo = beneath.GetHWND();
  std::thread watcher([out, quitTo] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::ofstream(out + "/ready") << "ready\n";
    for (int i = 0; i < 1200; ++i) {
      if (std::ifstream(out + "/done").good()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    pf::ui().PostMessage(quitTo, kQuit, 0, 0);
  });
  ui.RunMessageLoop(nullptr);
  watcher.join();
  keyed.Close();
  beneath.Close();
  ui.Shutdown();
  std::printf("probe: closed\n");
  return 0;
}
