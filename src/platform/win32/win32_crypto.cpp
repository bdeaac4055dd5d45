// SHA-256 and ECDSA P-256 verification with CNG (bcrypt.dll).
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "platform/crypto.h"

namespace pf {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;  // owned
  BCRYPT_HASH_HANDLE hash = nullptr;      // owned
  bool ok = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->ok =
      Succeeded(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                            0)) &&
      Succeeded(BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
  if (state_->algorithm) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

bool Sha256::Update(const uint8_t* bytes, size_t size) {
  // BCryptHashData takes at most a ULONG at a time.
  while (state_->ok && size > 0) {
    const ULONG part = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    if (!Succeeded(BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes), part, 0)))
      state_->ok = false;
    bytes += part;
    size -= part;
  }
  return state_->ok;
}

bool Sha256::Finish(Sha256Digest& out) {
  if (!state_->ok) return false;
  state_->ok = false;
  return Succeeded(BCryptFinishHash(state_->hash, out.data(), static_cast<ULONG>(out.size()), 0));
}

bool VerifyP256Sha256(const P256PublicKey& key, const uint8_t* message, size_t size,
                      const P256Signature& signature) {
  if (key[0] != 0x04) return false;
  Sha256 hasher;
  Sha256Digest digest{};
  if (!hasher.Update(message, size) || !hasher.Finish(digest)) return false;

  // BCRYPT_ECCKEY_BLOB followed by X and Y.
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  BCRYPT_ECCKEY_BLOB header{};
  header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  header.cbKey = 32;
  memcpy(blob.data(), &header, sizeof header);
  memcpy(blob.data() + sizeof header, key.data() + 1, 64);

  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_KEY_HANDLE handle = nullptr;
  bool valid = false;
  if (Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) &&
      Succeeded(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle,
                                    blob.data(), static_cast<ULONG>(blob.size()), 0))) {
    // CNG takes the raw r || s form as it is.
    valid = BCryptVerifySignature(handle, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                  const_cast<PUCHAR>(signature.data()),
                                  static_cast<ULONG>(signature.size()), 0) == 0;
  }
  if (handle) BCryptDestroyKey(handle);
  if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  return valid;
}

}  // namespace pf
