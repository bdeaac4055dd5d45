// Painting a 1287 x 732 skinned form (the nine-part background, six buttons
// and a label) against one plain copy of a 1287 x 732 bitmap, on the same
// canvas.  Prints "<backend> paint/copy ratio: <number>" for the backend's
// own memory canvas and, with "--software", for the software canvas.
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
#include "skin/image_control.h"
#include "skin/label.h"

namespace {

constexpr int kWidth = 1287, kHeight = 732;

// The median time of one call, in seconds, over batches of about 50 ms.
double Median(const std::function<void()>& body) {
  using Clock = std::chrono::steady_clock;
  int perBatch = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (int i = 0; i < perBatch; ++i) body();
    if (Clock::now() - t0 > std::chrono::milliseconds(50) || perBatch > (1 << 20)) break;
    perBatch *= 2;
  }
  std::vector<double> samples;
  for (int s = 0; s < 11; ++s) {
    const auto t0 = Clock::now();
    for (int i = 0; i < perBatch; ++i) body();
    samples.push_back(std::chrono::duration<double>(Clock::now() - t0).count() / perBatch);
  }
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

struct Form {
  skin::CRKImage background;
  skin::CRKButton buttons[6];
  skin::CRKLabel label;
  Form() {
    // The login window's background: image 183 in nine StretchBlt pieces.
    background.blend = skin::LoadSkinImage(background.image, 183);
    background.blended = false;
    background.marginLeft = background.marginTop = background.marginRight =
        background.marginBottom = 5;
    background.SetRect(pf::Rect{0, 0, kWidth, kHeight});
    const int ids[6][2] = {{192, 193}, {188, 189}, {194, 195}, {198, 199}, {200, 201}, {190, 191}};
    const pf::Rect rects[6] = {{1200, 20, 1228, 48}, {1235, 20, 1263, 48}, {300, 660, 433, 698},
                               {450, 660, 583, 698}, {600, 660, 733, 698}, {750, 660, 883, 698}};
    for (int i = 0; i < 6; ++i) {
      buttons[i].LoadButtonImages(ids[i][0], ids[i][1], ids[i][1]);
      buttons[i].SetRect(rects[i]);
    }
    label.SetRect(pf::Rect{500, 300, 1000, 330});
    label.SetText(L"检测到您的网络异常，点击这里重试！", false);
    label.SetTextColor(0x0000FFFF, false);
    label.SetUnderline(1, false);
    label.SetFontSize(26, 0, false);
  }
  void Paint(pf::Canvas* dc) {
    background.Draw(dc);
    for (auto& b : buttons) b.Draw(dc);
    label.Draw(dc);
  }
};

void Measure(const char* backend, pf::Canvas* canvas, const pf::Bitmap& picture) {
  Form form;
  const double paint = Median([&] { form.Paint(canvas); });
  const double copy =
      Median([&] { canvas->BitBlt(0, 0, kWidth, kHeight, picture, 0, 0, pf::kSRCCOPY); });
  std::printf("%s paint: %.3f ms, copy: %.3f ms\n", backend, paint * 1e3, copy * 1e3);
  std::printf("%s paint/copy ratio: %.2f\n", backend, paint / copy);
}

}  // namespace

int main(int argc, char** argv) {
  const char* name = argc > 1 ? argv[1] : "backend";
  std::unique_ptr<pf::MemoryCanvas> canvas = pf::gfx().CreateMemoryCanvas(kWidth, kHeight);
  std::unique_ptr<pf::Bitmap> picture = pf::gfx().CreateBitmap(kWidth, kHeight, 32);
  if (!canvas || !picture) return 1;
  std::memset(picture->bits, 0x5A, static_cast<size_t>(picture->pitch) * kHeight);
  picture->BitsChanged();
  Measure(name, canvas.get(), *picture);
  if (argc > 2 && std::strcmp(argv[2], "--software") == 0) {
    // The software canvas (the fake backend's) reads any bitmap's pixels directly.
    pf::SoftCanvas soft(kWidth, kHeight);
    Measure("software", &soft, *picture);
  }
  return 0;
}
