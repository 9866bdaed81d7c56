// HttpConnection.cpp - the socket side of the HTTP client: connecting,
// sending and receiving with time-outs and the cancel byte, plain or over TLS.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "framework/services/HttpClient.h"

#include "framework/core/TextUtil.h"

#include <openssl/ssl.h>

#include <string.h>

#define CONNECT_ROUNDS   300
#define CONNECT_WAIT_MS  50
#define SEND_WAIT_MS     10
#define RECV_WAIT_MS     10
#define CLOSE_RETRIES    200

static bool Cancelled(const HttpConnection* conn)
{
    return conn->cancel && conn->cancel->load() != 0;
}

bool HttpPastDeadline(const HttpConnection* conn)
{
    return conn->deadline && GetTickCount64() >= conn->deadline;
}

// 1 the socket is ready (or has an error, with error), 0 not within ms,
// -1 the wait itself failed.
static int WaitSocket(SOCKET s, bool forWrite, bool withError, int ms)
{
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval wait = {ms / 1000, (ms % 1000) * 1000};
    int n = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr,
                   withError ? &failed : nullptr, &wait);
    if (n == SOCKET_ERROR) return -1;
    return n > 0 ? 1 : 0;
}

static bool ElapsedSince(DWORD start, uint32_t ms)
{
    return GetTickCount() - start >= ms;
}

//--- connecting

// The IPv4 address of a host name or dotted address; false when unknown.
static bool ResolveHost(const char* host, in_addr* address)
{
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    bool ok = found->ai_addr && found->ai_addrlen >= (socklen_t)sizeof(sockaddr_in);
    if (ok) *address = ((const sockaddr_in*)found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return ok;
}

static SOCKET NewTcpSocket(int* rc)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET && WSAGetLastError() == WSANOTINITIALISED) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
            *rc = HTTP_CONN_WINSOCK;
            return INVALID_SOCKET;
        }
        s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    }
    if (s == INVALID_SOCKET) *rc = HTTP_CONN_SOCKET;
    return s;
}

int TcpConnect(HttpConnection* conn, const char* host, int port, int selector)
{
    if (conn->socket != HTTP_NO_SOCKET) return HTTP_CONN_CONNECTED;
    size_t hostLength = BoundedLength(host, HTTP_HOST_CHARS);
    if (hostLength == 0 || hostLength >= HTTP_HOST_CHARS || port < 1 || port > 65535)
        return HTTP_CONN_RESOLVE;

    int rc = HTTP_CONN_OK;
    SOCKET s = NewTcpSocket(&rc);
    if (s == INVALID_SOCKET) return rc;
    u_long nonBlocking = 1;
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons((u_short)port);
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        closesocket(s);
        return HTTP_CONN_SOCKET;
    }
    if (!ResolveHost(host, &target.sin_addr)) {
        closesocket(s);
        return HTTP_CONN_RESOLVE;
    }
    if (connect(s, (const sockaddr*)&target, sizeof(target)) == SOCKET_ERROR &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        closesocket(s);
        return HTTP_CONN_REFUSED;
    }

    // Windows reports a failed non-blocking connect as an exception, not as
    // writability.
    rc = HTTP_CONN_TIMEOUT;
    for (int round = 0; round < CONNECT_ROUNDS; round++) {
        if (Cancelled(conn) || HttpPastDeadline(conn)) break;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = {0, CONNECT_WAIT_MS * 1000};
        int n = select(0, nullptr, &writable, &failed, &wait);
        if (n == SOCKET_ERROR) {
            rc = HTTP_CONN_SOCKET;
            break;
        }
        if (FD_ISSET(s, &failed)) {
            rc = HTTP_CONN_REFUSED;
            break;
        }
        if (FD_ISSET(s, &writable)) {
            rc = HTTP_CONN_OK;
            break;
        }
    }
    if (rc != HTTP_CONN_OK) {
        closesocket(s);
        return rc;
    }

    conn->socket = (uintptr_t)s;
    conn->buffered = 0;
    conn->tlsMode = 0;
    if (selector >= 1) {
        CopyText(conn->tlsHost, sizeof(conn->tlsHost), host);
        rc = TlsHandshake(conn, selector);
        if (rc != 0) {
            HttpClose(conn);
            return rc == HTTP_CONN_CANCELLED ? rc : HTTP_CONN_TLS;
        }
    }
    return HTTP_CONN_OK;
}

//--- sending

// One piece over TLS: 0, or a connection code.
static int SendTlsPiece(HttpConnection* conn, const char* data, int length, DWORD* lastProgress)
{
    for (;;) {
        if (Cancelled(conn)) return HTTP_CONN_CANCELLED;
        if (ElapsedSince(*lastProgress, conn->timeoutMs) || HttpPastDeadline(conn)) return HTTP_CONN_TIMEOUT;
        int n = SSL_write(conn->tlsSession, data, length);
        if (n == length) return HTTP_CONN_OK;
        if (n > 0) return HTTP_CONN_SHORT_SEND;
        int error = SSL_get_error(conn->tlsSession, n);
        if (error != SSL_ERROR_WANT_WRITE && error != SSL_ERROR_WANT_READ)
            return HTTP_CONN_SHORT_SEND;
        Sleep(1);
    }
}

// One piece over the plain socket: 0, or a connection code.
static int SendPlainPiece(HttpConnection* conn, const char* data, int length, DWORD* lastProgress)
{
    SOCKET s = (SOCKET)conn->socket;
    for (;;) {
        if (Cancelled(conn)) return HTTP_CONN_CANCELLED;
        if (ElapsedSince(*lastProgress, conn->timeoutMs) || HttpPastDeadline(conn)) return HTTP_CONN_TIMEOUT;
        int ready = WaitSocket(s, true, false, SEND_WAIT_MS);
        if (ready < 0) return HTTP_CONN_SOCKET;
        if (ready == 0) continue;
        int n = send(s, data, length, 0);
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
        return n == length ? HTTP_CONN_OK : HTTP_CONN_SHORT_SEND;
    }
}

int HttpSend(HttpConnection* conn, const char* text)
{
    size_t total = text ? strlen(text) : 0;
    if (total == 0) return HTTP_CONN_OK;
    if (conn->socket == HTTP_NO_SOCKET) return HTTP_CONN_NOT_CONNECTED;
    DWORD lastProgress = GetTickCount();
    for (size_t sent = 0; sent < total;) {
        int piece = (int)(total - sent < HTTP_RECV_BUFFER ? total - sent : HTTP_RECV_BUFFER);
        int rc = conn->tlsSession ? SendTlsPiece(conn, text + sent, piece, &lastProgress)
                                  : SendPlainPiece(conn, text + sent, piece, &lastProgress);
        if (rc != HTTP_CONN_OK) return rc;
        sent += (size_t)piece;
        lastProgress = GetTickCount();
    }
    return HTTP_CONN_OK;
}

//--- receiving

// Refills the empty connection buffer: bytes, 0 nothing yet, -1 failure,
// closed or cancelled, -2 time-out.
static int FillTls(HttpConnection* conn)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (Cancelled(conn)) return -1;
        int n = SSL_read(conn->tlsSession, conn->buffer, HTTP_RECV_BUFFER);
        if (n > 0) return n;
        int error = SSL_get_error(conn->tlsSession, n);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return -1;
        if (ElapsedSince(start, conn->timeoutMs) || HttpPastDeadline(conn)) return -2;
        if (WaitSocket((SOCKET)conn->socket, error == SSL_ERROR_WANT_WRITE, false, 1) < 0)
            return -1;
    }
}

static int FillPlain(HttpConnection* conn)
{
    SOCKET s = (SOCKET)conn->socket;
    int ready = WaitSocket(s, false, false, RECV_WAIT_MS);
    if (ready <= 0) return ready;
    int n = recv(s, conn->buffer, HTTP_RECV_BUFFER, 0);
    if (n > 0) return n;
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
    return -1;
}

int HttpRecv(HttpConnection* conn, char* buffer, int size)
{
    if (conn->socket == HTTP_NO_SOCKET) return -1;
    if (size <= 0) return 0;
    if (size > HTTP_RECV_BUFFER) size = HTTP_RECV_BUFFER;
    if (conn->buffered <= 0) {
        int n = conn->tlsSession ? FillTls(conn) : FillPlain(conn);
        if (n <= 0) return n;
        conn->buffered = n;
    }
    int n = conn->buffered < size ? conn->buffered : size;
    memcpy(buffer, conn->buffer, (size_t)n);
    conn->buffered -= n;
    if (conn->buffered > 0) memmove(conn->buffer, conn->buffer + n, (size_t)conn->buffered);
    return n;
}

// Puts bytes back in front of the buffer; they came out of it, so they fit.
static void PushBack(HttpConnection* conn, const char* data, int length)
{
    if (length <= 0 || conn->buffered + length > HTTP_RECV_BUFFER) return;
    memmove(conn->buffer + length, conn->buffer, (size_t)conn->buffered);
    memcpy(conn->buffer, data, (size_t)length);
    conn->buffered += length;
}

// Index of the terminator in text[from, count), or -1.
static int FindBytes(const char* text, int from, int count, const char* terminator, int length)
{
    for (int i = from; i + length <= count; i++)
        if (memcmp(text + i, terminator, (size_t)length) == 0) return i;
    return -1;
}

int HttpRecvUntil(HttpConnection* conn, GrowArray<char>* response, const char* terminator,
                  int maximum)
{
    if (conn->socket == HTTP_NO_SOCKET) return HTTP_CONN_NOT_CONNECTED;
    response->count = 0;
    if (maximum <= 0) return HTTP_CONN_OK;
    int termLength = terminator ? (int)strlen(terminator) : 0;
    DWORD lastData = GetTickCount();
    for (;;) {
        if (ElapsedSince(lastData, conn->timeoutMs) || HttpPastDeadline(conn)) return HTTP_CONN_TIMEOUT;
        if (Cancelled(conn)) return HTTP_CONN_CANCELLED;
        char piece[HTTP_RECV_BUFFER];
        int want = maximum - response->count;
        int n = HttpRecv(conn, piece, want < HTTP_RECV_BUFFER ? want : HTTP_RECV_BUFFER);
        if (n < 0) {
            if (Cancelled(conn)) return HTTP_CONN_CANCELLED;
            if (response->count > 0) return HTTP_CONN_OK;
            return n == -2 ? HTTP_CONN_TIMEOUT : HTTP_CONN_NO_DATA;
        }
        if (n == 0) continue;
        lastData = GetTickCount();
        int before = response->count;
        if (ArrayAppendN(response, piece, n) < 0) return HTTP_CONN_NO_DATA;
        if (termLength > 0) {
            int from = before - (termLength - 1);
            int at = FindBytes(response->data, from > 0 ? from : 0, response->count, terminator,
                               termLength);
            if (at >= 0) {
                int end = at + termLength;
                PushBack(conn, response->data + end, response->count - end);
                response->count = end;
                return HTTP_CONN_OK;
            }
        }
        if (response->count >= maximum) return HTTP_CONN_OK;
    }
}

//--- closing

void TlsFree(HttpConnection* conn)
{
    if (conn->tlsSession) SSL_free(conn->tlsSession);
    if (conn->tlsContext) SSL_CTX_free(conn->tlsContext);
    conn->tlsSession = nullptr;
    conn->tlsContext = nullptr;
}

int HttpClose(HttpConnection* conn)
{
    if (conn->tlsSession) SSL_shutdown(conn->tlsSession);
    TlsFree(conn);
    conn->tlsMode = 0;
    conn->buffered = 0;
    if (conn->socket == HTTP_NO_SOCKET) return HTTP_CONN_NOT_CONNECTED;
    SOCKET s = (SOCKET)conn->socket;
    shutdown(s, SD_BOTH);
    // A close that would block is retried; any other failure will not heal.
    for (int i = 0; i < CLOSE_RETRIES && closesocket(s) == SOCKET_ERROR; i++) {
        int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK && error != WSAEINPROGRESS) break;
        Sleep(50);
    }
    conn->socket = HTTP_NO_SOCKET;
    return HTTP_CONN_OK;
}
