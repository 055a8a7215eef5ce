#!/usr/bin/env python3
"""Servers for the radio tests, on 127.0.0.1 only.

  radio_servers.py hostile PORT FILE       stations that misbehave, one per path
  radio_servers.py tls PORT CERT KEY FILE  FILE as audio/mpeg over HTTPS
"""
import http.server
import random
import socketserver
import ssl
import sys


class Hostile(socketserver.StreamRequestHandler):
    def handle(self):
        request = self.rfile.readline().split()
        if len(request) < 2:
            return  # a probe of the port
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        try:
            getattr(self, "do_" + request[1].decode().strip("/").replace("-", "_"))()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def head(self, *lines):
        self.wfile.write(("HTTP/1.0 200 OK\r\n" + "".join(l + "\r\n" for l in lines) + "\r\n").encode())

    def do_endless_headers(self):
        self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n")
        n = 0
        while True:
            n += 1
            self.wfile.write(b"X-Pad-%d: %s\r\n" % (n, b"a" * 200))

    def do_bogus_metaint(self):
        self.head("Content-Type: audio/mpeg", "icy-name: Bogus", "icy-metaint: 12x")
        self.wfile.write(bytes(4096))

    def do_garbage(self):
        self.head("Content-Type: audio/mpeg", "icy-name: Garbage")
        noise = random.Random(7)
        while True:
            self.wfile.write(noise.randbytes(65536))

    def do_drop(self):
        # FILE in pieces: each connection drops after a piece, and the next one starts with a
        # burst of what the one before sent, as Icecast does. The last piece has its length.
        body, start = Hostile.file, Hostile.resume
        end = min(start + 300000, len(body))
        Hostile.resume = max(end - 65536, 0)
        length = [f"Content-Length: {end - start}"] if end == len(body) else []
        self.head("Content-Type: audio/mpeg", *length)
        self.wfile.write(body[start:end])

    def do_aac(self):
        self.head("Content-Type: audio/aacp", "icy-name: Hostile AAC")
        self.wfile.write(bytes(4096))


class Threading(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    if sys.argv[1] == "hostile":
        Hostile.file, Hostile.resume = open(sys.argv[3], "rb").read(), 0
        Threading(("127.0.0.1", int(sys.argv[2])), Hostile).serve_forever()
    port, cert, key, file = sys.argv[2:6]
    body = open(file, "rb").read()

    class Audio(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Type", "audio/mpeg")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(port)), Audio)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
