#!/usr/bin/env python3
"""Loopback HTTP server for the download tests.

Listens on 127.0.0.1, on --port or else on a free port that it picks itself,
writes that port (decimal, one line) to PORT_FILE once it is listening, and
serves until PORT_FILE is removed or LIFETIME seconds have passed. The file
appears whole (it is written aside and renamed), so a reader never sees half a
number.

Paths:
  /downloads/QZv251.exe   the answer chosen with --answer (default: file)
  /file /404 /500 /html /chunked /chunked-cut-short /cut-short /slow /stall
                          that answer, whatever --answer says
  /redirect/N             N redirects (302), the last one to /file
  /redirect-to-ftp        a redirect to ftp://127.0.0.1:PORT/file
  /redirect-to-file-url   a redirect to file:///etc/hostname

Answers:
  file       200 with the whole body
  404, 500   that status with a short HTML page
  html       200 with an HTML page (a captive portal's answer)
  chunked    200 with the whole body in chunks, without Content-Length
  chunked-cut-short  as chunked, but the connection closes after half the
             body, without the last chunk
  cut-short  200 announcing the whole body, half of it sent, then closed
  slow       200 with the whole body at --rate bytes per second, in 100 ms steps
  stall      200 announcing the whole body, 1024 bytes of it sent, then silence
             (the connection stays open until the client gives up)
  unreachable  nothing at the port answers at all, as for a host that is down:
             connections are never accepted (every path; --answer only)

With --headers-file, each request's header lines, as they came, replace the
content of that file before the request is answered (written aside and
renamed, as the port file).

The body is the content of --file, or without it 64 KiB shaped like a Windows
executable (pe_file.py's pe_bytes(65536, 1)).
"""

import argparse
import http.server
import os
import socket
import socketserver
import threading
import time

from pe_file import pe_bytes

ANSWERS = ("file", "404", "500", "html", "chunked", "chunked-cut-short", "cut-short", "slow", "stall")
SERVER_ANSWERS = ANSWERS + ("unreachable",)
BUILT_IN_BODY = pe_bytes(64 * 1024, 1)
CHUNK_BYTES = 16 * 1024
STEP_SECONDS = 0.1
STALL_PREFIX = 1024


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port-file", required=True, help="where to write the port; removing it stops the server")
    parser.add_argument("--port", type=int, default=0, help="the port to listen on (default: a free one)")
    parser.add_argument("--answer", choices=SERVER_ANSWERS, default="file", help="the answer at /downloads/QZv251.exe")
    parser.add_argument("--file", help="the body to serve (default: 64 KiB shaped like an executable)")
    parser.add_argument("--rate", type=int, default=256 * 1024, help="bytes per second of the slow answer")
    parser.add_argument("--headers-file", help="where to write the header lines of each request")
    parser.add_argument("--lifetime", type=float, default=600, help="seconds after which the server stops anyway")
    return parser.parse_args()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    options = None

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        if self.options.headers_file:
            write_whole(self.options.headers_file, str(self.headers))
        path = self.path.split("?", 1)[0]
        if path == "/downloads/QZv251.exe":
            self.answer(self.options.answer)
        elif path.lstrip("/") in ANSWERS:
            self.answer(path.lstrip("/"))
        elif path.startswith("/redirect/") and path[len("/redirect/"):].isdigit():
            left = int(path[len("/redirect/"):])
            self.redirect("/file" if left <= 1 else "/redirect/%d" % (left - 1))
        elif path == "/redirect-to-ftp":
            self.redirect("ftp://127.0.0.1:%d/file" % self.server.server_address[1])
        elif path == "/redirect-to-file-url":
            self.redirect("file:///etc/hostname")
        else:
            self.page(404, "Not Found")

    def headers_for(self, status, length, content_type="application/octet-stream"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()

    def page(self, status, reason):
        body = ("<html><body><h1>%d %s</h1></body></html>\n" % (status, reason)).encode()
        self.headers_for(status, len(body), "text/html")
        self.wfile.write(body)

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.send_header("Connection", "close")
        self.end_headers()

    def answer(self, kind):
        if kind == "404":
            return self.page(404, "Not Found")
        if kind == "500":
            return self.page(500, "Internal Server Error")
        if kind == "html":
            return self.page(200, "Welcome")
        if kind == "file" and self.options.file:
            return self.send_file(self.options.file)
        body = read_body(self.options)
        if kind == "chunked":
            return self.send_chunked(body)
        if kind == "chunked-cut-short":
            return self.send_chunked(body[: len(body) // 2], end=False)
        self.headers_for(200, len(body))
        if kind == "file":
            self.wfile.write(body)
        elif kind == "cut-short":
            self.wfile.write(body[: len(body) // 2])
        elif kind == "slow":
            self.send_slowly(body)
        elif kind == "stall":
            self.wfile.write(body[:STALL_PREFIX])
            self.wfile.flush()
            self.wait_for_client_to_leave()

    def send_file(self, name):
        with open(name, "rb") as source:
            self.headers_for(200, os.fstat(source.fileno()).st_size)
            self.wfile.flush()
            self.connection.sendfile(source)

    def send_chunked(self, body, end=True):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.end_headers()
        for start in range(0, len(body), CHUNK_BYTES):
            chunk = body[start : start + CHUNK_BYTES]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
        if end:
            self.wfile.write(b"0\r\n\r\n")

    def send_slowly(self, body):
        step = max(1, int(self.options.rate * STEP_SECONDS))
        for start in range(0, len(body), step):
            self.wfile.write(body[start : start + step])
            self.wfile.flush()
            time.sleep(STEP_SECONDS)

    def wait_for_client_to_leave(self):
        self.connection.settimeout(None)
        try:
            while self.connection.recv(4096):
                pass
        except OSError:
            pass


def read_body(options):
    if not options.file:
        return BUILT_IN_BODY
    with open(options.file, "rb") as source:
        return source.read()


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = False


def write_whole(name, text):
    aside = "%s.writing-%d" % (name, threading.get_ident())
    with open(aside, "w") as out:
        out.write(text)
    os.replace(aside, name)


def listen_without_accepting(port):
    """A socket whose queue of connections is full, so the kernel drops every
    further connection request, as for a host that is down."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", port))
    listener.listen(0)
    fillers = []
    for _ in range(2):
        filler = socket.socket()
        filler.setblocking(False)
        filler.connect_ex(listener.getsockname())
        fillers.append(filler)
    return listener, fillers


def main():
    options = parse_arguments()
    if options.answer == "unreachable":
        held = listen_without_accepting(options.port)
        port = held[0].getsockname()[1]
        stop = lambda: None
    else:
        Handler.options = options
        server = Server(("127.0.0.1", options.port), Handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        port = server.server_address[1]
        stop = server.shutdown
    write_whole(options.port_file, "%d\n" % port)
    deadline = time.monotonic() + options.lifetime
    while os.path.exists(options.port_file) and time.monotonic() < deadline:
        time.sleep(0.1)
    stop()


if __name__ == "__main__":
    main()
