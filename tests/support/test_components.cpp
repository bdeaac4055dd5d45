#include "support/test_components.h"

#include "app/app_messages.h"
#include "app/global_module.h"
#include "windows/form_login.h"

namespace testsupport {

template <class Interface>
bool RecordingForm<Interface>::MakeWindow(pf::HWindow parent) {
  if (hwnd_) return true;
  app::CGlobalModule& ctx = app::Ctx();
  hwnd_ = pf::ui().CreateWindowEx(0, ctx.windowClass, ctx.title, pf::kWS_POPUP, 0, 0,
                                  rect.right, rect.bottom, parent);
  return hwnd_ != nullptr;
}

template class RecordingForm<app::IBackdropForm>;
template class RecordingForm<app::IGameForm>;
template class RecordingForm<app::IQuickLoginForm>;

bool StandInLogin::Init() {
  app::CGlobalModule& ctx = app::Ctx();
  return Create(ctx.windowClass, ctx.title, nullptr);
}

void TestComponents::FinishPing(app::CGlobalModule& context) {
  pf::ui().PostMessage(context.login ? context.login->GetHWND() : nullptr,
                       app::WM_CLOSE_LOGIN_WINDOW, 0, 0);
}

std::unique_ptr<app::IBackdropForm> TestComponents::MakeBackdrop() {
  auto form = std::make_unique<RecordingBackdrop>(&journal, "backdrop");
  backdrop = form.get();
  return form;
}

std::unique_ptr<app::ILoginForm> TestComponents::MakeLogin() {
  if (makeLogin) return makeLogin();
  return std::make_unique<windows::CFormLogin>();
}

std::unique_ptr<app::IGameForm> TestComponents::MakeGame() {
  if (makeGame) return makeGame();
  auto game = std::make_unique<RecordingGame>(&journal, "game");
  games.push_back(game.get());
  return game;
}

std::unique_ptr<app::IQuickLoginForm> TestComponents::MakeQuickLogin() {
  auto form = std::make_unique<RecordingQuickLogin>(&journal, "quick");
  quickLogins.push_back(form.get());
  return form;
}

}  // namespace testsupport
