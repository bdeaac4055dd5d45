// UTF-8 and wide text: valid output, exact round trips on valid input, and
// cuts that never split a character.
#include "fuzz_support.h"
#include "platform/portable/utf8.h"

namespace {
bool ValidScalar(uint32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // Narrow to wide: only scalar values, and what comes out goes back exactly.
  const std::wstring wide = pf::FromUtf8(bytes);
  bool replaced = false;
  for (wchar_t c : wide) {
    FUZZ_CHECK(ValidScalar(static_cast<uint32_t>(c)));
    replaced = replaced || c == 0xFFFD;
  }
  const std::string again = pf::ToUtf8(wide);
  FUZZ_CHECK(pf::FromUtf8(again) == wide);
  // Input without a replacement is valid UTF-8 (or held U+FFFD itself): exact.
  if (!replaced) FUZZ_CHECK(again == bytes);
  FUZZ_CHECK(wide.size() <= bytes.size());

  // Wide to narrow from arbitrary units, surrogates and out-of-range values included.
  fuzz::Input in(data, size);
  const std::wstring odd = in.Wide(512);
  const std::string narrow = pf::ToUtf8(odd);
  const std::wstring back = pf::FromUtf8(narrow);
  FUZZ_CHECK(back.size() == odd.size());
  for (size_t i = 0; i < odd.size(); ++i) {
    const auto c = static_cast<uint32_t>(odd[i]);
    FUZZ_CHECK(back[i] == (ValidScalar(c) ? odd[i] : L'\xFFFD'));
  }

  // Cutting: a prefix, within the units, and never more than needed.
  const size_t units = in.Byte();
  const std::wstring cut = pf::CutToUtf16Units(wide, units);
  FUZZ_CHECK(wide.compare(0, cut.size(), cut) == 0);
  FUZZ_CHECK(pf::Utf16Length(cut) <= units);
  if (cut.size() < wide.size())
    FUZZ_CHECK(pf::Utf16Length(cut) + pf::Utf16Length(wide.substr(cut.size(), 1)) > units);
  return 0;
}
