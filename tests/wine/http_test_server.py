#!/usr/bin/env python3
"""A small web server on 127.0.0.1 for the HTTP checks of platform_checks.exe.

Prints "Serving HTTP on 127.0.0.1 port <n>" once it listens (port 0 picks a free one).
  /hello.txt     "hello\n" as text/plain
  /basic         200 "welcome" with Basic user:pw, otherwise 401 with a Basic challenge
  /cookie/set    sets the cookie s=1
  /echo          the request's Cookie and Authorization headers as the body
  /stall         no answer for 8 s (the client's read time-out ends the wait first)
anything else is 404 "File not found".
"""
import base64
import http.server
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def answer(self, code, body, headers=()):
        data = body.encode()
        self.send_response(code)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if self.path == "/hello.txt":
            self.answer(200, "hello\n")
        elif self.path == "/basic":
            wanted = "Basic " + base64.b64encode(b"user:pw").decode()
            if self.headers.get("Authorization") == wanted:
                self.answer(200, "welcome")
            else:
                self.answer(401, "who are you", [("WWW-Authenticate", 'Basic realm="checks"')])
        elif self.path == "/cookie/set":
            self.answer(200, "set", [("Set-Cookie", "s=1; Path=/")])
        elif self.path == "/echo":
            self.answer(200, "Cookie=%s|Authorization=%s" % (self.headers.get("Cookie", ""),
                                                               self.headers.get("Authorization", "")))
        elif self.path == "/stall":
            time.sleep(8)
        else:
            self.answer(404, "File not found")

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", int(sys.argv[1]) if len(sys.argv) > 1 else 0), Handler)
print("Serving HTTP on 127.0.0.1 port %d" % server.server_address[1], flush=True)
server.serve_forever()
