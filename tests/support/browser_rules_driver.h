// What the browser URL-rule suite (tests/platform/browser_rules_test.cpp)
// needs of an engine.  Each test program that compiles the suite defines
// MakeRulesDriver for its engine: the fake engine, WebKitGTK, or the Windows
// WebBrowser control.
#pragma once

#include <memory>
#include <string>

#include "browser/browser_view.h"
#include "platform/ui.h"

namespace testsupport {

class RulesDriver {
 public:
  virtual ~RulesDriver() = default;
  // Empty when the engine can run here; else why not (the suite skips).
  virtual std::string Unavailable() { return {}; }
  // The form the views are made on.
  virtual pf::HWindow Form() = 0;
  // Loads an ordinary page into the view and waits for it.
  virtual bool Load(browser::CBrowserView& view, const std::wstring& url) = 0;
  // The page navigates its main frame to url; returns once the view has
  // decided, with whether the engine's navigation was stopped.
  virtual bool PageNavigates(browser::CBrowserView& view, const std::wstring& url) = 0;
  // The page asks for a window of its own on url; returns once the view has
  // decided, with whether the engine's own window was refused.
  virtual bool PageOpensWindow(browser::CBrowserView& view, const std::wstring& url) = 0;
  // The address of one of the test pages ("/plain", "/popup-target" ...).
  virtual std::wstring PageUrl(const std::string& path) = 0;
};

std::unique_ptr<RulesDriver> MakeRulesDriver();

}  // namespace testsupport
