// HttpClient.h - a minimal HTTP/1.0 client over Winsock, with verified TLS
// through OpenSSL for "https://" addresses. It blocks the calling thread and
// stops within about 100 ms when another thread sets its cancel byte.
#pragma once

#include <atomic>
#include <stddef.h>
#include <stdint.h>

#include "framework/core/GrowArray.h"

struct ssl_ctx_st;
struct ssl_st;

#define HTTP_RECV_BUFFER     1500
#define HTTP_TIMEOUT_MS      20000
// A whole request, redirects included, ends by then however slowly bytes
// keep arriving: a server sending one byte every few seconds never meets the
// time-out without data.
#define HTTP_REQUEST_LIMIT_MS 60000
// Most bytes a header block or a body may bring: the texts fetched are a few
// bytes, so a server cannot make the client hold more than this.
#define HTTP_BODY_LIMIT      65536
#define HTTP_HEADER_LIMIT    16384
// Redirects followed for one request; the next one ends it with 300.
#define HTTP_MAX_REDIRECTS   5
#define HTTP_ADDRESS_CHARS   1040
#define HTTP_HOST_CHARS      260

#define HTTP_NO_SOCKET       ((uintptr_t)-1)

// The handshake selector of HTTPS addresses (TLS 1.2 or later).
#define TLS_SELECTOR_DEFAULT 4

// Connection-layer result codes.
#define HTTP_CONN_OK            0
#define HTTP_CONN_SOCKET        1    // no socket, or a wait on it failed
#define HTTP_CONN_CONNECTED     2    // already connected
#define HTTP_CONN_NOT_CONNECTED 3
#define HTTP_CONN_RESOLVE       4    // the host name cannot be resolved (or is no host name)
#define HTTP_CONN_REFUSED       5
#define HTTP_CONN_TIMEOUT       6    // or the connection attempt was cancelled
#define HTTP_CONN_SHORT_SEND    7
#define HTTP_CONN_CANCELLED     8    // during TLS set-up or transfer
#define HTTP_CONN_WINSOCK       11
#define HTTP_CONN_NO_DATA       12   // receive failed before any data arrived
#define HTTP_CONN_TLS           13   // TLS set-up or certificate verification failed

// HttpGet results beside 0 and the statuses 304, 400, 401, 403, 404, 500.
#define HTTP_GET_OK             0
#define HTTP_GET_NO_LOCATION    300  // a 3xx or 4xx without a usable new location
#define HTTP_GET_SERVER_ERROR   500
#define HTTP_GET_SEND_FAILED    100
#define HTTP_GET_BAD_ANSWER     101  // nothing, or not an HTTP answer
#define HTTP_GET_CANCELLED      102
#define HTTP_GET_CONNECT_FAILED 105
#define HTTP_GET_BAD_ADDRESS    106  // no "//" in the address

struct HttpConnection {
    int32_t tlsMode;                        // 0 plain, else the handshake's selector
    uintptr_t socket;                       // a Winsock SOCKET; HTTP_NO_SOCKET: none
    uint32_t timeoutMs;                     // without data
    uint32_t requestLimitMs;                // a whole HttpGet; 0 none
    uint64_t deadline;                      // GetTickCount64 the request ends by; 0 none
    int64_t expectedLength;                 // from Content-Length, else -1
    const std::atomic<uint8_t>* cancel;     // null: cannot be cancelled
    char buffer[HTTP_RECV_BUFFER];          // received, not yet handed out
    int32_t buffered;
    struct ssl_ctx_st* tlsContext;
    struct ssl_st* tlsSession;
    uint8_t tlsLibraryReady;
    char tlsHost[HTTP_HOST_CHARS];          // name the certificate must carry
};

struct HttpClient {
    GrowArray<char> response;               // headers, then the body
    char host[HTTP_HOST_CHARS];
    int32_t port;                           // the caller's default port (80); an
                                            // address may name another
    char address[HTTP_ADDRESS_CHARS];
    HttpConnection connection;
};

// Resets the connection part: no socket, 20000 ms without data and 60000 ms
// for a whole request, no TLS, empty buffer. The
// cancel pointer is kept. A client starts zeroed ({}); the caller sets the
// port, the response's capacity and the cancel pointer.
void HttpClientInit(HttpClient* client);
// GET of an "http://" or "https://" address. date (dateSize bytes) may be
// null; when it holds a date it is sent as If-Modified-Since, and a 2xx
// answer leaves the Last-Modified value in it. The body is in the response;
// the connection is closed afterwards. Callers pass redirected = false.
int HttpGet(HttpClient* client, const char* address, char* date, size_t dateSize,
            bool redirected);
// Connects to the address's host: the port written in the address, else
// 443 for "https://" (or when port is 443), else port. A connection code.
int HttpConnect(HttpClient* client, const char* address, int port);
void HttpClientDestroy(HttpClient* client);

//--- the connection layer
// Whether the request's deadline has passed (every wait loop asks).
bool HttpPastDeadline(const HttpConnection* conn);
// selector below 1: plain TCP. A connection code.
int TcpConnect(HttpConnection* conn, const char* host, int port, int selector);
// 0, 8 or 13.
int TlsHandshake(HttpConnection* conn, int selector);
// 0, 1, 3, 6, 7 or 8.
int HttpSend(HttpConnection* conn, const char* text);
// Bytes received (0: nothing within 10 ms), -1 failure, closed or cancelled,
// -2 time-out. size is at most HTTP_RECV_BUFFER.
int HttpRecv(HttpConnection* conn, char* buffer, int size);
// Receives into response (emptied first) until terminator (null: none) or
// maximum bytes; bytes behind the terminator stay for the next receive.
// 0, 3, 6, 8 or 12.
int HttpRecvUntil(HttpConnection* conn, GrowArray<char>* response, const char* terminator,
                  int maximum);
// Shuts TLS and the socket down; 3 when not connected.
int HttpClose(HttpConnection* conn);
void TlsFree(HttpConnection* conn);
