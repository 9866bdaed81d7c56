// HttpGet.cpp - one HTTP/1.0 GET: the address taken apart, the request, the
// status and headers read with every length bounded, redirects followed.
#include "framework/services/HttpClient.h"

#include <windows.h>

#include "framework/core/TextUtil.h"

#include <openssl/crypto.h>

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#define HTTP_DATE_CHARS 128

void HttpClientInit(HttpClient* client)
{
    HttpConnection* c = &client->connection;
    c->tlsMode = 0;
    c->socket = HTTP_NO_SOCKET;
    c->timeoutMs = HTTP_TIMEOUT_MS;
    c->requestLimitMs = HTTP_REQUEST_LIMIT_MS;
    c->deadline = 0;
    c->expectedLength = -1;
    c->buffered = 0;
    c->tlsContext = nullptr;
    c->tlsSession = nullptr;
    c->tlsHost[0] = '\0';
}

void HttpClientDestroy(HttpClient* client)
{
    HttpClose(&client->connection);
    FreeGrowArray(&client->response);
    // A static OpenSSL cannot see threads end: free this thread's state now.
    if (client->connection.tlsLibraryReady) OPENSSL_thread_stop();
}

//--- addresses

static bool StartsWithNoCase(const char* text, const char* prefix)
{
    return _strnicmp(text, prefix, strlen(prefix)) == 0;
}

static bool IsHttpsAddress(const char* address)
{
    return StartsWithNoCase(address, "https://");
}

// Where the host part starts: behind "//", or the whole text without one.
static const char* AuthorityStart(const char* address)
{
    const char* slashes = strstr(address, "//");
    return slashes ? slashes + 2 : address;
}

static size_t AuthorityLength(const char* authority)
{
    return strcspn(authority, "/?#\r\n");
}

// Blanks and control characters would break the request line.
static bool IsSendableAddress(const char* address)
{
    for (const unsigned char* p = (const unsigned char*)address; *p; p++)
        if (*p <= ' ' || *p == 0x7F) return false;
    return true;
}

int HttpConnect(HttpClient* client, const char* address, int port)
{
    const char* authority = AuthorityStart(address);
    size_t length = AuthorityLength(authority);
    const char* colon = (const char*)memchr(authority, ':', length);
    size_t hostLength = colon ? (size_t)(colon - authority) : length;
    if (hostLength == 0 || hostLength >= HTTP_HOST_CHARS) return HTTP_CONN_RESOLVE;

    bool tls = IsHttpsAddress(address);
    int target = port;
    if (colon) {
        // A port written in the address wins; it is 1 to 65535 in digits.
        size_t digits = length - hostLength - 1;
        if (digits == 0 || digits > 5) return HTTP_CONN_RESOLVE;
        target = 0;
        for (size_t i = 1; i <= digits; i++) {
            if (!isdigit((unsigned char)colon[i])) return HTTP_CONN_RESOLVE;
            target = target * 10 + (colon[i] - '0');
        }
        if (target < 1 || target > 65535) return HTTP_CONN_RESOLVE;
    } else if (port == 443 || tls) {
        tls = true;
        if (port == 80 || port == 443) target = 443;
    }
    CopyTextN(client->host, sizeof(client->host), authority, hostLength);
    return TcpConnect(&client->connection, client->host, target, tls ? TLS_SELECTOR_DEFAULT : 0);
}

// The redirect target of a Location value, made absolute against the current
// address. False when it cannot be used: another scheme, or too long.
static bool ResolveLocation(const char* current, const char* location, char* out, size_t cap)
{
    const char* scheme = strstr(location, "://");
    if (scheme && scheme < location + strcspn(location, "/?#")) {
        if (!StartsWithNoCase(location, "http://") && !StartsWithNoCase(location, "https://"))
            return false;
        return CopyText(out, cap, location);
    }
    const char* authority = AuthorityStart(current);
    if (authority == current) return false;
    if (location[0] == '/' && location[1] == '/')   // same scheme, another host
        return FormatText(out, cap, "%.*s%s", (int)(authority - 2 - current), current, location);
    const char* path = authority + AuthorityLength(authority);
    if (location[0] == '/')
        return FormatText(out, cap, "%.*s%s", (int)(path - current), current, location);
    // Relative to the current folder: up to the last "/" of the path.
    size_t pathLength = strcspn(path, "?#");
    const char* lastSlash = nullptr;
    for (const char* p = path; p < path + pathLength; p++)
        if (*p == '/') lastSlash = p;
    if (!lastSlash) return FormatText(out, cap, "%.*s/%s", (int)(path - current), current, location);
    return FormatText(out, cap, "%.*s%s", (int)(lastSlash + 1 - current), current, location);
}

//--- the answer

// Appends a NUL behind the bytes without counting it.
static bool TerminateResponse(GrowArray<char>* response)
{
    char nul = '\0';
    // Exactly one more: a full body at the limit does not double the block.
    if (response->count == response->capacity &&
        !ArraySetCapacity(response, response->count + 1, response->growStep))
        return false;
    if (ArrayAppend(response, &nul) < 0) return false;
    response->count--;
    return true;
}

// The status of "HTTP/x.y nnn ...", or -1 when the first line is no such
// line. The status is three digits and nothing more: "2000000" is no 200.
static int ParseStatus(const char* headers)
{
    size_t lineLength = strcspn(headers, "\r\n");
    if (lineLength < 12 || strncmp(headers, "HTTP/", 5) != 0 || headers[8] != ' ') return -1;
    for (int i = 9; i < 12; i++)
        if (!isdigit((unsigned char)headers[i])) return -1;
    if (lineLength > 12 && headers[12] != ' ') return -1;
    return (headers[9] - '0') * 100 + (headers[10] - '0') * 10 + (headers[11] - '0');
}

// Finds the header line "name: value" (name without regard to case) and
// copies the value, blanks around it left out, into out. The value's full
// length, or -1 when there is no such header; a value of cap characters or
// more arrives cut.
static int FindHeader(const char* headers, const char* name, char* out, size_t cap)
{
    size_t nameLength = strlen(name);
    const char* line = strchr(headers, '\n');   // the status line is no header
    while (line) {
        line++;
        if (*line == '\r' || *line == '\n' || !*line) break;   // the empty line ends them
        if (_strnicmp(line, name, nameLength) == 0 && line[nameLength] == ':') {
            const char* value = line + nameLength + 1;
            while (*value == ' ' || *value == '\t') value++;
            size_t length = strcspn(value, "\r\n");
            while (length > 0 && (value[length - 1] == ' ' || value[length - 1] == '\t')) length--;
            CopyTextN(out, cap, value, length);
            return (int)length;
        }
        line = strchr(line, '\n');
    }
    return -1;
}

// Content-Length as a count of bytes, or -1 when missing or not a number.
static int64_t ContentLength(const char* headers)
{
    char value[32];
    int length = FindHeader(headers, "Content-Length", value, sizeof(value));
    if (length <= 0 || length > 18) return -1;
    int64_t n = 0;
    for (int i = 0; i < length; i++) {
        if (!isdigit((unsigned char)value[i])) return -1;
        n = n * 10 + (value[i] - '0');
    }
    return n;
}

//--- the request

static int Finish(HttpClient* client, int result)
{
    HttpClose(&client->connection);
    return result;
}

// Reads the body behind the headers already in the response: 0, 101 or 102.
static int ReceiveBody(HttpClient* client, char* date, size_t dateSize)
{
    HttpConnection* c = &client->connection;
    const char* headers = client->response.data;
    if (date && dateSize > 0) {
        char modified[HTTP_DATE_CHARS];
        if (FindHeader(headers, "Last-Modified", modified, sizeof(modified)) >= 0)
            CopyText(date, dateSize, modified);
    }
    int64_t declared = ContentLength(headers);
    int maximum = HTTP_BODY_LIMIT;
    c->expectedLength = -1;
    if (declared >= 0) {
        // A server's length sets no capacity above the limit.
        c->expectedLength = declared < HTTP_BODY_LIMIT ? declared : HTTP_BODY_LIMIT;
        maximum = (int)c->expectedLength;
        client->response.count = 0;
        ArraySetCapacity(&client->response, maximum + 1, client->response.growStep);
    }
    int rc = HttpRecvUntil(c, &client->response, nullptr, maximum);
    if (rc == HTTP_CONN_CANCELLED) return HTTP_GET_CANCELLED;
    if (rc != HTTP_CONN_OK) return HTTP_GET_BAD_ANSWER;
    return TerminateResponse(&client->response) ? HTTP_GET_OK : HTTP_GET_BAD_ANSWER;
}

static int GetFollowing(HttpClient* client, const char* address, char* date, size_t dateSize,
                        bool redirected, int redirects)
{
    HttpConnection* c = &client->connection;
    if (!address || !CopyText(client->address, sizeof(client->address), address) ||
        !IsSendableAddress(client->address))
        return Finish(client, HTTP_GET_BAD_ADDRESS);

    char ifModified[HTTP_DATE_CHARS + 32] = "";
    if (date && dateSize > 0 && date[0]) {
        char given[HTTP_DATE_CHARS];
        CopyTextN(given, sizeof(given), date, dateSize);
        FormatText(ifModified, sizeof(ifModified), "If-Modified-Since: %s\r\n", given);
    }
    char hostLine[HTTP_HOST_CHARS + 16];
    if (!redirected && c->socket != HTTP_NO_SOCKET) {
        FormatText(hostLine, sizeof(hostLine), "Host: %s\r\n", client->host);
    } else {
        if (!strstr(client->address, "//")) return Finish(client, HTTP_GET_BAD_ADDRESS);
        const char* authority = AuthorityStart(client->address);
        if (!FormatText(hostLine, sizeof(hostLine), "Host: %.*s\r\n",
                        (int)AuthorityLength(authority), authority) ||
            HttpConnect(client, client->address, client->port) != HTTP_CONN_OK)
            return Finish(client, HTTP_GET_CONNECT_FAILED);
    }

    char request[HTTP_ADDRESS_CHARS + sizeof(hostLine) + sizeof(ifModified) + 32];
    if (!FormatText(request, sizeof(request), "GET %s HTTP/1.0\r\n%s%s\r\n", client->address,
                    hostLine, ifModified) ||
        HttpSend(c, request) != HTTP_CONN_OK)
        return Finish(client, HTTP_GET_SEND_FAILED);

    int rc = HttpRecvUntil(c, &client->response, "\r\n\r\n", HTTP_HEADER_LIMIT);
    if (rc == HTTP_CONN_CANCELLED) return Finish(client, HTTP_GET_CANCELLED);
    if (rc != HTTP_CONN_OK || !TerminateResponse(&client->response))
        return Finish(client, HTTP_GET_BAD_ANSWER);
    const char* headers = client->response.data;
    int status = ParseStatus(headers);
    // A block that never ended is no answer, whatever its first line says.
    if (status < 0 || !strstr(headers, "\r\n\r\n")) return Finish(client, HTTP_GET_BAD_ANSWER);

    if (status == 304 || status == 400 || status == 401 || status == 403 || status == 404)
        return Finish(client, status);
    if (status >= 500) return Finish(client, HTTP_GET_SERVER_ERROR);
    if (status >= 300) {
        char location[HTTP_ADDRESS_CHARS];
        char next[HTTP_ADDRESS_CHARS];
        int length = FindHeader(headers, "Location", location, sizeof(location));
        HttpClose(c);
        if (length <= 0 || length >= (int)sizeof(location) || redirects >= HTTP_MAX_REDIRECTS ||
            !ResolveLocation(client->address, location, next, sizeof(next)) ||
            strcmp(next, client->address) == 0)
            return HTTP_GET_NO_LOCATION;
        // Once encrypted, the request never falls back to plain text.
        if (IsHttpsAddress(client->address) && !IsHttpsAddress(next)) return HTTP_GET_NO_LOCATION;
        return GetFollowing(client, next, date, dateSize, true, redirects + 1);
    }
    return Finish(client, ReceiveBody(client, date, dateSize));
}

int HttpGet(HttpClient* client, const char* address, char* date, size_t dateSize, bool redirected)
{
    HttpConnection* c = &client->connection;
    c->deadline = c->requestLimitMs ? GetTickCount64() + c->requestLimitMs : 0;
    int result = GetFollowing(client, address, date, dateSize, redirected, 0);
    c->deadline = 0;
    return result;
}
