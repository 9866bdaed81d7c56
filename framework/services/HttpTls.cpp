// HttpTls.cpp - the TLS handshake of the HTTP client: the server's
// certificate must chain to the Windows ROOT store and name the host.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wincrypt.h>

#include "framework/services/HttpClient.h"

// OpenSSL's headers undefine wincrypt's clashing X509 names; they come last.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#define HANDSHAKE_ATTEMPTS 100
#define HANDSHAKE_WAIT_MS  100

// Copies every certificate of the Windows ROOT store into the OpenSSL store.
// Under Wine that store holds the host's CA bundle.
static int AddWindowsRootCertificates(X509_STORE* store)
{
    HCERTSTORE root = CertOpenSystemStoreA(0, "ROOT");
    if (!root) return 0;
    int added = 0;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(root, nullptr); c;
         c = CertEnumCertificatesInStore(root, c)) {
        const unsigned char* bytes = c->pbCertEncoded;
        X509* certificate = d2i_X509(nullptr, &bytes, (long)c->cbCertEncoded);
        if (!certificate) continue;
        if (X509_STORE_add_cert(store, certificate)) added++;
        X509_free(certificate);
    }
    CertCloseStore(root, 0);
    return added;
}

// The certificate must name the host: an IP address is checked as one (and
// sent no server name, which may not be an address); a host name goes out
// as the server name and must match, without partial wildcards.
static bool ExpectPeer(SSL* session, const char* host)
{
    if (!host[0]) return false;
    in_addr ip;
    if (inet_pton(AF_INET, host, &ip) == 1)
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(session), host) == 1;
    SSL_set_hostflags(session, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return SSL_set_tlsext_host_name(session, host) == 1 && SSL_set1_host(session, host) == 1;
}

int TlsHandshake(HttpConnection* conn, int selector)
{
    if (!conn->tlsLibraryReady) {
        if (!OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                              nullptr))
            return HTTP_CONN_TLS;
        conn->tlsLibraryReady = 1;
    }
    TlsFree(conn);
    conn->tlsContext = SSL_CTX_new(TLS_client_method());
    if (!conn->tlsContext) return HTTP_CONN_TLS;
    // SSL 3.0, TLS 1.0 and 1.1 are gone from a current OpenSSL: every selector
    // asks for TLS 1.2 or later.
    SSL_CTX_set_min_proto_version(conn->tlsContext, TLS1_2_VERSION);
    SSL_CTX_set_verify(conn->tlsContext, SSL_VERIFY_PEER, nullptr);
    AddWindowsRootCertificates(SSL_CTX_get_cert_store(conn->tlsContext));

    conn->tlsSession = SSL_new(conn->tlsContext);
    if (!conn->tlsSession || !SSL_set_fd(conn->tlsSession, (int)conn->socket) ||
        !ExpectPeer(conn->tlsSession, conn->tlsHost)) {
        TlsFree(conn);
        return HTTP_CONN_TLS;
    }
    for (int attempt = 0; attempt < HANDSHAKE_ATTEMPTS; attempt++) {
        if (conn->cancel && conn->cancel->load()) {
            TlsFree(conn);
            return HTTP_CONN_CANCELLED;
        }
        if (HttpPastDeadline(conn)) break;
        int r = SSL_connect(conn->tlsSession);
        if (r == 1) {
            conn->tlsMode = selector;
            return HTTP_CONN_OK;
        }
        int error = SSL_get_error(conn->tlsSession, r);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) break;
        // Waiting on the socket instead of sleeping: the answer ends the wait.
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET((SOCKET)conn->socket, &ready);
        timeval wait = {0, HANDSHAKE_WAIT_MS * 1000};
        if (error == SSL_ERROR_WANT_WRITE)
            select(0, nullptr, &ready, nullptr, &wait);
        else
            select(0, &ready, nullptr, nullptr, &wait);
    }
    ERR_clear_error();
    TlsFree(conn);
    return HTTP_CONN_TLS;
}
