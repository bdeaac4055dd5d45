// The Linux backend: POSIX files, our INI engine, the system facts of Linux
// and the GTK user interface.
#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/linux/curl_http.h"
#include "platform/gtk/gtk_canvas.h"
#include "platform/gtk/gtk_shell.h"
#include "platform/gtk/gtk_ui.h"
#include "platform/gtk/gtk_url_cache.h"
#include "platform/gtk/gtk_web_engine.h"
#include "platform/linux/linux_machine.h"
#include "platform/linux/linux_processes.h"
#include "platform/platform.h"
#include "platform/portable/ini_file.h"
#include "platform/linux/posix_files.h"
#include "platform/portable/string_table.h"
#include "platform/portable/utf8.h"

namespace pf {
namespace {

class LinuxSystem : public System {
 public:
  std::wstring CommandLine() override {
    // The arguments joined with blanks, program path first, like GetCommandLineW.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string raw = buffer.str();
    while (!raw.empty() && raw.back() == '\0') raw.pop_back();
    for (char& c : raw)
      if (c == '\0') c = ' ';
    return FromUtf8(raw);
  }
  int64_t Now() override { return static_cast<int64_t>(std::time(nullptr)); }
  bool ToLocalTime(int64_t seconds, LocalTime& out) override {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return false;
    out = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
  }
  bool NewGuid(Guid& out) override {
    unsigned char bytes[16];
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t n = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof bytes)) return false;
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant
    out.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                (uint32_t{bytes[2]} << 8) | bytes[3];
    out.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    out.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) out.data4[i] = bytes[8 + i];
    return true;
  }
};

}  // namespace

Platform MakeBackendPlatform() {
  static PosixFiles files;
  static IniFile ini;
  static LinuxSystem system;
  static GtkUi ui;
  static StringTableResources resources;
  static NoRegistry registry;
  static GtkShell shell;
  static LinuxMachine machine;
  static GtkGraphics graphics;
  static CurlHttp http;
  static LinuxProcesses processes;
  Platform p{&files, &ini, &system, &ui, &resources};
  p.registry = &registry;
  p.shell = &shell;
  p.machine = &machine;
  p.web = GtkWebEngine();
  p.graphics = &graphics;
  p.http = &http;
  p.processes = &processes;
  p.urlCache = GtkUrlCache();
  return p;
}

}  // namespace pf
