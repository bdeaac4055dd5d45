#!/usr/bin/python3
"""A loopback statistics server for the ping checks.

Records the request line of every GET it receives (one per line, as sent) in
LOG and answers 200 with a one-pixel GIF.  Listens on 127.0.0.1 and, where the
system has it, ::1.  Writes READY_FILE once it listens.

usage: stats_server.py PORT LOG READY_FILE
"""
import http.server
import socket
import sys
import threading

PIXEL = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00"
         b"\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")


def main():
    port = int(sys.argv[1])
    log_path = sys.argv[2]
    ready_path = sys.argv[3]
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            with lock, open(log_path, "a", encoding="latin-1") as log:
                log.write(self.requestline + "\n")
            self.send_response(200)
            self.send_header("Content-Type", "image/gif")
            self.send_header("Content-Length", str(len(PIXEL)))
            self.end_headers()
            self.wfile.write(PIXEL)

        def log_message(self, *args):
            pass

    class Server4(http.server.ThreadingHTTPServer):
        address_family = socket.AF_INET
        allow_reuse_address = True

    class Server6(http.server.ThreadingHTTPServer):
        address_family = socket.AF_INET6
        allow_reuse_address = True

    servers = [Server4(("127.0.0.1", port), Handler)]
    try:
        servers.append(Server6(("::1", port), Handler))
    except OSError:
        pass
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    open(log_path, "a").close()
    with open(ready_path, "w") as ready:
        ready.write("ready\n")
    servers[0].serve_forever()


if __name__ == "__main__":
    main()
