// Who may watch: the users file, Basic credentials over HTTP, and where the
// view listens.
#include "HttpClient.h"
#include "ViewFixture.h"

#include "tests/support/PasswordHash.h"
#include "web/Users.h"
#include "web/WebOptions.h"

#include <gtest/gtest.h>

namespace webtest {
namespace {

// Cheap settings keep the sanitizer builds quick.
using testsupport::PasswordHash;

std::string Base64(const std::string& text) {
    static const char* const kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const unsigned value = (static_cast<unsigned char>(text[i]) << 16) |
                               (static_cast<unsigned char>(text[i + 1]) << 8) |
                               static_cast<unsigned char>(text[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            encoded += kDigits[(value >> shift) & 63];
        }
    }
    if (i < text.size()) {
        unsigned value = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size()) {
            value |= static_cast<unsigned char>(text[i + 1]) << 8;
        }
        encoded += kDigits[(value >> 18) & 63];
        encoded += kDigits[(value >> 12) & 63];
        encoded += i + 1 < text.size() ? kDigits[(value >> 6) & 63] : '=';
        encoded += '=';
    }
    return encoded;
}

std::string Credentials(const std::string& name, const std::string& password) {
    return "Authorization: Basic " + Base64(name + ":" + password) + "\r\n";
}

struct Method {
    const char* name;
    const char* prefix;
    unsigned long cost;
};

class AccessTest : public testing::TestWithParam<Method> {};

TEST_P(AccessTest, OnlyTheRightPasswordOpensEveryAddress) {
    const std::string hash = PasswordHash("open sesame", GetParam().prefix, GetParam().cost);
    ASSERT_TRUE(hash.starts_with(GetParam().prefix)) << hash;
    testsupport::TempDir folder;
    testsupport::WriteFile(folder / "users",
                           "# viewers\n\nother:" + PasswordHash("x", "$6$", 1000) +
                               "\nanna:" + hash + "\n");
    auto loaded = web::LoadUsersFile(folder / "users");
    ASSERT_EQ(loaded.error, "");
    web::WebOptions options;
    options.users = loaded.users;
    ViewFixture fixture(transfer::RunKind::Capture, options);

    for (const char* path : {"/", "/state", "/snapshot", "/stream", "/pictures/1", "/nothing"}) {
        for (const std::string& wrong :
             {std::string(), Credentials("anna", "open sesam"), Credentials("anna", ""),
              Credentials("bob", "open sesame"), Credentials("other", "open sesame"),
              std::string("Authorization: Basic !!!\r\n")}) {
            const HttpResponse refused = Request(fixture.Port(), "GET", path, wrong);
            EXPECT_EQ(refused.status, 401) << path << " " << wrong;
            EXPECT_EQ(refused.Header("www-authenticate"), "Basic realm=\"Zelnor2\"") << path;
        }
    }
    EXPECT_EQ(Request(fixture.Port(), "GET", "/state", Credentials("anna", "open sesame")).status,
              200);
    EXPECT_EQ(Request(fixture.Port(), "GET", "/nothing", Credentials("anna", "open sesame")).status,
              404);
}

INSTANTIATE_TEST_SUITE_P(Methods, AccessTest,
                         testing::Values(Method{"bcrypt", "$2b$", 5}, Method{"bcrypt2y", "$2y$", 5},
                                         Method{"sha512", "$6$", 1000},
                                         Method{"yescrypt", "$y$", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadUsersFile {
    const char* name;
    std::string contents;
    const char* errorPart;
};

class UsersFileTest : public testing::TestWithParam<BadUsersFile> {};

TEST_P(UsersFileTest, MalformedFileIsAnErrorNamingTheLine) {
    testsupport::TempDir folder;
    testsupport::WriteFile(folder / "users", GetParam().contents);
    const auto loaded = web::LoadUsersFile(folder / "users");
    EXPECT_NE(loaded.error.find(GetParam().errorPart), std::string::npos) << loaded.error;
    EXPECT_NE(loaded.error.find(folder / "users"), std::string::npos) << loaded.error;
}

INSTANTIATE_TEST_SUITE_P(
    Files, UsersFileTest,
    testing::Values(BadUsersFile{"NoColon", "# ok\nanna\n", ":2: "},
                    BadUsersFile{"EmptyName", ":$6$abc$def\n", ":1: "},
                    BadUsersFile{"Md5FromHtpasswdDefault", "anna:$apr1$x$abcdefghijklmnopqrstuv\n",
                                 "htpasswd -B"},
                    BadUsersFile{"PlainPassword", "anna:secret\n", ":1: "},
                    BadUsersFile{"BrokenBcrypt", "anna:$2y$05$tooshort\n", ":1: "},
                    BadUsersFile{"NobodyInIt", "# nobody\n\n", "no users"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UsersFileTest, MissingFileIsAnError) {
    const auto loaded = web::LoadUsersFile("/nonexistent/users");
    EXPECT_EQ(loaded.error, "/nonexistent/users: No such file or directory");
}

TEST(UsersFileTest, ReadsTheFormsHtpasswdWrites) {
    testsupport::TempDir folder;
    // CRLF line ends and an nginx comment field after a second colon.
    testsupport::WriteFile(folder / "users",
                           "anna:" + PasswordHash("pw", "$2y$", 5) + ":the night shift\r\n");
    const auto loaded = web::LoadUsersFile(folder / "users");
    ASSERT_EQ(loaded.error, "");
    EXPECT_TRUE(loaded.users.Admit("anna", "pw"));
    EXPECT_FALSE(loaded.users.Admit("anna", "pw "));
}

// An unknown name is checked against the hash that costs most, wherever its
// user stands in the file: refusing it takes as long as refusing that user.
TEST(UsersFileTest, UnknownNamesAreCheckedAgainstTheDearestHash) {
    const std::string dearest = PasswordHash("z", "$2b$", 10);
    testsupport::TempDir folder;
    testsupport::WriteFile(folder / "users", "alice:" + PasswordHash("a", "$6$", 1000) +
                                                 "\nzoe:" + dearest +
                                                 "\nyann:" + PasswordHash("y", "$y$", 1) + "\n");
    const auto loaded = web::LoadUsersFile(folder / "users");
    ASSERT_EQ(loaded.error, "");
    EXPECT_EQ(loaded.users.StandIn(), dearest);
    EXPECT_FALSE(loaded.users.Admit("mallory", "z"));
}

// Requests a browser never sends, or sends only when a page of another site
// asks: each gets its status, and only a sound one is answered.
struct RequestCase {
    const char* name;
    std::string request; // "Connection: close" and the end of the head follow
    int status;
};

class RequestFaultTest : public testing::TestWithParam<RequestCase> {};

TEST_P(RequestFaultTest, AnswersWithItsStatus) {
    testsupport::TempDir folder;
    testsupport::WriteFile(folder / "users",
                           "anna:" + PasswordHash("open sesame", "$6$", 1000) + "\n");
    auto loaded = web::LoadUsersFile(folder / "users");
    ASSERT_EQ(loaded.error, "");
    web::WebOptions options;
    options.users = loaded.users;
    options.hostNames = {"camera.example", "192.0.2.7"};
    ViewFixture fixture(transfer::RunKind::Capture, options);
    fixture.StorePicture(1, "the first picture");
    Connection connection(fixture.Port());
    ASSERT_TRUE(connection.Send(GetParam().request + "Connection: close\r\n\r\n"));
    ASSERT_TRUE(connection.ReceiveToEnd());
    const HttpResponse answer = ParseResponse(connection.received);
    EXPECT_EQ(answer.status, GetParam().status) << connection.received;
    if (GetParam().status != 200) {
        EXPECT_EQ(answer.body.find("the first picture"), std::string::npos);
    }
}

using namespace std::string_literals;
const std::string kAnna = Credentials("anna", "open sesame");

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestFaultTest,
    testing::Values(
        RequestCase{"LoopbackAddress", "GET /state HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kAnna, 200},
        RequestCase{"LoopbackAddressAndPort",
                    "GET /state HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n" + kAnna, 200},
        RequestCase{"Localhost", "GET /state HTTP/1.1\r\nHost: localhost:8080\r\n" + kAnna, 200},
        RequestCase{"LocalhostInCapitals", "GET /state HTTP/1.1\r\nHost: LocalHost\r\n" + kAnna,
                    200},
        RequestCase{"GivenName", "GET /state HTTP/1.1\r\nHost: Camera.Example:443\r\n" + kAnna,
                    200},
        RequestCase{"GivenAddress", "GET /state HTTP/1.1\r\nHost: 192.0.2.7:80\r\n" + kAnna, 200},
        RequestCase{"OldHttpWithoutHost", "GET /state HTTP/1.0\r\n" + kAnna, 200},
        RequestCase{"AnotherName", "GET /pictures/1 HTTP/1.1\r\nHost: evil.example\r\n" + kAnna,
                    421},
        RequestCase{"AnotherNameWithPort",
                    "GET /pictures/1 HTTP/1.1\r\nHost: evil.example:8080\r\n" + kAnna, 421},
        RequestCase{"AGivenNameLonger",
                    "GET /pictures/1 HTTP/1.1\r\nHost: camera.example.evil\r\n" + kAnna, 421},
        RequestCase{"AnotherLoopbackAddress",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.2\r\n" + kAnna, 421},
        RequestCase{"AnotherNameWithoutPassword",
                    "GET /pictures/1 HTTP/1.1\r\nHost: evil.example\r\n", 421},
        RequestCase{"NoHost", "GET /pictures/1 HTTP/1.1\r\n" + kAnna, 400},
        RequestCase{"TwoHosts",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: 127.0.0.1\r\n" + kAnna,
                    400},
        RequestCase{"HostNotAName", "GET /pictures/1 HTTP/1.1\r\nHost: a/b\r\n" + kAnna, 400},
        RequestCase{"NulInThePath",
                    "GET /pictures/1\0junk HTTP/1.1\r\nHost: 127.0.0.1\r\n"s + kAnna, 400},
        RequestCase{"NulEndingThePath",
                    "GET /pictures/1\0 HTTP/1.1\r\nHost: 127.0.0.1\r\n"s + kAnna, 400},
        RequestCase{"NulInThePassword",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                        Credentials("anna", "open sesame\0junk"s),
                    401},
        RequestCase{"NulInTheName",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                        Credentials("anna\0x"s, "open sesame"),
                    401},
        RequestCase{"SchemeInSmallLetters",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: basic " +
                        Base64("anna:open sesame") + "\r\n",
                    200},
        RequestCase{"SchemeInCapitals",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: BASIC " +
                        Base64("anna:open sesame") + "\r\n",
                    200},
        RequestCase{"AnotherScheme",
                    "GET /pictures/1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                        Base64("anna:open sesame") + "\r\n",
                    401}),
    [](const auto& info) { return std::string(info.param.name); });

struct AddressCase {
    const char* text;
    const char* host; // nullptr: refused
    bool ipv6;
    int port;
    bool loopback;
};

class ListenAddressTest : public testing::TestWithParam<AddressCase> {};

TEST_P(ListenAddressTest, ParsesOrRefuses) {
    const auto& expected = GetParam();
    const auto parsed = web::ParseListenAddress(expected.text);
    if (expected.host == nullptr) {
        EXPECT_NE(parsed.error, "") << expected.text;
        EXPECT_NE(parsed.error.find(expected.text), std::string::npos) << parsed.error;
        return;
    }
    ASSERT_EQ(parsed.error, "") << expected.text;
    EXPECT_EQ(parsed.address.host, expected.host);
    EXPECT_EQ(parsed.address.ipv6, expected.ipv6);
    EXPECT_EQ(parsed.address.port, expected.port);
    EXPECT_EQ(web::IsLoopback(parsed.address), expected.loopback) << expected.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ListenAddressTest,
    testing::Values(AddressCase{"8080", "127.0.0.1", false, 8080, true},
                    AddressCase{"127.0.0.1:8080", "127.0.0.1", false, 8080, true},
                    AddressCase{"127.1.2.3:80", "127.1.2.3", false, 80, true},
                    AddressCase{"0.0.0.0:8080", "0.0.0.0", false, 8080, false},
                    AddressCase{"192.168.1.20:8080", "192.168.1.20", false, 8080, false},
                    AddressCase{"[::]:8080", "::", true, 8080, false},
                    AddressCase{"[::1]:8080", "::1", true, 8080, true},
                    AddressCase{"0", "127.0.0.1", false, 0, true},
                    AddressCase{"65535", "127.0.0.1", false, 65535, true},
                    AddressCase{"", nullptr, false, 0, false},
                    AddressCase{"65536", nullptr, false, 0, false},
                    AddressCase{"-1", nullptr, false, 0, false},
                    AddressCase{"80x", nullptr, false, 0, false},
                    AddressCase{":8080", nullptr, false, 0, false},
                    AddressCase{"localhost:8080", nullptr, false, 0, false},
                    AddressCase{"127.1:8080", nullptr, false, 0, false},
                    AddressCase{"300.1.1.1:80", nullptr, false, 0, false},
                    AddressCase{"::1:8080", nullptr, false, 0, false},
                    AddressCase{"[::1]8080", nullptr, false, 0, false},
                    AddressCase{"[::1]:", nullptr, false, 0, false},
                    AddressCase{"[fe80::1%eth0]:80", nullptr, false, 0, false},
                    AddressCase{"127.0.0.1:", nullptr, false, 0, false}));

TEST(ListenAddressTest, ServesOnTheIpv6Loopback) {
    web::WebOptions options;
    options.listen = web::ParseListenAddress("[::1]:0").address;
    const transfer::RunTally tally{};
    web::WebView view(options, {}, tally);
    ASSERT_EQ(view.Start(), "");
    EXPECT_NE(view.Port(), 0);
}

} // namespace
} // namespace webtest
