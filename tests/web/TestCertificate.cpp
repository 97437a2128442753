#include "TestCertificate.h"

#include "tests/support/ChildProcess.h"

#include <chrono>

namespace webtest {

bool MakeCertificate(const std::string& certificate, const std::string& key) {
    testsupport::ChildProcess openssl({kOpenssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                       "-keyout", key, "-out", certificate, "-days", "1", "-subj",
                                       "/CN=127.0.0.1"});
    return openssl.Wait(std::chrono::seconds(60)) == 0;
}

} // namespace webtest
