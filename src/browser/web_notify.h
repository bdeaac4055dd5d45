// Web notifications: the observer list through which a browser view reports
// to the window that hosts it.
//
// Threads: the user-interface thread only.  Fire runs the handlers
// synchronously, inside the engine callback that raised the notification, so
// a handler can still cancel the navigation in progress.
//
// The arguments are pointer-sized: b carries the engine's result slot for
// code 2 and c the raising view's address (or the title text for code 9), so
// they must hold an address on a 64-bit build too.
#pragma once

#include <cstdint>
#include <vector>

namespace browser {

// Notification codes, with what b and c carry.  Codes 3 to 6 and above 10
// are never raised.
enum WebNotifyCode : unsigned {
  kDocumentComplete = 0,       // b 0, c view: the recorded top-level frame has loaded
  kNavigateError = 1,          // b 0, c view: a load failed (not a cancelled one)
  kGetExternal = 2,            // b the engine's slot for window.external, c view
  kBeforeNavigate = 7,         // b 0, c view: cancellable through the view's cancel flag
  kFirstNavigateComplete = 8,  // b 0, c view: the first page of a Navigate has arrived
  kTitleChange = 9,            // b 0, c a const wchar_t* valid only during the call
  kDivertedNavigation = 10,    // b 0, c view: cancelled; the URL is for the owner to open
};

using NotifyArg = uintptr_t;  // the b argument
using NotifyPtr = intptr_t;   // the c argument

class ICWebNotifyEventHandler {
 public:
  virtual void Invoke(unsigned code, NotifyArg b, NotifyPtr c) = 0;
  virtual ~ICWebNotifyEventHandler() = default;
};

// Holds the target (not owned) and the member function to call.
template <class T, class Method, class Interface>
class CEventHandler : public Interface {
 public:
  CEventHandler(T* target, Method method) : target_(target), method_(method) {}
  void Invoke(unsigned, NotifyArg, NotifyPtr) override {}

 protected:
  T* target_;  // not owned
  Method method_;
};

template <class T, class Method = void (T::*)(unsigned, NotifyArg, NotifyPtr)>
class CCWebNotifyEventHandler : public CEventHandler<T, Method, ICWebNotifyEventHandler> {
 public:
  CCWebNotifyEventHandler(T* target, Method method)
      : CEventHandler<T, Method, ICWebNotifyEventHandler>(target, method) {}
  void Invoke(unsigned code, NotifyArg b, NotifyPtr c) override {
    T* target = this->target_;
    const Method method = this->method_;
    if (target && method) (target->*method)(code, b, c);
  }
};

// The plain-function handler kind named by the event type; nothing creates one.
class FCWebNotifyEventHandler : public ICWebNotifyEventHandler {
 public:
  using Function = void (*)(unsigned, NotifyArg, NotifyPtr);
  explicit FCWebNotifyEventHandler(Function function) : function_(function) {}
  void Invoke(unsigned code, NotifyArg b, NotifyPtr c) override {
    if (function_) function_(code, b, c);
  }

 private:
  Function function_;
};

// The event: an ordered list of handlers, all owned.
template <template <class, class> class MemberHandler, class FunctionHandler, class Interface>
class CFEvent {
 public:
  CFEvent() = default;
  CFEvent(const CFEvent&) = delete;
  CFEvent& operator=(const CFEvent&) = delete;
  virtual ~CFEvent() {
    for (Interface* handler : handlers_) delete handler;  // delete of null is a no-op
  }

  // Takes ownership; handlers are only ever appended.
  void Append(Interface* handler) { handlers_.push_back(handler); }
  size_t Count() const { return handlers_.size(); }

 protected:
  std::vector<Interface*> handlers_;  // owned
};

class CWebNotify
    : public CFEvent<CCWebNotifyEventHandler, FCWebNotifyEventHandler, ICWebNotifyEventHandler> {
 public:
  // Calls every handler in subscription order; never stops early.  Handlers
  // must not throw.  Indexing (not iterators) keeps the walk valid should a
  // handler subscribe another handler to this source.
  void Fire(unsigned code, NotifyArg b, NotifyPtr c) {
    for (size_t i = 0; i < handlers_.size(); ++i)
      if (ICWebNotifyEventHandler* handler = handlers_[i]) handler->Invoke(code, b, c);
  }
};

// Binds window->OnWebNotify to the source and returns the handler, which the
// source owns from now on.
template <class T>
CCWebNotifyEventHandler<T>* Subscribe(CWebNotify& source, T* window) {
  auto* handler = new CCWebNotifyEventHandler<T>(window, &T::OnWebNotify);
  source.Append(handler);
  return handler;
}

}  // namespace browser
