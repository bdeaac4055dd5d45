// One download attempt over the scripted HTTP client: whatever the server
// says, the result is success exactly when the body matched its length and
// cap, the file holds exactly what was received, and progress rises to 100.
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "net/download_worker.h"
#include "platform/fake/fake_platform.h"
#include "platform/portable/utf8.h"

namespace {

struct Progress {
  std::vector<uintptr_t> values;
  static int32_t Callback(uintptr_t user, int32_t, int32_t, int32_t, uintptr_t extra) {
    reinterpret_cast<Progress*>(user)->values.push_back(extra);
    return 0;
  }
};

pf::FakePlatform& Platform() {
  static pf::FakePlatform* platform = [] {
    char pattern[] = "/dev/shm/vexa-fuzz-transfer-XXXXXX";
    char* root = mkdtemp(pattern);
    if (!root) {
      char fallback[] = "/tmp/vexa-fuzz-transfer-XXXXXX";
      root = mkdtemp(fallback);
    }
    return new pf::FakePlatform(pf::FromUtf8(root));
  }();
  return *platform;
}

std::string ReadAll(const std::wstring& path) {
  std::string out;
  FILE* f = std::fopen(pf::ToUtf8(path).c_str(), "rb");
  if (!f) return out;
  char b[4096];
  size_t n;
  while ((n = std::fread(b, 1, sizeof b, f)) > 0) out.append(b, n);
  std::fclose(f);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pf::FakePlatform& platform = Platform();
  pf::FakeHttp& http = platform.http;
  fuzz::Input in(data, size);
  const uint8_t flags = in.Byte();
  pf::FakeHttp::Answer a;
  a.noStatus = flags & 1;
  a.sendFails = flags & 2;
  a.hasContentLength = !(flags & 4);
  a.status = in.Byte() % 6 * 100 + in.Byte() % 4;  // 0..503
  const uint32_t declared = in.U32();
  a.body = in.Bytes(255) + in.Bytes(255);
  if (flags & 8) a.body += std::string(in.Byte() * 97, 'b');
  a.contentLength = (flags & 16) ? static_cast<int64_t>(declared % 70000) : -1;
  a.readFailsAt = (flags & 32) ? static_cast<int64_t>(in.Byte()) * 50 : -1;
  const uint64_t cap = (flags & 64) ? in.U32() % 100000 : 0;
  http.answers.clear();
  http.answers[L"*"] = a;
  // Each input is checked on its own: what the fake observed for earlier
  // inputs would only pile up over a million runs.
  FUZZ_CHECK(http.ForgetObservations());

  auto worker = std::make_shared<net::DownloadWorker>(std::make_shared<net::PendingQueue>(),
                                                      net::RefererSource{});
  worker->holder.stopFlag = 0;
  const std::wstring file = platform.files.TempFolder() + L"fuzz.bin";
  ::unlink(pf::ToUtf8(file).c_str());
  Progress progress;
  net::DownloadTask t;
  t.url = L"http://example.com/" + pf::FromUtf8(in.Bytes(40));
  t.filePath = (flags & 128) ? std::wstring() : file;
  t.callback = &Progress::Callback;
  t.userData = reinterpret_cast<uintptr_t>(&progress);
  t.maxBytes = cap;
  const int32_t result = worker->Transfer(t);

  FUZZ_CHECK(http.OpenHandles() == 0);
  const uint64_t length = a.contentLength >= 0 ? static_cast<uint64_t>(a.contentLength) : a.body.size();
  const uint64_t limit = cap ? cap : net::kDefaultMaxBytes;
  bool split = true;
  {
    pf::UrlParts parts;
    split = http.CrackUrl(t.url, parts);
  }
  const bool statusOk = split && !a.sendFails && !a.noStatus && a.status < 400;
  if (t.filePath.empty()) {
    FUZZ_CHECK((result == net::DL_OK) == statusOk);
    return 0;
  }
  const bool bodyOk = statusOk && a.hasContentLength && length <= limit &&
                      length <= a.body.size() &&
                      (a.readFailsAt < 0 || static_cast<uint64_t>(a.readFailsAt) >= length);
  FUZZ_CHECK((result == net::DL_OK) == bodyOk);
  if (result == net::DL_OK) {
    FUZZ_CHECK(ReadAll(file) == a.body.substr(0, length));
    if (length > 0) FUZZ_CHECK(!progress.values.empty() && progress.values.back() == 100);
  }
  // What was written is a prefix of the body, whatever the result.
  const std::string written = ReadAll(file);
  FUZZ_CHECK(a.body.compare(0, written.size(), written) == 0);
  for (size_t i = 0; i < progress.values.size(); ++i) {
    FUZZ_CHECK(progress.values[i] <= 100);
    if (i) FUZZ_CHECK(progress.values[i] >= progress.values[i - 1]);
  }
  if (length > limit) FUZZ_CHECK(written.empty() && !platform.files.Exists(file));
  return 0;
}
