#include "tests/support/CannedTls.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace kivtest {

namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* object) const { Free(object); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

void Require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("OpenSSL: ") + what);
    }
}

void AddExtension(X509* cert, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    Require(extension != nullptr, "extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

std::string ToPem(int (*write)(BIO*, void*), void* object) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    Require(bio && write(bio.get(), object) == 1, "PEM");
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

int WriteCert(BIO* bio, void* cert) {
    return PEM_write_bio_X509(bio, static_cast<X509*>(cert));
}

int WriteKey(BIO* bio, void* key) {
    return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(key), nullptr, nullptr, 0, nullptr,
                                    nullptr);
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ",") + name;
    }
    return joined;
}

}  // namespace

TestCertificate MakeSelfSignedCertificate(const CertificateOptions& options) {
    KeyPtr key(EVP_EC_gen("P-256"));
    Require(key != nullptr, "key");
    CertPtr cert(X509_new());
    Require(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert.get()));
    BN_free(number);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), options.validFromDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), options.validToDays * 86400);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Canned Test Server"), -1, -1,
                               0);
    X509_set_issuer_name(cert.get(), name);
    X509_set_pubkey(cert.get(), key.get());
    AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyCertSign");
    AddExtension(cert.get(), NID_subject_key_identifier, "hash");
    if (!options.altNames.empty()) {
        AddExtension(cert.get(), NID_subject_alt_name, JoinNames(options.altNames));
    }
    Require(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "sign");
    return {ToPem(WriteCert, cert.get()), ToPem(WriteKey, key.get())};
}

SSL_CTX* MakeServerContext(const TestCertificate& certificate, bool requireClientCert) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    Require(context != nullptr, "context");
    BioPtr certBio(
        BIO_new_mem_buf(certificate.certPem.data(), static_cast<int>(certificate.certPem.size())));
    BioPtr keyBio(
        BIO_new_mem_buf(certificate.keyPem.data(), static_cast<int>(certificate.keyPem.size())));
    CertPtr cert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    bool ok = cert && key && SSL_CTX_use_certificate(context, cert.get()) == 1 &&
              SSL_CTX_use_PrivateKey(context, key.get()) == 1;
    if (!ok) {
        SSL_CTX_free(context);
        Require(false, "server certificate");
    }
    if (requireClientCert) {
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    }
    return context;
}

}  // namespace kivtest
