// Stands in for the downloaded upgrader: writes its arguments, joined by
// blanks, as [run] args= and its own path as [run] self= of an INI file: the
// one named by $VEXA_UPGRADER_RECORD, else its own path + ".ran"; then ends.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  std::string line;
  for (int i = 1; i < argc; ++i) line += std::string(i > 1 ? " " : "") + argv[i];
  const char* given = std::getenv("VEXA_UPGRADER_RECORD");
  const std::string record = given && *given ? given : std::string(self) + ".ran";
  std::FILE* f = std::fopen(record.c_str(), "wb");
  if (!f) return 1;
  std::fputs(("[run]\r\nargs=" + line + "\r\nself=" + self + "\r\n").c_str(), f);
  std::fclose(f);
  return 0;
}
