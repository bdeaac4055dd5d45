// The WebKitGTK web engine (see gtk_web_engine.cpp for what it supports).
#pragma once

#include "platform/web_engine.h"

namespace pf {
WebEngine* GtkWebEngine();
}  // namespace pf
