// HTTPS served by the view itself, with a certificate made for the test.
#include "HttpClient.h"
#include "ViewFixture.h"

#include "tests/support/ChildProcess.h"

#include "web/TlsFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace webtest {
namespace {

constexpr const char* kOpenssl = "/usr/bin/openssl";
constexpr const char* kPython = "/usr/bin/python3";

bool MakeCertificate(const std::string& certificate, const std::string& key) {
    testsupport::ChildProcess openssl({kOpenssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                       "-keyout", key, "-out", certificate, "-days", "1", "-subj",
                                       "/CN=127.0.0.1"});
    return openssl.Wait(60s) == 0;
}

class TlsTest : public testing::Test {
protected:
    void SetUp() override {
        if (::access(kOpenssl, X_OK) != 0 || ::access(kPython, X_OK) != 0) {
            GTEST_SKIP() << "needs " << kOpenssl << " and " << kPython;
        }
        ASSERT_TRUE(MakeCertificate(folder / "cert.pem", folder / "key.pem"));
    }

    testsupport::TempDir folder;
};

TEST_F(TlsTest, ServesHttpsAndNoPlainHttp) {
    const auto loaded = web::LoadTlsFiles(folder / "cert.pem", folder / "key.pem");
    ASSERT_EQ(loaded.error, "");
    web::WebOptions options;
    options.tls = loaded.credentials;
    ViewFixture fixture(web::RunMode::Capture, options);
    ASSERT_EQ(fixture.startError, "");

    // Python's own TLS client, certificate checks off: the certificate is
    // the test's own.
    testsupport::ChildProcess client(
        {kPython, "-c",
         "import ssl, sys, urllib.request\n"
         "context = ssl._create_unverified_context()\n"
         "print(urllib.request.urlopen(sys.argv[1], context=context, timeout=20).read().decode())",
         "https://127.0.0.1:" + std::to_string(fixture.Port()) + "/state"});
    EXPECT_EQ(client.Wait(60s), 0) << client.Errors();
    EXPECT_NE(client.Output().find("\"device\":\"COM1 (/dev/ttyUSB0)\""), std::string::npos)
        << client.Output();

    EXPECT_NE(Request(fixture.Port(), "GET", "/state").status, 200);
}

TEST_F(TlsTest, KeyOfAnotherCertificateIsAStartError) {
    ASSERT_TRUE(MakeCertificate(folder / "other-cert.pem", folder / "other-key.pem"));
    const auto loaded = web::LoadTlsFiles(folder / "cert.pem", folder / "other-key.pem");
    ASSERT_EQ(loaded.error, "");
    web::WebOptions options;
    options.tls = loaded.credentials;
    const int descriptors = OpenDescriptors();
    {
        ViewFixture fixture(web::RunMode::Capture, options);
        EXPECT_NE(fixture.startError.find("the HTTPS server did not start"), std::string::npos)
            << fixture.startError;
    }
    // The socket bound for it is closed again, once.
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST(TlsFilesTest, MissingOrNonPemFileIsAnErrorNamingIt) {
    testsupport::TempDir folder;
    testsupport::WriteFile(folder / "cert.pem", "-----BEGIN CERTIFICATE-----\nAAAA\n");
    testsupport::WriteFile(folder / "key.txt", "not a key");
    EXPECT_EQ(web::LoadTlsFiles(folder / "cert.pem", folder / "missing.pem").error,
              folder / "missing.pem" + ": No such file or directory");
    EXPECT_EQ(web::LoadTlsFiles(folder / "cert.pem", folder / "key.txt").error,
              folder / "key.txt" + ": no PEM block in the file");
}

} // namespace
} // namespace webtest
