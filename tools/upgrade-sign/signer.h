// Making upgrade keys and signing upgrade offers with OpenSSL: the signing
// side of what the client verifies.  Used by vexa-sign and by the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/crypto.h"
#include "storage/upgrade_offer.h"

namespace signer {

class SigningKey {
 public:
  ~SigningKey();
  SigningKey(const SigningKey&) = delete;
  SigningKey& operator=(const SigningKey&) = delete;

  // A fresh P-256 key pair; null on failure.
  static std::unique_ptr<SigningKey> Generate();
  // A private key in PEM; null when it is not a P-256 key.
  static std::unique_ptr<SigningKey> FromPem(const std::string& pem);

  std::string PrivatePem() const;
  // The uncompressed public point, and as the 130 hexadecimal digits a build takes.
  pf::P256PublicKey PublicKey() const;
  std::string PublicKeyHex() const;
  // ECDSA/SHA-256 signature of the bytes as raw r || s; false on failure.
  bool Sign(const std::string& message, pf::P256Signature& out) const;

 private:
  explicit SigningKey(void* pkey) : pkey_(pkey) {}
  void* pkey_;  // owned EVP_PKEY
};

// The SHA-256 of a whole file; false when it cannot be read.
bool HashFile(const std::string& path, pf::Sha256Digest& digest, uint64_t& size);

// The [version] section of a signed version file for the package.
std::string VersionFileText(const SigningKey& key, const std::string& version,
                            const std::string& range, uint64_t size,
                            const pf::Sha256Digest& sha256);

}  // namespace signer
