// The version rules: the integer reading, the removal of separators and the
// upgrade range, each against a small reference model.
#include <climits>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "fuzz_support.h"
#include "platform/portable/utf8.h"
#include "storage/settings.h"
#include "storage/upgrade.h"

namespace {

// A stream extraction of an int: blanks, sign, digits; 0 when none or too big.
int32_t ModelParseInt(const std::wstring& t) {
  size_t i = 0;
  while (i < t.size() && (t[i] == L' ' || (t[i] >= L'\t' && t[i] <= L'\r'))) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == L'+' || t[i] == L'-')) neg = t[i++] == L'-';
  if (i >= t.size() || t[i] < L'0' || t[i] > L'9') return 0;
  std::string digits;
  while (i < t.size() && t[i] >= L'0' && t[i] <= L'9') digits += static_cast<char>(t[i++]);
  while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
  if (digits.size() > 10) return 0;
  const long long v = std::stoll(digits) * (neg ? -1 : 1);
  if (v > INT_MAX || v < INT_MIN) return 0;
  return static_cast<int32_t>(v);
}

// Empty parts are kept between separators and before a leading one; the
// empty remainder after a trailing separator is dropped.
std::vector<std::wstring> SplitModel(const std::wstring& s, wchar_t sep) {
  std::vector<std::wstring> out(1);
  for (wchar_t c : s) {
    if (c == sep)
      out.emplace_back();
    else
      out.back() += c;
  }
  if (out.back().empty()) out.pop_back();
  return out;
}

// Empty: every version; else any element equal to our version or a "low-high"
// pair around it (elements with more than one "-" count for nothing).
bool ModelInRange(const std::wstring& range) {
  if (range.empty()) return true;
  for (const std::wstring& e : SplitModel(range, L',')) {
    const std::vector<std::wstring> b = SplitModel(e, L'-');
    if (e.find(L'-') == std::wstring::npos) {
      if (ModelParseInt(e) == app::kOwnVersion) return true;
    } else if (b.size() == 2) {
      if (ModelParseInt(b[0]) <= app::kOwnVersion && ModelParseInt(b[1]) >= app::kOwnVersion)
        return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const std::wstring text = pf::FromUtf8(in.Bytes(64));
  FUZZ_CHECK(storage::ParseInt(text) == ModelParseInt(text));
  const std::wstring dotted = storage::RemoveAll(text, L".");
  FUZZ_CHECK(dotted.find(L'.') == std::wstring::npos);
  size_t dots = 0;
  for (wchar_t c : text) dots += c == L'.';
  FUZZ_CHECK(dotted.size() + dots == text.size());
  const std::wstring range = pf::FromUtf8(in.Rest());
  FUZZ_CHECK(storage::InUpgradeRange(range) == ModelInRange(range));
  return 0;
}
