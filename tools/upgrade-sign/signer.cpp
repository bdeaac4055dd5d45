#include "signer.h"

#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <fstream>
#include <vector>

namespace signer {
namespace {
EVP_PKEY* P(void* p) { return static_cast<EVP_PKEY*>(p); }

bool IsP256(EVP_PKEY* pkey) {
  char group[64] = {};
  size_t length = 0;
  return EVP_PKEY_is_a(pkey, "EC") &&
         EVP_PKEY_get_utf8_string_param(pkey, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                        &length) == 1 &&
         std::string(group) == "prime256v1";
}
}  // namespace

SigningKey::~SigningKey() { EVP_PKEY_free(P(pkey_)); }

std::unique_ptr<SigningKey> SigningKey::Generate() {
  EVP_PKEY* pkey = EVP_EC_gen("P-256");
  if (!pkey) return nullptr;
  return std::unique_ptr<SigningKey>(new SigningKey(pkey));
}

std::unique_ptr<SigningKey> SigningKey::FromPem(const std::string& pem) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  if (!bio) return nullptr;
  EVP_PKEY* pkey = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  if (!pkey) return nullptr;
  if (!IsP256(pkey)) {
    EVP_PKEY_free(pkey);
    return nullptr;
  }
  return std::unique_ptr<SigningKey>(new SigningKey(pkey));
}

std::string SigningKey::PrivatePem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  std::string pem;
  if (bio && PEM_write_bio_PrivateKey(bio, P(pkey_), nullptr, nullptr, 0, nullptr, nullptr) == 1) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    pem.assign(data, static_cast<size_t>(length));
  }
  BIO_free(bio);
  return pem;
}

pf::P256PublicKey SigningKey::PublicKey() const {
  pf::P256PublicKey key{};
  size_t length = 0;
  EVP_PKEY_get_octet_string_param(P(pkey_), OSSL_PKEY_PARAM_PUB_KEY, key.data(), key.size(),
                                  &length);
  return key;
}

std::string SigningKey::PublicKeyHex() const {
  const pf::P256PublicKey key = PublicKey();
  return storage::HexText(key.data(), key.size());
}

bool SigningKey::Sign(const std::string& message, pf::P256Signature& out) const {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  std::vector<unsigned char> der(128);
  size_t length = der.size();
  const bool signedOk = ctx && EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, P(pkey_)) == 1 &&
                        EVP_DigestSign(ctx, der.data(), &length,
                                       reinterpret_cast<const unsigned char*>(message.data()),
                                       message.size()) == 1;
  EVP_MD_CTX_free(ctx);
  if (!signedOk) return false;
  // OpenSSL writes DER; the version file carries r and s as 32 bytes each.
  const unsigned char* p = der.data();
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(length));
  if (!sig) return false;
  const bool ok = BN_bn2binpad(ECDSA_SIG_get0_r(sig), out.data(), 32) == 32 &&
                  BN_bn2binpad(ECDSA_SIG_get0_s(sig), out.data() + 32, 32) == 32;
  ECDSA_SIG_free(sig);
  return ok;
}

bool HashFile(const std::string& path, pf::Sha256Digest& digest, uint64_t& size) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  pf::Sha256 hasher;
  std::vector<char> buffer(64 * 1024);
  size = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    size += static_cast<uint64_t>(got);
    if (!hasher.Update(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(got)))
      return false;
  }
  return !in.bad() && hasher.Finish(digest);
}

std::string VersionFileText(const SigningKey& key, const std::string& version,
                            const std::string& range, uint64_t size,
                            const pf::Sha256Digest& sha256) {
  const std::wstring v(version.begin(), version.end());
  const std::wstring r(range.begin(), range.end());
  const std::string text = storage::SignedOfferText(v, r, size, sha256);
  pf::P256Signature signature{};
  if (text.empty() || !key.Sign(text, signature)) return std::string();
  return "[version]\r\ncurrentversion=" + version + "\r\nupgraderange=" + range +
         "\r\npackagesize=" + std::to_string(size) +
         "\r\npackagesha256=" + storage::HexText(sha256.data(), sha256.size()) +
         "\r\nsignature=" + storage::HexText(signature.data(), signature.size()) + "\r\n";
}

}  // namespace signer
