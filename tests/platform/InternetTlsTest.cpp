// HTTPS against the canned server with certificates made at test time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/InternetErrors.h"
#include "platform/InternetSessionCore.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/CannedServer.h"

namespace {

using inettest::Open;
using inettest::ScopedVariable;
using inettest::ThrownError;
using kivtest::CannedServer;
using kivtest::CertificateOptions;
using kivtest::TestCertificate;

class InternetTlsTest : public inettest::CleanInternetEnvironment {
protected:
    InternetTlsTest() {
        char folder[] = "/tmp/kiv-inet-tls-XXXXXX";
        EXPECT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
    }
    ~InternetTlsTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string WriteCaFile(const TestCertificate& certificate) {
        std::string path = folder_ + "/extra-ca.pem";
        std::ofstream(path) << certificate.certPem;
        return path;
    }

    // Sends a GET to a TLS server presenting `certificate` while `caFile` is
    // the extra CA file; the WinINet number, 0 on success.
    win::DWORD Fetch(const TestCertificate& certificate, const char* caFile,
                     bool requireClientCert = false, std::string* body = nullptr) {
        ScopedVariable extraCa("KIVDL_EXTRA_CA_FILE", caFile);
        CannedServer server({certificate, requireClientCert});
        server.Enqueue(kivtest::CannedResponse::Ok("secret payload"));
        auto request = Open(server.Url("/file"), win::HTTP_VERB_GET);
        return ThrownError([&] {
            request.file->SendRequest(inettest::kUserAgentLine);
            std::string received = inettest::ReadAll(*request.file);
            if (body) {
                *body = received;
            }
        });
    }

    std::string folder_;
};

TEST_F(InternetTlsTest, ExtraCaFileMakesTheServerTrusted) {
    TestCertificate certificate = kivtest::MakeSelfSignedCertificate();
    std::string body;
    EXPECT_EQ(Fetch(certificate, WriteCaFile(certificate).c_str(), false, &body), 0u);
    EXPECT_EQ(body, "secret payload");
}

TEST_F(InternetTlsTest, UnknownIssuerIsAnInvalidCa) {
    TestCertificate certificate = kivtest::MakeSelfSignedCertificate();
    EXPECT_EQ(Fetch(certificate, nullptr), win::ERROR_INTERNET_INVALID_CA);
    std::string missing = folder_ + "/missing.pem";
    EXPECT_EQ(Fetch(certificate, missing.c_str()), win::ERROR_INTERNET_INVALID_CA);
    TestCertificate other = kivtest::MakeSelfSignedCertificate();
    EXPECT_EQ(Fetch(certificate, WriteCaFile(other).c_str()), win::ERROR_INTERNET_INVALID_CA);
}

TEST_F(InternetTlsTest, CertificateForAnotherNameIsACnError) {
    CertificateOptions options;
    options.altNames = {"DNS:downloads.example"};
    TestCertificate certificate = kivtest::MakeSelfSignedCertificate(options);
    EXPECT_EQ(Fetch(certificate, WriteCaFile(certificate).c_str()),
              win::ERROR_INTERNET_SEC_CERT_CN_INVALID);
}

TEST_F(InternetTlsTest, ExpiredCertificateIsADateError) {
    CertificateOptions options;
    options.validFromDays = -30;
    options.validToDays = -1;
    TestCertificate certificate = kivtest::MakeSelfSignedCertificate(options);
    EXPECT_EQ(Fetch(certificate, WriteCaFile(certificate).c_str()),
              win::ERROR_INTERNET_SEC_CERT_DATE_INVALID);
}

TEST_F(InternetTlsTest, ServerAskingForAClientCertificate) {
    TestCertificate certificate = kivtest::MakeSelfSignedCertificate();
    EXPECT_EQ(Fetch(certificate, WriteCaFile(certificate).c_str(), true),
              win::ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED);
}

TEST_F(InternetTlsTest, BundleKeepsTheSystemStoreAndAddsTheExtra) {
    EXPECT_EQ(win::inet::BuildCaBundle(), "");  // no extra: libcurl uses the system store

    TestCertificate certificate = kivtest::MakeSelfSignedCertificate();
    ScopedVariable extraCa("KIVDL_EXTRA_CA_FILE", WriteCaFile(certificate).c_str());
    std::string bundle = win::inet::BuildCaBundle();
    EXPECT_TRUE(bundle.ends_with(certificate.certPem));
    std::ifstream system("/etc/ssl/certs/ca-certificates.crt");
    std::string firstLine;
    if (std::getline(system, firstLine) && !firstLine.empty()) {
        EXPECT_TRUE(bundle.starts_with(firstLine));
        EXPECT_GT(bundle.size(), certificate.certPem.size() + 1000);
    }
}

}  // namespace
