#!/usr/bin/python3
"""Pages for the game-window test, served on loopback.

usage: game_test_server.py LOGFILE
Prints the port it listens on, then serves until killed.  Every request is
appended to LOGFILE as "PATH COOKIE-HEADER", so the test can tell which
addresses were fetched and with which cookies.
"""
import http.server
import sys

LOG = sys.argv[1]

GAME = """<!DOCTYPE html><html><head><meta charset='utf-8'><title>Orvane</title>
<script src="/assets/orvane.js"></script></head>
<body style="margin:0;background:#1f9d55;height:100vh">
<script>onload=function(){setTimeout(function(){document.title='Orvane \u5f97\u5206 '+score;},200);};</script>
</body></html>"""

PAGES = {
    "/game": GAME,
    "/whoami": "<!DOCTYPE html><html><head><title>whoami</title></head><body>me</body></html>",
    "/logout": "<!DOCTYPE html><html><head><title>bye</title></head><body>bye</body></html>",
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(LOG, "a", encoding="utf-8") as log:
            log.write(self.path + " " + self.headers.get("Cookie", "-") + "\n")
        path = self.path.split("?")[0]
        headers = []
        if path == "/assets/orvane.js":
            body = b"var score = 1;"
            ctype = "application/javascript"
            headers.append(("Cache-Control", "max-age=86400"))
        elif path in PAGES:
            body = PAGES[path].encode("utf-8")
            ctype = "text/html; charset=utf-8"
            headers.append(("Cache-Control", "no-store"))
            if path == "/game":
                headers.append(("Set-Cookie", "session=s-42; Path=/"))
        else:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("localhost", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
