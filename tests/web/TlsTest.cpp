// HTTPS served by the view itself, with a certificate made for the test.
#include "HttpClient.h"
#include "TestCertificate.h"
#include "ViewFixture.h"

#include "tests/support/ChildProcess.h"

#include "web/WebOptions.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace webtest {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

class TlsTest : public testing::Test {
protected:
    void SetUp() override {
        if (::access(kOpenssl, X_OK) != 0 || ::access(kPython, X_OK) != 0) {
            GTEST_SKIP() << "needs " << kOpenssl << " and " << kPython;
        }
        ASSERT_TRUE(MakeCertificate(folder / "cert.pem", folder / "key.pem"));
    }

    // The options of a view with the test's certificate.
    web::WebOptions Served() const {
        const auto loaded = web::LoadTlsFiles(folder / "cert.pem", folder / "key.pem");
        EXPECT_EQ(loaded.error, "");
        web::WebOptions options;
        options.tls = loaded.credentials;
        return options;
    }

    testsupport::TempDir folder;
};

TEST_F(TlsTest, ServesHttpsAndNoPlainHttp) {
    ViewFixture fixture(transfer::RunKind::Capture, Served());
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

// Found when the files are read, before anything else is opened.
TEST_F(TlsTest, KeyOfAnotherCertificateIsAnErrorNamingBothFiles) {
    ASSERT_TRUE(MakeCertificate(folder / "other-cert.pem", folder / "other-key.pem"));
    const auto loaded = web::LoadTlsFiles(folder / "cert.pem", folder / "other-key.pem");
    EXPECT_EQ(loaded.error, folder / "cert.pem" + " and " + folder / "other-key.pem" +
                                ": the key does not belong to the certificate");
    EXPECT_TRUE(loaded.credentials.Empty());
}

struct TlsVersionCase {
    const char* version; // a name of Python's ssl.TLSVersion
    bool served;
};

class TlsVersionTest : public TlsTest, public testing::WithParamInterface<TlsVersionCase> {};

// A client that speaks only the given version, with every cipher its library
// has (security level 0), so that only the server can refuse it.
TEST_P(TlsVersionTest, OnlyTls12And13AreSpoken) {
    ViewFixture fixture(transfer::RunKind::Capture, Served());
    ASSERT_EQ(fixture.startError, "");
    testsupport::ChildProcess client(
        {kPython, "-c",
         "import socket, ssl, sys\n"
         "context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)\n"
         "context.check_hostname = False\n"
         "context.verify_mode = ssl.CERT_NONE\n"
         "context.set_ciphers('DEFAULT@SECLEVEL=0')\n"
         "context.minimum_version = context.maximum_version = ssl.TLSVersion[sys.argv[2]]\n"
         "try:\n"
         "    with socket.create_connection(('127.0.0.1', int(sys.argv[1])), timeout=20) as s:\n"
         "        with context.wrap_socket(s) as tls:\n"
         "            print(tls.version())\n"
         "except ssl.SSLError as error:\n"
         "    print('refused', error)\n"
         "    sys.exit(3)\n",
         std::to_string(fixture.Port()), GetParam().version});
    EXPECT_EQ(client.Wait(60s), GetParam().served ? 0 : 3) << client.Output() << client.Errors();
}

INSTANTIATE_TEST_SUITE_P(Versions, TlsVersionTest,
                         testing::Values(TlsVersionCase{"TLSv1", false},
                                         TlsVersionCase{"TLSv1_1", false},
                                         TlsVersionCase{"TLSv1_2", true},
                                         TlsVersionCase{"TLSv1_3", true}),
                         [](const auto& info) { return std::string(info.param.version); });

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
