// TestServer.cpp - starting, reading and stopping the host's test servers, and
// the certificates of the TLS tests.
#include "tests/support/TestServer.h"

#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"

#include <wincrypt.h>

#include <stdlib.h>

static std::string ServerFile(const TestServer* server, const char* name)
{
    return server->folder + "\\" + name;
}

TestServer::~TestServer()
{
    StopTestServer(this);
}

bool StartTestServer(TestServer* server, const std::string& folder, const std::string& mode,
                     const std::string& arguments)
{
    server->folder = folder;
    server->port = 0;
    std::string script = HostPath(BinPath("http_test_server.py"));
    if (script.empty()) return false;
    // The server outlives this script: in a session of its own, it is ended
    // by its "stop" file (or its own time limit), never by a signal.
    std::string line = "setsid python3 '" + script + "' " + mode + " . " + arguments +
                       " >server.out 2>&1 </dev/null &";
    std::string output;
    if (RunHostScript(folder, line, &output) != 0) return false;
    server->started = true;
    std::string portFile = ServerFile(server, "port");
    std::string stoppedFile = ServerFile(server, "stopped");
    PumpUntil([&] { return FileExists(portFile) || FileExists(stoppedFile); }, 20000);
    server->port = atoi(ReadWholeFile(portFile).c_str());
    return server->port > 0;
}

void StopTestServer(TestServer* server)
{
    if (!server->started) return;
    server->started = false;
    WriteWholeFileText(ServerFile(server, "stop"), "1");
    std::string stoppedFile = ServerFile(server, "stopped");
    PumpUntil([&] { return FileExists(stoppedFile); }, 20000);
}

std::string TestServerAddress(const TestServer* server, const char* scheme, const char* path)
{
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(server->port) + path;
}

std::string TestServerRequests(const TestServer* server)
{
    return ReadWholeFile(ServerFile(server, "requests.log"));
}

bool TestServerSaw(const TestServer* server, const char* pathAndVersion)
{
    return TestServerRequests(server).find(pathAndVersion) != std::string::npos;
}

bool SetTestServerAnswer(const TestServer* server, const std::string& answer)
{
    return WriteWholeFileText(ServerFile(server, "answer.txt"), answer);
}

bool MakeTestCertificate(const std::string& folder, const char* name, const char* altNames)
{
    static LONG counter = 0;
    std::string subject = "/CN=PanelShepherd test " + std::string(name) + " " +
                          std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(GetTickCount()) + "-" +
                          std::to_string(InterlockedIncrement(&counter));
    std::string n = name;
    std::string script = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '" + subject +
                         "' -addext 'subjectAltName=" + altNames + "' -keyout " + n + ".key -out " +
                         n + ".pem && openssl x509 -in " + n + ".pem -outform DER -out " + n + ".der";
    std::string output;
    return RunHostScript(folder, script, &output) == 0 && FileExists(folder + "\\" + n + ".der");
}

static HCERTSTORE OpenRootStore()
{
    return CertOpenSystemStoreA(0, "ROOT");
}

bool TrustTestCertificate(const std::string& derPath)
{
    std::string der = ReadWholeFile(derPath);
    HCERTSTORE root = OpenRootStore();
    if (der.empty() || !root) return false;
    BOOL ok = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, (const BYTE*)der.data(),
                                               (DWORD)der.size(), CERT_STORE_ADD_REPLACE_EXISTING,
                                               nullptr);
    CertCloseStore(root, 0);
    return ok != FALSE;
}

bool UntrustTestCertificate(const std::string& derPath)
{
    std::string der = ReadWholeFile(derPath);
    HCERTSTORE root = OpenRootStore();
    if (der.empty() || !root) return false;
    PCCERT_CONTEXT wanted =
        CertCreateCertificateContext(X509_ASN_ENCODING, (const BYTE*)der.data(), (DWORD)der.size());
    bool removed = false;
    if (wanted) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, wanted, nullptr);
        if (found) removed = CertDeleteCertificateFromStore(found) != FALSE;   // frees found
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(root, 0);
    return removed;
}
