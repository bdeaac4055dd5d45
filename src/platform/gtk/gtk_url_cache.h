// The URL cache on WebKitGTK: the web context's own cache, emptied through
// its website data manager.
#pragma once

#include "platform/url_cache.h"

namespace pf {

UrlCache* GtkUrlCache();

}  // namespace pf
