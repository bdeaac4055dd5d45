// The demo platform's upgrade package: a harmless stand-in for an upgrader.
// It changes nothing; it records that it ran, with its own path and its
// arguments, and whether they ask for a silent upgrade ("/S /RKUPGRADE"),
// as one line appended to the file named by $VEXA_DEMO_UPGRADE_RECORD, or to
// $TMPDIR/vexa-demo-upgrade.log (default /tmp), and says so on its output.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

int main(int argc, char** argv) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string("?");
  std::string arguments;
  for (int i = 1; i < argc; ++i) arguments += std::string(i > 1 ? " " : "") + argv[i];
  const bool silent =
      argc == 3 && std::string(argv[1]) == "/S" && std::string(argv[2]) == "/RKUPGRADE";

  std::string record;
  if (const char* given = std::getenv("VEXA_DEMO_UPGRADE_RECORD"); given && *given) {
    record = given;
  } else {
    const char* temp = std::getenv("TMPDIR");
    record = std::string(temp && *temp ? temp : "/tmp") + "/vexa-demo-upgrade.log";
  }
  const std::string line = "demo upgrader ran: time=" + std::to_string(std::time(nullptr)) +
                           " silent=" + (silent ? "yes" : "no") +
                           " uid=" + std::to_string(::geteuid()) + " path=" + path +
                           " args=" + arguments;
  std::FILE* f = std::fopen(record.c_str(), "ab");
  if (f) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
  std::printf("%s\n(recorded in %s)\n", line.c_str(), record.c_str());
  return silent ? 0 : 2;
}
