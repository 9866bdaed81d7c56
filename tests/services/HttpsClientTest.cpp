// HttpsClientTest.cpp - the HTTP client over TLS against the host's
// `openssl s_server`: certificates are verified against the Windows ROOT
// store of the test's Wine prefix, for the host name asked for.
#include "framework/services/HttpClient.h"
#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <string>
#include <vector>

static const char kVersionAnswer[] = "HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n2.10.1";

class HttpsClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HostToolsAvailable()) GTEST_SKIP() << "the TLS server is the host's openssl, reached through Wine";
        folder = FreshFolderForThisTest();
        HttpClientInit(&client);
        InitGrowArray(&client.response);
        client.port = 80;
    }
    void TearDown() override
    {
        HttpClientDestroy(&client);
        for (const std::string& der : trusted) EXPECT_TRUE(UntrustTestCertificate(der));
    }
    void MakeCertificate(const char* name, const char* altNames, bool trust)
    {
        ASSERT_TRUE(MakeTestCertificate(folder, name, altNames));
        if (!trust) return;
        std::string der = folder + "\\" + name + ".der";
        ASSERT_TRUE(TrustTestCertificate(der));
        trusted.push_back(der);
    }
    // A one-connection TLS server in a folder of its own, answering answer.
    void StartTls(TestServer* server, const char* name, const std::string& arguments,
                  const char* answer = kVersionAnswer)
    {
        std::string own = folder + "\\" + name;
        ASSERT_TRUE(CreateDirectoryA(own.c_str(), nullptr));
        server->folder = own;
        ASSERT_TRUE(SetTestServerAnswer(server, answer));
        ASSERT_TRUE(StartTestServer(server, own, "tls", arguments));
    }
    // The server saw the handshake fail: it reports no request.
    static bool SawNoRequest(const TestServer* server)
    {
        return PumpUntil([&] { return TestServerSaw(server, "no request"); }, 20000);
    }

    std::string folder;
    HttpClient client = {};
    std::vector<std::string> trusted;
};

TEST_F(HttpsClientTest, UntrustedSelfSignedCertificateIsRefused)
{
    MakeCertificate("self", "IP:127.0.0.1", false);
    TestServer server;
    StartTls(&server, "server", "../self.pem ../self.key");
    std::string address = TestServerAddress(&server, "https", "/version.txt");
    EXPECT_EQ(HTTP_CONN_TLS, HttpConnect(&client, address.c_str(), 80));
    EXPECT_EQ(HTTP_NO_SOCKET, client.connection.socket);
    EXPECT_TRUE(SawNoRequest(&server));
}

TEST_F(HttpsClientTest, TrustedCertificateGivesTheBodyOverTls12OrLater)
{
    MakeCertificate("trusted", "IP:127.0.0.1,DNS:localhost", true);
    TestServer any, only12;
    StartTls(&any, "any", "../trusted.pem ../trusted.key");
    StartTls(&only12, "only12", "../trusted.pem ../trusted.key -- -tls1_2");

    std::string address = TestServerAddress(&any, "https", "/version.txt");
    ASSERT_EQ(HTTP_CONN_OK, HttpConnect(&client, address.c_str(), 80));
    ASSERT_NE(nullptr, client.connection.tlsSession);
    EXPECT_GE(SSL_version(client.connection.tlsSession), TLS1_2_VERSION);
    EXPECT_EQ(TLS_SELECTOR_DEFAULT, client.connection.tlsMode);
    // The open connection carries the request.
    ASSERT_EQ(HTTP_GET_OK, HttpGet(&client, address.c_str(), nullptr, 0, false));
    EXPECT_EQ("2.10.1", std::string(client.response.data, (size_t)client.response.count));
    EXPECT_TRUE(TestServerSaw(&any, ("GET " + address + " HTTP/1.0").c_str()));

    address = TestServerAddress(&only12, "https", "/version.txt");
    ASSERT_EQ(HTTP_CONN_OK, HttpConnect(&client, address.c_str(), 80));
    EXPECT_EQ(TLS1_2_VERSION, SSL_version(client.connection.tlsSession));
    EXPECT_EQ(HTTP_GET_OK, HttpGet(&client, address.c_str(), nullptr, 0, false));
}

TEST_F(HttpsClientTest, CertificateForAnotherHostIsRefused)
{
    MakeCertificate("other", "DNS:other.example,IP:10.1.2.3", true);
    TestServer byAddress, byName;
    StartTls(&byAddress, "address", "../other.pem ../other.key");
    StartTls(&byName, "name", "../other.pem ../other.key");
    std::string address = TestServerAddress(&byAddress, "https", "/version.txt");
    EXPECT_EQ(HTTP_GET_CONNECT_FAILED, HttpGet(&client, address.c_str(), nullptr, 0, false));
    EXPECT_TRUE(SawNoRequest(&byAddress));
    address = "https://localhost:" + std::to_string(byName.port) + "/version.txt";
    EXPECT_EQ(HTTP_GET_CONNECT_FAILED, HttpGet(&client, address.c_str(), nullptr, 0, false));
    EXPECT_TRUE(SawNoRequest(&byName));
}

// The server's default certificate names another host; only the name sent
// in the handshake makes it pick the one for "localhost".
TEST_F(HttpsClientTest, ServerNameIsSentAndChecked)
{
    MakeCertificate("other", "DNS:other.example", true);
    MakeCertificate("local", "DNS:localhost", true);
    TestServer server;
    StartTls(&server, "server", "../other.pem ../other.key ../local.pem ../local.key localhost");
    std::string address = "https://localhost:" + std::to_string(server.port) + "/version.txt";
    ASSERT_EQ(HTTP_GET_OK, HttpGet(&client, address.c_str(), nullptr, 0, false));
    EXPECT_EQ("2.10.1", std::string(client.response.data, (size_t)client.response.count));
}

TEST_F(HttpsClientTest, RedirectFromHttpsToHttpIsRefused)
{
    MakeCertificate("trusted", "IP:127.0.0.1", true);
    TestServer plain, tls;
    ASSERT_TRUE(CreateDirectoryA((folder + "\\plain").c_str(), nullptr));
    ASSERT_TRUE(StartTestServer(&plain, folder + "\\plain", "plain"));
    std::string plainAddress = TestServerAddress(&plain, "http", "/version.txt");
    std::string answer = "HTTP/1.0 302 Found\r\nLocation: " + plainAddress + "\r\n\r\n";
    StartTls(&tls, "tls", "../trusted.pem ../trusted.key", answer.c_str());

    std::string address = TestServerAddress(&tls, "https", "/version.txt");
    EXPECT_EQ(HTTP_GET_NO_LOCATION, HttpGet(&client, address.c_str(), nullptr, 0, false));
    EXPECT_TRUE(TestServerSaw(&tls, "GET "));
    EXPECT_EQ("", TestServerRequests(&plain));
    // The same location is followed from a plain address (positive control).
    std::string redirect = "http://127.0.0.1:" + std::to_string(plain.port) + "/redirect-new";
    EXPECT_EQ(HTTP_GET_OK, HttpGet(&client, redirect.c_str(), nullptr, 0, false));
}
