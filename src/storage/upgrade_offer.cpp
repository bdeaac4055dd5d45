#include "storage/upgrade_offer.h"

#include <mutex>

#include "deploy/deployment.h"
#include "net/url_escape.h"

namespace storage {
namespace {

std::mutex g_testKeysLock;
bool g_testKeysSet = false;
std::vector<pf::P256PublicKey> g_testKeys;

// The ASCII text of a value read from the file; false for anything else.
bool Ascii(const std::wstring& text, std::string& out) {
  out.clear();
  for (wchar_t c : text) {
    if (c < 0x20 || c > 0x7E) return false;
    out += static_cast<char>(c);
  }
  return true;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool ParseSize(const std::string& text, uint64_t& out) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value == 0 || value > kMaxPackageSize) return false;
  out = value;
  return true;
}

}  // namespace

std::string HexText(const uint8_t* bytes, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

bool ParseHex(const std::string& text, uint8_t* out, size_t size) {
  const std::string t = Trimmed(text);
  if (t.size() != size * 2) return false;
  for (size_t i = 0; i < size; ++i) {
    const int high = net::HexDigitValue(t[2 * i]);
    const int low = net::HexDigitValue(t[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

bool ParsePublicKey(const std::string& text, pf::P256PublicKey& out) {
  return ParseHex(text, out.data(), out.size()) && out[0] == 0x04;
}

std::string SignedOfferText(const std::wstring& version, const std::wstring& range, uint64_t size,
                            const pf::Sha256Digest& sha256) {
  std::string v, r;
  if (!Ascii(version, v) || !Ascii(range, r)) return std::string();
  return std::string(kOfferTextHeader) + v + "\n" + r + "\n" + std::to_string(size) + "\n" +
         HexText(sha256.data(), sha256.size()) + "\n";
}

OfferCheck CheckOffer(const std::wstring& version, const std::wstring& range,
                      const std::wstring& sizeText, const std::wstring& hashText,
                      const std::wstring& signatureText,
                      const std::vector<pf::P256PublicKey>& keys, UpgradeOffer& out) {
  if (keys.empty()) return OfferCheck::kNoTrustedKey;
  if (sizeText.empty() || hashText.empty() || signatureText.empty())
    return OfferCheck::kMissingKeys;
  std::string size, hash, signatureHex;
  UpgradeOffer offer;
  pf::P256Signature signature{};
  if (!Ascii(sizeText, size) || !Ascii(hashText, hash) || !Ascii(signatureText, signatureHex) ||
      !ParseSize(Trimmed(size), offer.size) ||
      !ParseHex(hash, offer.sha256.data(), offer.sha256.size()) ||
      !ParseHex(signatureHex, signature.data(), signature.size()))
    return OfferCheck::kMalformed;
  offer.version = version;
  offer.range = range;
  const std::string text = SignedOfferText(version, range, offer.size, offer.sha256);
  if (text.empty()) return OfferCheck::kMalformed;
  for (const pf::P256PublicKey& key : keys) {
    if (pf::VerifyP256Sha256(key, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                             signature)) {
      out = offer;
      return OfferCheck::kVerified;
    }
  }
  return OfferCheck::kBadSignature;
}

std::vector<pf::P256PublicKey> TrustedUpgradeKeys() {
  {
    std::lock_guard<std::mutex> hold(g_testKeysLock);
    if (g_testKeysSet) return g_testKeys;
  }
  std::vector<pf::P256PublicKey> keys;
  for (const char* text : {deploy::kUpgradeKey, deploy::kUpgradeKeyNext}) {
    pf::P256PublicKey key{};
    if (ParsePublicKey(text, key)) keys.push_back(key);
  }
  return keys;
}

void SetTrustedUpgradeKeysForTest(const std::vector<pf::P256PublicKey>* keys) {
  std::lock_guard<std::mutex> hold(g_testKeysLock);
  g_testKeysSet = keys != nullptr;
  g_testKeys = keys ? *keys : std::vector<pf::P256PublicKey>();
}

}  // namespace storage
