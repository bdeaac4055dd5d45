// Painting a skinned form against one plain copy of a bitmap of the form's
// size, on the same canvas, for two forms: the login form (1287 x 732: the
// nine-part background, six buttons and the status label) and the game
// window's title strip at 1920 wide (the stretched strip, nine buttons, the
// icon and the title).  A paint is the form's Draw, as on every paint message
// of the window: the form composes its controls once and copies the picture
// afterwards.  Also shown: the first paint (everything composed) and a repaint
// after a button changed its look (only its rectangle composed again).
// Paint and copy are timed in alternating batches; a ratio is the median of
// the ratios of the rounds.
// Prints "<backend> <form> paint/copy ratio: <number>" for the backend's own
// memory canvas and, with "--software", for the software canvas.
// usage: paint_bench BACKEND_NAME [--software]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/soft_canvas.h"
#include "skin/button.h"
#include "skin/form.h"
#include "skin/image_control.h"
#include "skin/label.h"

namespace {

// Calls per batch so that a batch of `body` takes about 30 ms.
int BatchSize(const std::function<void()>& body) {
  using Clock = std::chrono::steady_clock;
  int perBatch = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (int i = 0; i < perBatch; ++i) body();
    if (Clock::now() - t0 > std::chrono::milliseconds(30) || perBatch > (1 << 20)) break;
    perBatch *= 2;
  }
  return perBatch;
}

double BatchSeconds(const std::function<void()>& body, int perBatch) {
  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  for (int i = 0; i < perBatch; ++i) body();
  return std::chrono::duration<double>(Clock::now() - t0).count() / perBatch;
}

double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Times of one call of `a` and of `b` and the ratio a / b, each the median
// over 11 rounds that time a batch of each back to back, so that both sides
// of a ratio see the same load of a shared machine.
struct Timing {
  double a, b, ratio;
};
Timing Compare(const std::function<void()>& a, const std::function<void()>& b) {
  const int na = BatchSize(a), nb = BatchSize(b);
  std::vector<double> ta, tb, ratios;
  for (int round = 0; round < 11; ++round) {
    ta.push_back(BatchSeconds(a, na));
    tb.push_back(BatchSeconds(b, nb));
    ratios.push_back(ta.back() / tb.back());
  }
  return Timing{MedianOf(ta), MedianOf(tb), MedianOf(ratios)};
}

struct BenchForm {
  virtual ~BenchForm() = default;
  skin::CRKForm form;
  skin::CRKButton* hoverTarget = nullptr;  // the button whose look the repaint changes
  int width = 0, height = 0;
};

// The login window's controls at their places.
struct LoginForm : BenchForm {
  skin::CRKImage background;
  skin::CRKButton buttons[6];
  skin::CRKLabel label;
  LoginForm() {
    width = 1287, height = 732;
    // Image 183 in nine StretchBlt pieces over the whole window.
    background.blend = skin::LoadSkinImage(background.image, 183);
    background.blended = false;
    background.marginLeft = background.marginTop = background.marginRight =
        background.marginBottom = 5;
    background.SetRect(pf::Rect{0, 0, width, height});
    form.AddControl(&background);
    const int ids[6][2] = {{188, 189}, {192, 193}, {194, 195}, {200, 201}, {198, 199}, {190, 191}};
    const pf::Rect rects[6] = {{1151, 69, 1179, 97}, {1116, 69, 1144, 97}, {424, 64, 557, 102},
                               {740, 64, 873, 102},  {582, 64, 715, 102},  {899, 64, 1032, 102}};
    for (int i = 0; i < 6; ++i) {
      buttons[i].LoadButtonImages(ids[i][0], ids[i][1], ids[i][1]);
      buttons[i].SetRect(rects[i]);
      form.AddControl(&buttons[i]);
    }
    label.SetRect(pf::Rect{623, 372, 943, 398});
    label.SetText(L"检测到您的网络异常，点击这里重试！", false);
    label.SetTextColor(0x0000FFFF, false);
    label.SetUnderline(1, false);
    form.AddControl(&label);
    hoverTarget = &buttons[2];
  }
};

// The game window's title strip, laid out for a 1920-pixel wide window.
struct StripForm : BenchForm {
  skin::CRKImage strip, icon;
  skin::CRKButton buttons[9];
  skin::CRKLabel title;
  StripForm() {
    width = 1920, height = 28;  // the window buttons reach one pixel below the strip
    strip.blend = skin::LoadSkinImage(strip.image, 219);
    strip.SetRect(pf::Rect{0, 0, width, 27});
    form.AddControl(&strip);
    // Close, maximise, minimise, tray at the right edge; then the menu and four links.
    const int ids[9][2] = {{186, 187}, {205, 206}, {207, 208}, {184, 185}, {217, 218},
                           {215, 216}, {202, 203}, {211, 212}, {213, 214}};
    int x = width;
    for (int i = 0; i < 9; ++i) {
      skin::CRKButton& b = buttons[i];
      b.LoadButtonImages(ids[i][0], ids[i][1], ids[i][1]);
      const int w = b.GetImageWidth(), h = b.GetImageHeight();
      if (i < 4) {
        x -= w;
        b.SetRect(pf::Rect{x, 1, x + w, 1 + h});
      } else {
        x -= (i == 4 ? 20 : 5) + w;
        b.SetRect(pf::Rect{x, 5, x + w, 5 + h});
      }
      form.AddControl(&b);
    }
    icon.blend = skin::LoadSkinImage(icon.image, 204);
    icon.SetRect(pf::Rect{5, 2, 5 + icon.GetImageWidth(), icon.GetImageHeight()});
    form.AddControl(&icon);
    title.SetRect(pf::Rect{40, 5, 340, 25});
    title.SetText(L"VexaOrvane", false);
    title.SetTextColor(0x0000FFFF, false);
    form.AddControl(&title);
    hoverTarget = &buttons[6];
  }
};

void Measure(const std::string& backend, const char* name, BenchForm& f,
             const std::function<std::unique_ptr<pf::Canvas>(int, int)>& makeCanvas) {
  std::unique_ptr<pf::Canvas> canvas = makeCanvas(f.width, f.height);
  std::unique_ptr<pf::Bitmap> picture = pf::gfx().CreateBitmap(f.width, f.height, 32);
  if (!canvas || !picture) return;
  std::memset(picture->bits, 0x5A, static_cast<size_t>(picture->pitch) * f.height);
  picture->BitsChanged();
  // The first paint composes every control (the paint of a form without a picture).
  const auto t0 = std::chrono::steady_clock::now();
  f.form.Draw(canvas.get());
  const double first = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const auto copy = [&] { canvas->BitBlt(0, 0, f.width, f.height, *picture, 0, 0, pf::kSRCCOPY); };
  const Timing paint = Compare([&] { f.form.Draw(canvas.get()); }, copy);
  bool hover = false;
  const Timing repaint = Compare(
      [&] {
        hover = !hover;
        f.hoverTarget->SetState(hover ? skin::BTN_HOVER : skin::BTN_NORMAL, false);
        f.form.Draw(canvas.get());
      },
      copy);
  std::printf(
      "%s %s (%d x %d) paint: %.3f ms, copy: %.3f ms; first paint %.3f ms, after a "
      "button changed %.3f ms\n",
      backend.c_str(), name, f.width, f.height, paint.a * 1e3, paint.b * 1e3, first * 1e3,
      repaint.a * 1e3);
  std::printf("%s %s paint/copy ratio: %.2f\n", backend.c_str(), name, paint.ratio);
  std::printf("%s %s changed-button repaint/copy ratio: %.2f\n", backend.c_str(), name,
              repaint.ratio);
}

void MeasureAll(const std::string& backend,
                const std::function<std::unique_ptr<pf::Canvas>(int, int)>& makeCanvas) {
  {
    LoginForm login;
    Measure(backend, "login", login, makeCanvas);
  }
  {
    StripForm strip;
    Measure(backend, "strip", strip, makeCanvas);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = argc > 1 ? argv[1] : "backend";
  MeasureAll(name, [](int w, int h) -> std::unique_ptr<pf::Canvas> {
    return pf::gfx().CreateMemoryCanvas(w, h);
  });
  if (argc > 2 && std::strcmp(argv[2], "--software") == 0) {
    // The software canvas (the fake backend's) reads any bitmap's pixels directly.
    MeasureAll("software", [](int w, int h) -> std::unique_ptr<pf::Canvas> {
      return std::make_unique<pf::SoftCanvas>(w, h);
    });
  }
  return 0;
}
