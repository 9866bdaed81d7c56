// TestServer.h - loopback HTTP and TLS servers for the client and update-check
// tests: tests/support/http_test_server.py run on the host through Wine, in
// a folder of the build, reporting through files there.
#pragma once

#include <windows.h>

#include <string>

struct TestServer {
    std::string folder;   // Windows path of the server's folder
    int port = 0;         // 0 until it accepts
    bool started = false;
    ~TestServer();
};

// Starts "http_test_server.py <mode> <folder> <arguments>" in a fresh folder
// and waits until it accepts. Arguments are host paths or names, relative to
// the folder. False when it did not come up.
bool StartTestServer(TestServer* server, const std::string& folder, const std::string& mode,
                     const std::string& arguments = "");
// Tells the server to end and waits until it has.
void StopTestServer(TestServer* server);
// "http://127.0.0.1:<port><path>" (scheme "https" for TLS servers).
std::string TestServerAddress(const TestServer* server, const char* scheme, const char* path);
// The requests seen so far: request line and Host line of each.
std::string TestServerRequests(const TestServer* server);
// Whether a request line for the path has arrived.
bool TestServerSaw(const TestServer* server, const char* pathAndVersion);
// What /version.txt answers (TLS: the raw response).
bool SetTestServerAnswer(const TestServer* server, const std::string& answer);

// Self-signed certificates made by the host's openssl in folder: <name>.pem,
// <name>.key and <name>.der, each for the subjectAltName entries given
// ("IP:127.0.0.1,DNS:localhost"), with a subject unique to this run.
bool MakeTestCertificate(const std::string& folder, const char* name, const char* altNames);
// Trusts or stops trusting a DER certificate in the Windows ROOT store of this
// Wine prefix (which lives in the build folder).
bool TrustTestCertificate(const std::string& derPath);
bool UntrustTestCertificate(const std::string& derPath);
