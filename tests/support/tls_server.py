"""A loopback HTTPS server for the secure-transfer tests.

usage: tls_server.py CERT KEY PLAIN_PORT
Prints its port and process id on the first line, then serves until killed:
  /page     a small page          /package  100000 pattern bytes
  /ping     an empty answer       /to-plain a redirect to http://127.0.0.1:PLAIN_PORT/page
"""
import http.server
import os
import ssl
import sys

cert, key, plain_port = sys.argv[1], sys.argv[2], sys.argv[3]
PACKAGE = bytes((i * 7) % 256 for i in range(100000))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?")[0]
        if path == "/to-plain":
            self.send_response(302)
            self.send_header("Location", "http://127.0.0.1:%s/page" % plain_port)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = {"/page": b"secure page", "/ping": b"", "/package": PACKAGE}.get(path)
        if body is None:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], os.getpid(), flush=True)
server.serve_forever()
