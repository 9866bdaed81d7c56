// HttpClientTest.cpp - the HTTP client against a loopback server of the host:
// statuses, redirects, bodies with and without a length, bad answers,
// bounded lengths, a cancelled stall and a request's deadline.
#include <winsock2.h>

#include "framework/services/HttpClient.h"
#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

struct GetResult {
    int result = -1;
    std::string response;
    int capacity = 0;
};

static GetResult RunGet(const std::string& address, const std::atomic<uint8_t>* cancel = nullptr,
                        char* date = nullptr, size_t dateSize = 0, uint32_t requestLimitMs = 0)
{
    HttpClient client = {};
    HttpClientInit(&client);
    if (requestLimitMs) client.connection.requestLimitMs = requestLimitMs;
    InitGrowArray(&client.response);
    ArraySetCapacity(&client.response, 4096, -1);
    client.port = 80;
    client.connection.cancel = cancel;
    GetResult r;
    r.result = HttpGet(&client, address.c_str(), date, dateSize, false);
    r.response.assign(client.response.data ? client.response.data : "", (size_t)client.response.count);
    r.capacity = client.response.capacity;
    // Every path closes its connection.
    EXPECT_EQ(HTTP_NO_SOCKET, client.connection.socket);
    HttpClientDestroy(&client);
    return r;
}

static int CountOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

class HttpClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HostToolsAvailable()) GTEST_SKIP() << "the test server is the host's python3, reached through Wine";
        ASSERT_TRUE(StartTestServer(&server, FreshFolderForThisTest(), "plain"));
    }
    std::string Address(const char* path) { return TestServerAddress(&server, "http", path); }

    TestServer server;
};

struct GetCase {
    const char* path;
    int result;
    const char* response;   // the body, or for statuses returned as they are the start of the headers
    const char* why;
};

static const GetCase kGetCases[] = {
    {"/version.txt", 0, "2.10.1", "200 with a length: the body alone"},
    {"/missing", 404, "HTTP/1.0 404 Not Found\r\n", "404 is returned and leaves the headers"},
    {"/forbidden", 403, "HTTP/1.0 403 Forbidden\r\n", "403 is returned as it is"},
    {"/teapot", 300, "", "another 4xx without a location: 300"},
    {"/server-error", 500, "", "any 5xx: 500"},
    {"/redirect-same", 300, "", "a location equal to the address: 300"},
    {"/redirect-new", 0, "2.10.1", "a new absolute location is followed"},
    {"/redirect-root", 0, "2.10.1", "a location from the root resolves against the host"},
    {"/redirect-padded", 0, "2.10.1", "blanks behind a location are no part of it"},
    {"/dir/redirect-relative", 0, "relative target", "a relative location resolves against the folder"},
    {"/content-location", 300, "", "Content-Location is no Location header"},
    {"/loop-a", 300, "", "A to B to A ends after five redirects"},
    {"/long-location", 300, "", "a location too long for an address is refused"},
    {"/no-length", 0, "2.10.1 until closed", "no length: the body runs until the server closes"},
    {"/trickle", 0, "2.10.1 trickled", "one byte a packet: the header end spans receives"},
    {"/huge-length", 0, "2.10.1", "a huge length reads what comes"},
    {"/long-status", 101, "", "a status of seven digits is none of three"},
    {"/short-status", 101, "", "a status line shorter than 12 characters"},
    {"/not-http", 101, "", "a status line not starting HTTP/"},
    {"/no-end", 101, "", "headers that never end"},
};

TEST_F(HttpClientTest, AnswersOfTheServerGiveTheirResults)
{
    for (size_t i = 0; i < ARRAYSIZE(kGetCases); i++) {
        const GetCase& c = kGetCases[i];
        SCOPED_TRACE(testing::Message() << "row " << i << " " << c.path << ": " << c.why);
        GetResult r = RunGet(Address(c.path));
        EXPECT_EQ(c.result, r.result);
        if (c.result == 0) {
            EXPECT_EQ(c.response, r.response);
        } else if (c.response[0]) {
            EXPECT_EQ(0u, r.response.find(c.response)) << r.response;
        }
    }
}

TEST_F(HttpClientTest, RequestNamesTheWholeAddressAndTheHostWithItsPort)
{
    ASSERT_EQ(0, RunGet(Address("/version.txt")).result);
    std::string port = std::to_string(server.port);
    std::string requests = TestServerRequests(&server);
    EXPECT_NE(std::string::npos,
              requests.find("GET http://127.0.0.1:" + port + "/version.txt HTTP/1.0\n"))
        << requests;
    EXPECT_NE(std::string::npos, requests.find("Host: 127.0.0.1:" + port + "\n")) << requests;
}

TEST_F(HttpClientTest, RedirectLoopStopsAfterFiveRedirects)
{
    EXPECT_EQ(HTTP_GET_NO_LOCATION, RunGet(Address("/loop-a")).result);
    std::string requests = TestServerRequests(&server);
    EXPECT_EQ(1 + HTTP_MAX_REDIRECTS,
              CountOf(requests, "/loop-a HTTP/1.0") + CountOf(requests, "/loop-b HTTP/1.0"))
        << requests;
}

TEST_F(HttpClientTest, BodiesStopAtTheLimitWhateverTheServerSays)
{
    GetResult endless = RunGet(Address("/endless"));
    EXPECT_EQ(0, endless.result);
    EXPECT_EQ((size_t)HTTP_BODY_LIMIT, endless.response.size());
    EXPECT_LE(endless.capacity, HTTP_BODY_LIMIT + 1);

    // 99999999999 bytes announced: the capacity stays at the limit.
    GetResult huge = RunGet(Address("/huge-length"));
    EXPECT_EQ(0, huge.result);
    EXPECT_LE(huge.capacity, HTTP_BODY_LIMIT + 1);

    // A short length sets the capacity to fit it (positive control).
    GetResult small = RunGet(Address("/version.txt"));
    EXPECT_EQ(0, small.result);
    EXPECT_EQ(7, small.capacity);
}

TEST_F(HttpClientTest, DateBufferSendsIfModifiedSinceAndTakesLastModified)
{
    char date[64] = "";
    ASSERT_EQ(0, RunGet(Address("/modified"), nullptr, date, sizeof(date)).result);
    EXPECT_STREQ("Wed, 21 Oct 2015 07:28:00 GMT", date);
    EXPECT_EQ(304, RunGet(Address("/modified"), nullptr, date, sizeof(date)).result);
    EXPECT_NE(std::string::npos,
              TestServerRequests(&server).find("If-Modified-Since: Wed, 21 Oct 2015 07:28:00 GMT"));

    // A buffer too small for the value gets it cut and terminated.
    char tiny[8] = "";
    ASSERT_EQ(0, RunGet(Address("/modified"), nullptr, tiny, sizeof(tiny)).result);
    EXPECT_STREQ("Wed, 21", tiny);
}

TEST_F(HttpClientTest, StalledServerIsCancelledFromAnotherThread)
{
    std::atomic<uint8_t> cancel(0);
    GetResult r;
    DWORD cancelledAt = 0, returnedAt = 0;
    std::thread worker([&] {
        r = RunGet(Address("/stall"), &cancel);
        returnedAt = GetTickCount();
    });
    bool stalled = PumpUntil([&] { return TestServerSaw(&server, "stalled"); }, 20000);
    cancelledAt = GetTickCount();
    cancel = 1;
    worker.join();
    ASSERT_TRUE(stalled);
    EXPECT_EQ(HTTP_GET_CANCELLED, r.result);
    // Far below the 20 s time-out: the receive loop polls the byte.
    EXPECT_LT(returnedAt - cancelledAt, 2000u);
    EXPECT_TRUE(PumpUntil([&] { return TestServerSaw(&server, "client closed"); }, 10000));
}

// A byte every half second never meets the time-out without data; the
// request's own deadline ends it long before the whole answer has dripped in.
TEST_F(HttpClientTest, DrippingServerIsLeftAtTheRequestDeadline)
{
    GetResult r = RunGet(Address("/drip"), nullptr, nullptr, 0, 2000);
    EXPECT_EQ(HTTP_GET_BAD_ANSWER, r.result) << r.response;
    EXPECT_TRUE(PumpUntil([&] { return TestServerSaw(&server, "client closed"); }, 10000));
    EXPECT_FALSE(TestServerSaw(&server, "dripped whole"));
}

TEST_F(HttpClientTest, AddressesThatCannotBeUsed)
{
    // A port nobody listens on: one this test had and gave back.
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(INVALID_SOCKET, probe);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(local);
    ASSERT_EQ(0, bind(probe, (sockaddr*)&local, sizeof(local)));
    ASSERT_EQ(0, getsockname(probe, (sockaddr*)&local, &length));
    std::string closedPort = std::to_string(ntohs(local.sin_port));
    closesocket(probe);
    WSACleanup();

    const struct {
        std::string address;
        int result;
        const char* why;
    } cases[] = {
        {"127.0.0.1/version.txt", HTTP_GET_BAD_ADDRESS, "no \"//\""},
        {"", HTTP_GET_BAD_ADDRESS, "empty"},
        {"http://127.0.0.1:" + std::to_string(server.port) + "/version txt", HTTP_GET_BAD_ADDRESS,
         "a blank would break the request line"},
        {"http://" + std::string(260, 'a') + "/version.txt", HTTP_GET_CONNECT_FAILED,
         "a host name of 260 characters"},
        {"http://127.0.0.1:99999/version.txt", HTTP_GET_CONNECT_FAILED, "port out of range"},
        {"http://127.0.0.1:80x/version.txt", HTTP_GET_CONNECT_FAILED, "port not a number"},
        {"http://127.0.0.1:" + closedPort + "/version.txt", HTTP_GET_CONNECT_FAILED,
         "nobody listening"},
        {"http://127.0.0.1:" + std::to_string(server.port) + "/version.txt", 0,
         "the server's own port (positive control)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.result, RunGet(c.address).result);
    }
}
