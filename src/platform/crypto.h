// Hashing and signature checks for what the client is about to run: SHA-256
// (streaming) and ECDSA over the P-256 curve with SHA-256.  Windows uses CNG
// (bcrypt.dll), other systems OpenSSL's libcrypto; the build links exactly one.
// Pure computations: callable from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pf {

using Sha256Digest = std::array<uint8_t, 32>;
// An uncompressed P-256 point: 0x04, then X and Y, 32 bytes each.
using P256PublicKey = std::array<uint8_t, 65>;
// A raw signature: r then s, 32 bytes each, big-endian.
using P256Signature = std::array<uint8_t, 64>;

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // False once the backend failed; the digest is then unusable.
  bool Update(const uint8_t* bytes, size_t size);
  // The digest of everything given; false when the backend failed.  The
  // object cannot be updated afterwards.
  bool Finish(Sha256Digest& out);

  struct State;

 private:
  std::unique_ptr<State> state_;  // owned
};

// True only when the signature is a valid ECDSA P-256 signature of the
// SHA-256 digest of the message under the key.  A malformed key, a signature
// out of range or a backend failure all give false.
bool VerifyP256Sha256(const P256PublicKey& key, const uint8_t* message, size_t size,
                      const P256Signature& signature);

}  // namespace pf
