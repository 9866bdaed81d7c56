#!/usr/bin/env python3
"""http_test_server.py - the loopback servers of the HTTP client tests.

Started by a test through the host shell, it serves on 127.0.0.1 at a free
port and reports through files in its folder (a folder under the build
folder; it touches nothing else):

  port          the port, once it accepts (written whole, by rename)
  requests.log  the request line and Host line of every request
  answer.txt    read by the test's routes: the body of /version.txt
  stop          made by the test: the server ends within 50 ms
  stopped       made by the server when it has ended

  http_test_server.py plain <folder>
      An HTTP server with one route per answer the client must handle.
  http_test_server.py tls <folder> <cert> <key> [<cert2> <key2> <name>] [-- <s_server options>]
      One connection through `openssl s_server`; the answer is the raw
      response in answer.txt. requests.log gets "no request" when the
      handshake did not end in a request.
"""
import os
import re
import select
import socket
import subprocess
import sys
import threading
import time

LIFETIME = 300   # seconds: a server the test forgot ends by itself


def write_whole(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


class Folder:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()

    def file(self, name):
        return os.path.join(self.path, name)

    def log(self, line):
        with self.lock, open(self.file("requests.log"), "ab") as f:
            f.write(line.encode("latin-1", "replace") + b"\n")

    def answer(self, default=b"2.10.1"):
        try:
            with open(self.file("answer.txt"), "rb") as f:
                return f.read()
        except OSError:
            return default

    def stopped(self):
        return os.path.exists(self.file("stop"))

    def wait_for_stop(self, until):
        while not self.stopped() and time.time() < until:
            time.sleep(0.05)


#--- plain HTTP

def response(status, headers=(), body=b"", length=True):
    head = "HTTP/1.0 %s\r\n" % status
    for name, value in headers:
        head += "%s: %s\r\n" % (name, value)
    if length:
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def read_request(conn):
    data = b""
    conn.settimeout(10)
    while b"\r\n\r\n" not in data and len(data) < 65536:
        piece = conn.recv(4096)
        if not piece:
            break
        data += piece
    return data.decode("latin-1")


def serve_one(folder, conn):
    try:
        text = read_request(conn)
        lines = text.split("\r\n")
        host = ""
        for line in lines[1:]:
            if line.lower().startswith("host:"):
                host = line[5:].strip()
        folder.log(lines[0])
        folder.log("Host: " + host)
        for line in lines[1:]:
            if line.lower().startswith("if-modified-since:"):
                folder.log(line)
        parts = lines[0].split(" ")
        target = parts[1] if len(parts) > 1 else ""
        # The client sends the whole address; the route is its path.
        path = re.sub(r"^[a-zA-Z]+://[^/]*", "", target) or "/"
        base = "http://" + host
        answer(folder, conn, path, base, target, text)
    except OSError:
        pass
    finally:
        try:
            conn.close()
        except OSError:
            pass


def answer(folder, conn, path, base, target, request):
    if path == "/version.txt":
        conn.sendall(response("200 OK", [("Content-Type", "text/plain")], folder.answer()))
    elif path == "/missing":
        conn.sendall(response("404 Not Found", [], b"no such file"))
    elif path == "/forbidden":
        conn.sendall(response("403 Forbidden", [], b"no"))
    elif path == "/teapot":
        conn.sendall(response("418 I'm a teapot", [], b"short and stout"))
    elif path == "/server-error":
        conn.sendall(response("503 Service Unavailable", [], b"later"))
    elif path == "/redirect-same":
        conn.sendall(response("301 Moved Permanently", [("Location", target)]))
    elif path == "/redirect-new":
        conn.sendall(response("302 Found", [("Location", base + "/version.txt")]))
    elif path == "/redirect-root":
        conn.sendall(response("302 Found", [("Location", "/version.txt")]))
    elif path == "/redirect-padded":
        conn.sendall(response("302 Found", [("Location", "/version.txt \t ")]))
    elif path == "/dir/redirect-relative":
        conn.sendall(response("302 Found", [("Location", "target")]))
    elif path == "/dir/target":
        conn.sendall(response("200 OK", [], b"relative target"))
    elif path == "/content-location":
        # Only a Location header redirects; Content-Location is no such header.
        conn.sendall(response("302 Found", [("Content-Location", base + "/version.txt")]))
    elif path == "/loop-a":
        conn.sendall(response("302 Found", [("Location", base + "/loop-b")]))
    elif path == "/loop-b":
        conn.sendall(response("302 Found", [("Location", base + "/loop-a")]))
    elif path == "/long-location":
        conn.sendall(response("302 Found", [("Location", base + "/" + "a" * 2000)]))
    elif path == "/no-length":
        conn.sendall(response("200 OK", [], b"2.10.1 until closed", length=False))
    elif path == "/huge-length":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n2.10.1")
    elif path == "/endless":
        conn.sendall(response("200 OK", [], b"", length=False))
        block = b"x" * 4096
        for _ in range(64):   # 256 KiB, four times the limit
            conn.sendall(block)
    elif path == "/trickle":
        # One byte a packet: the header end arrives split across receives.
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        for byte in response("200 OK", [], b"2.10.1 trickled"):
            conn.sendall(bytes([byte]))
            time.sleep(0.002)
    elif path == "/long-status":
        conn.sendall(b"HTTP/1.0 2000000 OK\r\nContent-Length: 6\r\n\r\n2.10.1")
    elif path == "/drip":
        # A whole answer, one byte every half second: never idle for long,
        # it takes 22 s; only the client's deadline for the request ends it.
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        for byte in response("200 OK", [], b"2.10.1"):
            if folder.stopped():
                return
            try:
                conn.sendall(bytes([byte]))
            except OSError:
                folder.log("client closed")
                return
            ready, _, _ = select.select([conn], [], [], 0.5)
            if ready and not conn.recv(4096):
                folder.log("client closed")
                return
        folder.log("dripped whole")
    elif path == "/short-status":
        conn.sendall(b"HTTP/1.0 2\r\n\r\n")
    elif path == "/not-http":
        conn.sendall(b"ICY 200 OK\r\nContent-Length: 6\r\n\r\n2.10.1")
    elif path == "/no-end":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 6\r\n")
    elif path == "/modified":
        if "\r\nif-modified-since:" in request.lower():
            conn.sendall(response("304 Not Modified", []))
        else:
            conn.sendall(response("200 OK", [("Last-Modified", "Wed, 21 Oct 2015 07:28:00 GMT")],
                                  b"2.10.1"))
    elif path == "/stall":
        # Never answers: the client must give up through its cancel byte.
        folder.log("stalled")
        until = time.time() + 60
        while not folder.stopped() and time.time() < until:
            ready, _, _ = select.select([conn], [], [], 0.05)
            if ready and not conn.recv(4096):
                folder.log("client closed")
                return
    else:
        conn.sendall(response("404 Not Found", [], b"unknown route"))


def run_plain(folder):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    listener.settimeout(0.05)
    write_whole(folder.file("port"), b"%d" % listener.getsockname()[1])
    until = time.time() + LIFETIME
    while not folder.stopped() and time.time() < until:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        threading.Thread(target=serve_one, args=(folder, conn), daemon=True).start()
    listener.close()


#--- TLS through openssl s_server

def run_tls(folder, args):
    options = []
    if "--" in args:
        options = args[args.index("--") + 1:]
        args = args[:args.index("--")]
    command = ["openssl", "s_server", "-accept", "127.0.0.1:0", "-naccept", "1",
               "-cert", args[0], "-key", args[1]] + options
    if len(args) >= 5:
        command += ["-cert2", args[2], "-key2", args[3], "-servername", args[4]]
    server = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, cwd=folder.path)
    output = []
    request = threading.Event()

    def read_output():
        seen = b""
        for line in server.stdout:
            output.append(line)
            if b"ACCEPT" in line and not os.path.exists(folder.file("port")):
                match = re.search(rb":(\d+)", line)
                if match:
                    write_whole(folder.file("port"), match.group(1))
            seen += line
            at = seen.find(b"GET ")
            if at >= 0 and b"\r\n\r\n" in seen[at:] and not request.is_set():
                for text in seen[at:].split(b"\r\n"):
                    if text.startswith(b"GET ") or text.lower().startswith(b"host:"):
                        folder.log(text.decode("latin-1"))
                request.set()

    reader = threading.Thread(target=read_output, daemon=True)
    reader.start()
    until = time.time() + LIFETIME
    while not request.is_set() and server.poll() is None and not folder.stopped() \
            and time.time() < until:
        request.wait(0.05)
    if request.is_set():
        # s_server sends what arrives on its input and closes at its end.
        server.stdin.write(folder.answer())
        server.stdin.flush()
    else:
        folder.log("no request")
    try:
        server.stdin.close()
    except OSError:
        pass
    try:
        server.wait(10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()
    reader.join(5)
    with open(folder.file("s_server.log"), "wb") as f:
        f.write(b"".join(output))
    folder.wait_for_stop(until)


def main():
    mode, path = sys.argv[1], sys.argv[2]
    folder = Folder(path)
    try:
        if mode == "plain":
            run_plain(folder)
        else:
            run_tls(folder, sys.argv[3:])
    finally:
        write_whole(folder.file("stopped"), b"1")


if __name__ == "__main__":
    main()
