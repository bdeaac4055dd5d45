// The signed offer of the version file: which package the client may run.
//
// The version file's [version] section carries, besides "currentversion" and
// "upgraderange", the package's size in bytes ("packagesize", decimal), its
// SHA-256 ("packagesha256", 64 hexadecimal digits) and an ECDSA P-256/SHA-256
// signature ("signature", 128 hexadecimal digits: r then s) over the text of
// SignedOfferText.  A file without them, or whose signature no trusted key
// accepts, offers nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/crypto.h"

namespace storage {

struct UpgradeOffer {
  std::wstring version;  // "currentversion" as read
  std::wstring range;    // "upgraderange" as read
  uint64_t size = 0;     // bytes of the package
  pf::Sha256Digest sha256{};
};

enum class OfferCheck {
  kVerified,
  kNoTrustedKey,  // this build trusts no key: it offers no upgrade at all
  kMissingKeys,   // size, hash or signature absent
  kMalformed,     // a value that does not read as its format
  kBadSignature,  // no trusted key accepts the signature
};

// The first line of the signed text; changing the text's layout changes it.
constexpr char kOfferTextHeader[] = "Vexa tavo upgrade v1\n";
// The largest package a version file may announce.
constexpr uint64_t kMaxPackageSize = 0xFFFFFFFFu;

// The signed text: the header line, then the version, the range, the size in
// decimal and the hash in lower-case hexadecimal, each on its own line.
// Empty when the version or range holds anything but printable ASCII.
std::string SignedOfferText(const std::wstring& version, const std::wstring& range, uint64_t size,
                            const pf::Sha256Digest& sha256);

// Checks the values read from the version file against the keys.
OfferCheck CheckOffer(const std::wstring& version, const std::wstring& range,
                      const std::wstring& sizeText, const std::wstring& hashText,
                      const std::wstring& signatureText,
                      const std::vector<pf::P256PublicKey>& keys, UpgradeOffer& out);

// Lower-case hexadecimal of the bytes.
std::string HexText(const uint8_t* bytes, size_t size);
// Exactly size bytes written as 2 * size hexadecimal digits (either case),
// surrounding blanks ignored.
bool ParseHex(const std::string& text, uint8_t* out, size_t size);
// A public key as 130 hexadecimal digits (the uncompressed point).
bool ParsePublicKey(const std::string& text, pf::P256PublicKey& out);

// The keys this build trusts: the deployment's key and its successor, those
// that are set.  A test may put its own list in place (null restores).
std::vector<pf::P256PublicKey> TrustedUpgradeKeys();
void SetTrustedUpgradeKeysForTest(const std::vector<pf::P256PublicKey>* keys);

}  // namespace storage
