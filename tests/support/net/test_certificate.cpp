#include "support/net/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace vantel_test {
namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};

std::unique_ptr<X509, CertificateFree> SelfSigned(EVP_PKEY* key) {
  std::unique_ptr<X509, CertificateFree> certificate(X509_new());
  if (!certificate) return nullptr;
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 7 * 24 * 3600);
  X509_set_pubkey(certificate.get(), key);
  X509_NAME* name = X509_get_subject_name(certificate.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(certificate.get(), name);
  if (X509_sign(certificate.get(), key, EVP_sha256()) == 0) return nullptr;
  return certificate;
}

std::unique_ptr<BIO, BioFree> OpenForWriting(const std::filesystem::path& file) {
  return std::unique_ptr<BIO, BioFree>(BIO_new_file(file.string().c_str(), "wb"));
}

}  // namespace

bool WriteTestCertificate(const std::filesystem::path& folder) {
  std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
  if (!key) return false;
  auto certificate = SelfSigned(key.get());
  auto certificateFile = OpenForWriting(folder / "server.crt");
  auto keyFile = OpenForWriting(folder / "server.key");
  return certificate && certificateFile && keyFile &&
         PEM_write_bio_X509(certificateFile.get(), certificate.get()) == 1 &&
         PEM_write_bio_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr,
                                  nullptr) == 1;
}

}  // namespace vantel_test
