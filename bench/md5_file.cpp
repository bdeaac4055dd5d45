// Prints the MD5 of a file with our implementation and the seconds the
// hashing took (reading excluded): "<digest> <seconds>".
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "reporting/md5.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: md5_file FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return 1;
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string bytes = buffer.str();
  const auto start = std::chrono::steady_clock::now();
  const std::wstring digest = reporting::Md5Hex(bytes);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%s %.6f\n", std::string(digest.begin(), digest.end()).c_str(), took.count());
  return 0;
}
