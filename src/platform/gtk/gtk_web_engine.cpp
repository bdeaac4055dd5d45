// The web engine on WebKitGTK: a WebKitWebView as the native side of a child
// window of the GTK backend, placed in the parent's child layer and moved,
// sized and shown with that window.
//
// Supports, in the control's terms:
//   BeforeNavigate2  raised inside Navigate2 for the host's own navigations
//                    (cancel: nothing is loaded), and for the navigation
//                    policy decisions of every frame (cancel ignores the
//                    decision); the frame is not reported, and the body
//                    of a POST is not visible to the UI process (null)
//   NewWindow3       "create" requests (window.open, target=_blank); cancel
//                    refuses, otherwise the page gets a window of its own
//   NavigateComplete2 the committed load of the main frame
//   DocumentComplete the finished load of the main frame, unless it failed
//   NavigateError    load failures of the main frame and HTTP error statuses
//                    (400 and up) of its page; a load that was
//                    cancelled or stopped by policy reports kE_ABORT; cancel
//                    suppresses WebKit's error page
//   TitleChange      notify::title
//   window.external  an object with notify(text), carried by the script
//                    message handler "external" to the host's WebScriptObject;
//                    only top-level pages of the trusted hosts get it
//   host UI flags    DOCHOSTUIFLAG_SCROLL_NO: the body's scroll attribute,
//                    which a user style sheet turns into hidden overflow;
//                    sub-frame documents get the attribute from a user script
//   context menu     none until the document face of the UI handler is
//                    installed (first NavigateComplete2), then WebKit's own
// Navigate2 with post data: WebKit's API has no request body, so the body
// (application/x-www-form-urlencoded) is carried by a generated page whose
// form posts the decoded fields to the URL; other bodies are refused.
// Silent mode answers beforeunload prompts with "leave" and denies permission
// requests without asking.
#include "platform/gtk/gtk_web_engine.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "platform/gtk/gtk_window_access.h"
#include "platform/platform.h"
#include "platform/portable/hosted_browser.h"
#include "platform/portable/utf8.h"

namespace pf {
namespace {

constexpr const wchar_t* kHostClass = L"VexaWebHost";

// window.external in the top frame only.  Every message carries the view's
// secret, so a frame that posts to the handler itself is not heard.
constexpr const char* kExternalScriptHead =
    "(function(){try{if(window.top!==window)return;var h=window.webkit.messageHandlers.external;"
    "var t='";
constexpr const char* kExternalScriptTail =
    "';Object.defineProperty(window,'external',{configurable:true,value:{"
    "notify:function(m){h.postMessage(t+String(m));}}});}catch(e){}})();";
// Every frame's body, the main frame's included, loses its scroll bars when
// its document has been parsed.
constexpr const char* kBodyScrollScript =
    "if(document.body)document.body.setAttribute('scroll','no');";
constexpr const char* kScrollStyle = "body[scroll=\"no\"]{overflow:hidden !important;}";

// HRESULT-style status of a load failure.
constexpr int32_t kInetDownloadFailure = static_cast<int32_t>(0x800C0008);

std::string JsString(const std::string& text) {
  std::string out = "'";
  for (unsigned char c : text) {
    if (c == '\\' || c == '\'' || c < 0x20 || c == '<' || c == '>') {
      char buffer[8];
      snprintf(buffer, sizeof buffer, "\\x%02x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "'";
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FormDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

class GtkWebBrowser : public HostedBrowser {
 public:
  explicit GtkWebBrowser(WebEvents* events) : HostedBrowser(events) {}
  ~GtkWebBrowser() override {
    DestroyHost();
    DestroyControl();
  }

  bool HasEngine() const override { return view_ != nullptr; }

  bool Advise() override {
    if (!view_ || advised_) return false;
    advised_ = true;
    return true;
  }
  void Unadvise() override { advised_ = false; }
  bool IsAdvised() const override { return advised_; }
  bool SetExternalUiHandler() override { return view_ != nullptr; }

  bool Navigate2(const std::wstring& url, const std::string* postData,
                 const std::wstring& headers) override {
    if (!view_) return false;
    const std::string target = ToUtf8(url);
    if (!postData) {
      // As the WebBrowser control does, the host hears of the navigation
      // before Navigate2 returns and may cancel it there; WebKit's own policy
      // decision for this load is then not reported a second time.
      if (Deliver()) {
        bool cancel = false;
        events_->BeforeNavigate2(MainFrame(), url, 0, std::wstring(), nullptr, std::wstring(),
                                 cancel);
        if (!view_) return false;
        if (cancel) return true;
        WebKitURIRequest* request = webkit_uri_request_new(target.c_str());
        const char* normal = webkit_uri_request_get_uri(request);
        approvedUri_ = normal ? normal : target;
        g_object_unref(request);
      }
      webkit_web_view_load_uri(view_, target.c_str());
      return true;
    }
    if (headers.find(L"application/x-www-form-urlencoded") == std::wstring::npos) return false;
    // A page that posts the fields at once; about:blank keeps it out of the rules.
    std::string page =
        "<!DOCTYPE html><html><body><form method=\"post\" "
        "enctype=\"application/x-www-form-urlencoded\"></form><script>"
        "var f=document.forms[0];f.action=" +
        JsString(target) + ";";
    size_t start = 0;
    while (start <= postData->size()) {
      size_t end = postData->find('&', start);
      if (end == std::string::npos) end = postData->size();
      const std::string pair = postData->substr(start, end - start);
      if (!pair.empty()) {
        const size_t eq = pair.find('=');
        const std::string name = FormDecode(pair.substr(0, eq));
        const std::string value = eq == std::string::npos ? "" : FormDecode(pair.substr(eq + 1));
        page += "var i=document.createElement('input');i.type='hidden';i.name=" + JsString(name) +
                ";i.value=" + JsString(value) + ";f.appendChild(i);";
      }
      start = end + 1;
    }
    page += "f.submit();</script></body></html>";
    webkit_web_view_load_html(view_, page.c_str(), "about:blank");
    return true;
  }

  void SetSilent(bool silent) override { silent_ = silent; }
  void SetRegisterAsDropTarget(bool accept) override { dropTarget_ = accept; }
  void Refresh() override {
    if (view_) webkit_web_view_reload(view_);
  }
  void FocusDocument() override {
    if (view_) gtk_widget_grab_focus(GTK_WIDGET(view_));
  }
  void SetBodyScroll(WebFrame frame, const std::wstring& value) override {
    // Only the main frame is reachable from here; sub-frames set their own.
    if (!view_ || frame != MainFrame()) return;
    // The document-end script already gave this document scroll="no".  A
    // script run from here would make WebKit decode its result in this
    // process, which starts a JavaScript engine of its own here (megabytes
    // of memory and start-up time) for nothing.
    if (scrollScripted_ && value == L"no") return;
    const std::string script =
        "if(document.body)document.body.setAttribute('scroll'," + JsString(ToUtf8(value)) + ");";
    webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr,
                                        nullptr, nullptr);
  }
  void InstallDocumentUiHandler() override {
    if (view_) documentFace_ = true;
  }
  static std::unique_ptr<WebBrowser> Make(HWindow parent, const Rect& rect, uint32_t style,
                                          uint32_t exStyle, const std::wstring& url,
                                          WebEvents* events);

 private:
  WebFrame MainFrame() const { return view_; }
  bool Deliver() const { return advised_ && events_ && view_; }

  // The host window's hooks: the view is made with the window and dropped
  // with it.  WebKit takes its keys and mouse from GTK directly, so a
  // forwarded message is not the view's.
  void HostCreated() override { CreateControl(); }
  void HostDestroying() override { DestroyControl(); }
  void CreateControl();
  void DestroyControl();

  // Signal handlers.
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer self);
  static void OnTitle(GObject*, GParamSpec*, gpointer self);
  static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                              gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                                gpointer self);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
  static gboolean OnPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer self);
  static gboolean OnDragMotion(GtkWidget*, GdkDragContext* context, gint, gint, guint time,
                               gpointer self);
  static gboolean OnDragDrop(GtkWidget*, GdkDragContext* context, gint, gint, guint time,
                             gpointer self);

  std::string secret_;  // carried by every message of our window.external
  WebKitWebView* view_ = nullptr;                // owned (one reference)
  WebKitUserContentManager* content_ = nullptr;  // owned (one reference)
  bool advised_ = false;
  bool silent_ = false;
  bool dropTarget_ = true;
  bool scrollScripted_ = false;  // the body-scroll script is installed
  bool documentFace_ = false;
  bool loadFailed_ = false;  // the current main-frame load reported an error
  // The address Navigate2 already reported to BeforeNavigate2; its policy
  // decision passes unreported once.
  std::string approvedUri_;
};

void GtkWebBrowser::CreateControl() {
  content_ = webkit_user_content_manager_new();
  g_signal_connect(content_, "script-message-received::external", G_CALLBACK(OnScriptMessage),
                   this);
  webkit_user_content_manager_register_script_message_handler(content_, "external");
  gchar* secret = g_uuid_string_random();
  secret_ = secret;
  g_free(secret);
  const std::string externalScript = kExternalScriptHead + secret_ + kExternalScriptTail;
  WebKitUserScript* external =
      webkit_user_script_new(externalScript.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content_, external);
  webkit_user_script_unref(external);
  WebKitUserStyleSheet* style =
      webkit_user_style_sheet_new(kScrollStyle, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(content_, style);
  webkit_user_style_sheet_unref(style);
  if (events_ && events_->HideScrollBars()) {
    WebKitUserScript* scroll =
        webkit_user_script_new(kBodyScrollScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_, scroll);
    webkit_user_script_unref(scroll);
    scrollScripted_ = true;
  }

  view_ = WEBKIT_WEB_VIEW(webkit_web_view_new_with_user_content_manager(content_));
  g_object_ref_sink(view_);
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  // Pop-ups must reach NewWindow3 to be refused or diverted there.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  // Pages are drawn by the processor, as the Windows control draws them in a
  // program that has not asked it for GPU rendering.  With GL the engine
  // first compiles its shaders: where GL is Mesa's software renderer (no GPU,
  // a virtual machine, Xvfb) that took about 1.7 s before the login page's
  // first frame, and the GL contexts cost the engine's processes about 100 MB.
  webkit_settings_set_hardware_acceleration_policy(settings,
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  if (!gtkbackend::AttachNativeChild(window_, GTK_WIDGET(view_))) {
    // No display or no parent layer: a window without an engine.
    DestroyControl();
    return;
  }
  g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_, "notify::title", G_CALLBACK(OnTitle), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view_, "permission-request", G_CALLBACK(OnPermission), this);
  g_signal_connect(view_, "drag-motion", G_CALLBACK(OnDragMotion), this);
  g_signal_connect(view_, "drag-drop", G_CALLBACK(OnDragDrop), this);
  const std::string url = ToUtf8(ui().GetWindowText(window_));
  if (!url.empty()) webkit_web_view_load_uri(view_, url.c_str());
}

void GtkWebBrowser::DestroyControl() {
  advised_ = false;
  if (view_) {
    g_signal_handlers_disconnect_by_data(view_, this);
    if (window_) gtkbackend::DetachNativeChild(window_);
    webkit_web_view_stop_loading(view_);
    gtk_widget_destroy(GTK_WIDGET(view_));
    g_object_unref(view_);
    view_ = nullptr;
  }
  if (content_) {
    g_signal_handlers_disconnect_by_data(content_, this);
    g_object_unref(content_);
    content_ = nullptr;
  }
}

// Asks an event handler whether to cancel, then ignores or uses the decision
// by its answer.  The decision is held meanwhile: the handler may run a
// nested main loop.
template <typename Ask>
gboolean DecideByHandler(WebKitPolicyDecision* decision, const Ask& ask) {
  bool cancel = false;
  g_object_ref(decision);
  ask(cancel);
  if (cancel) {
    webkit_policy_decision_ignore(decision);
  } else {
    webkit_policy_decision_use(decision);
  }
  g_object_unref(decision);
  return TRUE;
}

gboolean GtkWebBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    // Nothing is downloaded behind the player's back: what cannot be shown
    // is dropped (and reported as a cancelled load).
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    // An HTTP error status of the page itself fails the load, as the
    // WebBrowser control's NavigateError does; a failing sub-resource or
    // sub-frame (an advert, a counter) does not.
    WebKitURIResponse* answer = webkit_response_policy_decision_get_response(response);
    const guint status = answer ? webkit_uri_response_get_status_code(answer) : 0;
    if (status >= 400 && webkit_response_policy_decision_is_main_frame_main_resource(response) &&
        self->Deliver()) {
      self->loadFailed_ = true;
      const char* uri = webkit_uri_response_get_uri(answer);
      return DecideByHandler(decision, [&](bool& cancel) {
        self->events_->NavigateError(self->MainFrame(), FromUtf8(uri ? uri : ""), std::wstring(),
                                     static_cast<int32_t>(status), cancel);
      });
    }
    if (!webkit_response_policy_decision_is_mime_type_supported(response)) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    return FALSE;
  }
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION || !self->Deliver()) return FALSE;
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = webkit_uri_request_get_uri(request);
  if (!self->approvedUri_.empty() && uri && self->approvedUri_ == uri &&
      !webkit_navigation_action_is_redirect(action)) {
    self->approvedUri_.clear();  // reported by Navigate2 already
    webkit_policy_decision_use(decision);
    return TRUE;
  }
  return DecideByHandler(decision, [&](bool& cancel) {
    self->events_->BeforeNavigate2(nullptr, FromUtf8(uri ? uri : ""), 0, std::wstring(), nullptr,
                                   std::wstring(), cancel);
  });
}

GtkWidget* GtkWebBrowser::OnCreate(WebKitWebView* view, WebKitNavigationAction* action,
                                   gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  if (!self->Deliver()) return nullptr;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  bool cancel = false;
  self->events_->NewWindow3(cancel, 0, FromUtf8(webkit_web_view_get_uri(view) ?: ""),
                            FromUtf8(uri ? uri : ""));
  if (cancel) return nullptr;
  // Allowed: the page gets a plain window of its own, closed by the page or the user.
  GtkWidget* popup = webkit_web_view_new_with_related_view(view);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  gtk_container_add(GTK_CONTAINER(window), popup);
  g_signal_connect_swapped(popup, "ready-to-show", G_CALLBACK(gtk_widget_show_all), window);
  g_signal_connect_swapped(popup, "close", G_CALLBACK(gtk_widget_destroy), window);
  return popup;
}

void GtkWebBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  if (event == WEBKIT_LOAD_STARTED) self->loadFailed_ = false;
  if (!self->Deliver()) return;
  const char* uri = webkit_web_view_get_uri(view);
  const std::wstring url = FromUtf8(uri ? uri : "");
  if (event == WEBKIT_LOAD_COMMITTED) {
    self->events_->NavigateComplete2(self->MainFrame(), url);
  } else if (event == WEBKIT_LOAD_FINISHED && !self->loadFailed_) {
    self->events_->DocumentComplete(self->MainFrame(), url);
  }
}

gboolean GtkWebBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                     gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  self->loadFailed_ = true;
  if (!self->Deliver()) return FALSE;
  const bool cancelled =
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
  bool cancel = false;
  self->events_->NavigateError(self->MainFrame(), FromUtf8(uri ? uri : ""), std::wstring(),
                               cancelled ? kE_ABORT : kInetDownloadFailure, cancel);
  return cancel || cancelled ? TRUE : FALSE;  // TRUE: no WebKit error page
}

void GtkWebBrowser::OnTitle(GObject*, GParamSpec*, gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  if (!self->Deliver()) return;
  const char* title = webkit_web_view_get_title(self->view_);
  self->events_->TitleChange(FromUtf8(title ? title : ""));
}

void GtkWebBrowser::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                    gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  if (!self->events_ || !self->view_) return;
  // Only the platform's own top-level pages may speak to the host.
  const char* page = webkit_web_view_get_uri(self->view_);
  if (!page || !IsTrustedPageUrl(FromUtf8(page))) return;
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  char* text = value ? jsc_value_to_string(value) : nullptr;
  const std::string message = text ? text : "";
  g_free(text);
  if (self->secret_.empty() || message.compare(0, self->secret_.size(), self->secret_) != 0)
    return;
  ExternalObject* slot = nullptr;
  self->events_->GetExternal(&slot);
  if (!slot) return;
  reinterpret_cast<WebScriptObject*>(slot)->OnScriptMessage(FromUtf8(message.substr(self->secret_.size())));
}

gboolean GtkWebBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                      WebKitHitTestResult*, gpointer data) {
  // The host face handles the menu (none); the document face lets WebKit show its own.
  return static_cast<GtkWebBrowser*>(data)->documentFace_ ? FALSE : TRUE;
}

gboolean GtkWebBrowser::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<GtkWebBrowser*>(data);
  if (!self->silent_ ||
      webkit_script_dialog_get_dialog_type(dialog) != WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
    return FALSE;
  webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
  return TRUE;
}

gboolean GtkWebBrowser::OnPermission(WebKitWebView*, WebKitPermissionRequest* request,
                                     gpointer data) {
  if (!static_cast<GtkWebBrowser*>(data)->silent_) return FALSE;
  webkit_permission_request_deny(request);
  return TRUE;
}

gboolean GtkWebBrowser::OnDragMotion(GtkWidget*, GdkDragContext* context, gint, gint, guint time,
                                     gpointer data) {
  if (static_cast<GtkWebBrowser*>(data)->dropTarget_) return FALSE;
  gdk_drag_status(context, static_cast<GdkDragAction>(0), time);
  return TRUE;
}

gboolean GtkWebBrowser::OnDragDrop(GtkWidget*, GdkDragContext* context, gint, gint, guint time,
                                   gpointer data) {
  if (static_cast<GtkWebBrowser*>(data)->dropTarget_) return FALSE;
  gtk_drag_finish(context, FALSE, FALSE, time);
  return TRUE;
}

std::unique_ptr<WebBrowser> GtkWebBrowser::Make(HWindow parent, const Rect& rect, uint32_t style,
                                                uint32_t exStyle, const std::wstring& url,
                                                WebEvents* events) {
  auto browser = std::make_unique<GtkWebBrowser>(events);
  if (!CreateHost(*browser, kHostClass, parent, rect, style, exStyle, url)) return nullptr;
  return browser;
}

class WebKitEngine : public WebEngine {
 public:
  std::unique_ptr<WebBrowser> Create(HWindow parent, const Rect& rect, uint32_t style,
                                     uint32_t exStyle, const std::wstring& url,
                                     WebEvents* events) override {
    return GtkWebBrowser::Make(parent, rect, style, exStyle, url, events);
  }
};

}  // namespace

WebEngine* GtkWebEngine() {
  static WebKitEngine engine;
  return &engine;
}

}  // namespace pf
