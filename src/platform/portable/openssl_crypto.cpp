// SHA-256 and ECDSA P-256 verification with OpenSSL 3's EVP interface.
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include "platform/crypto.h"

namespace pf {

struct Sha256::State {
  EVP_MD_CTX* ctx = nullptr;  // owned
  bool ok = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->ctx = EVP_MD_CTX_new();
  state_->ok = state_->ctx && EVP_DigestInit_ex(state_->ctx, EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() {
  if (state_->ctx) EVP_MD_CTX_free(state_->ctx);
}

bool Sha256::Update(const uint8_t* bytes, size_t size) {
  if (!state_->ok) return false;
  if (size > 0 && EVP_DigestUpdate(state_->ctx, bytes, size) != 1) state_->ok = false;
  return state_->ok;
}

bool Sha256::Finish(Sha256Digest& out) {
  if (!state_->ok) return false;
  unsigned int length = 0;
  state_->ok = false;
  return EVP_DigestFinal_ex(state_->ctx, out.data(), &length) == 1 && length == out.size();
}

namespace {

EVP_PKEY* ImportPublicKey(const P256PublicKey& key) {
  if (key[0] != 0x04) return nullptr;
  OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
  if (!build) return nullptr;
  EVP_PKEY* pkey = nullptr;
  OSSL_PARAM* params = nullptr;
  EVP_PKEY_CTX* ctx = nullptr;
  char group[] = "prime256v1";
  if (OSSL_PARAM_BLD_push_utf8_string(build, OSSL_PKEY_PARAM_GROUP_NAME, group, 0) == 1 &&
      OSSL_PARAM_BLD_push_octet_string(build, OSSL_PKEY_PARAM_PUB_KEY, key.data(), key.size()) ==
          1 &&
      (params = OSSL_PARAM_BLD_to_param(build)) != nullptr &&
      (ctx = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr)) != nullptr &&
      EVP_PKEY_fromdata_init(ctx) == 1) {
    // A point that is not on the curve is refused here.
    if (EVP_PKEY_fromdata(ctx, &pkey, EVP_PKEY_PUBLIC_KEY, params) != 1) pkey = nullptr;
  }
  EVP_PKEY_CTX_free(ctx);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(build);
  return pkey;
}

// The raw r || s signature in the DER form OpenSSL verifies.
bool ToDer(const P256Signature& signature, unsigned char** der, int& length) {
  ECDSA_SIG* sig = ECDSA_SIG_new();
  if (!sig) return false;
  BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
  BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
  if (!r || !s || ECDSA_SIG_set0(sig, r, s) != 1) {
    BN_free(r);
    BN_free(s);
    ECDSA_SIG_free(sig);
    return false;
  }
  *der = nullptr;
  length = i2d_ECDSA_SIG(sig, der);
  ECDSA_SIG_free(sig);
  return length > 0;
}

}  // namespace

bool VerifyP256Sha256(const P256PublicKey& key, const uint8_t* message, size_t size,
                      const P256Signature& signature) {
  EVP_PKEY* pkey = ImportPublicKey(key);
  if (!pkey) return false;
  unsigned char* der = nullptr;
  int derLength = 0;
  bool valid = false;
  if (ToDer(signature, &der, derLength)) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    valid = ctx && EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, pkey) == 1 &&
            EVP_DigestVerify(ctx, der, static_cast<size_t>(derLength), message, size) == 1;
    EVP_MD_CTX_free(ctx);
    OPENSSL_free(der);
  }
  EVP_PKEY_free(pkey);
  return valid;
}

}  // namespace pf
