// vexa-sign: makes upgrade signing keys and signed version files.
//
//   vexa-sign keygen PRIVATE.pem         writes a new key pair's private key
//                                        (mode 0600) and prints the public key
//                                        a build takes as VEXA_UPGRADE_KEY
//   vexa-sign pubkey PRIVATE.pem         prints the public key again
//   vexa-sign sign PRIVATE.pem PACKAGE VERSION RANGE OUT.ini
//                                        writes the version file offering the
//                                        package to installed versions in RANGE
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "signer.h"

namespace {

int Usage() {
  std::cerr << "usage: vexa-sign keygen PRIVATE.pem\n"
               "       vexa-sign pubkey PRIVATE.pem\n"
               "       vexa-sign sign PRIVATE.pem PACKAGE VERSION RANGE OUT.ini\n";
  return 2;
}

std::unique_ptr<signer::SigningKey> Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  auto key = signer::SigningKey::FromPem(text.str());
  if (!key) std::cerr << "vexa-sign: " << path << " holds no P-256 private key\n";
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "keygen" && argc == 3) {
    auto key = signer::SigningKey::Generate();
    if (!key) return 1;
    const std::string pem = key->PrivatePem();
    ::umask(077);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << pem;
    if (!out) {
      std::cerr << "vexa-sign: cannot write " << argv[2] << "\n";
      return 1;
    }
    std::cout << key->PublicKeyHex() << "\n";
    return 0;
  }
  if (command == "pubkey" && argc == 3) {
    auto key = Load(argv[2]);
    if (!key) return 1;
    std::cout << key->PublicKeyHex() << "\n";
    return 0;
  }
  if (command == "sign" && argc == 7) {
    auto key = Load(argv[2]);
    if (!key) return 1;
    pf::Sha256Digest digest{};
    uint64_t size = 0;
    if (!signer::HashFile(argv[3], digest, size) || size == 0) {
      std::cerr << "vexa-sign: cannot read the package " << argv[3] << "\n";
      return 1;
    }
    const std::string text = signer::VersionFileText(*key, argv[4], argv[5], size, digest);
    if (text.empty()) {
      std::cerr << "vexa-sign: version and range must be printable ASCII\n";
      return 1;
    }
    std::ofstream out(argv[6], std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
      std::cerr << "vexa-sign: cannot write " << argv[6] << "\n";
      return 1;
    }
    return 0;
  }
  return Usage();
}
