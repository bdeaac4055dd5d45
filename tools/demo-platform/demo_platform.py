#!/usr/bin/python3
"""The Vexa demo platform: every host role of the game platform on this machine.

    /usr/bin/python3 tools/demo-platform/demo_platform.py [options]

Serves, by default on localhost (127.0.0.1 and ::1):

  web            :18080  start page /tavo/wd/index.html (the login page), official
                         site, forum, customer service, pay page, overview
  login          :18081  sign-in (/login), QQ and Weibo sign-in stand-ins (/qq?, /weibo?)
  game           :18082  server list /server/wan/?forward=..., the game /game?wd_entergame=1...
  wechat         :18083  WeChat open platform stand-in /connect/qrconnect
  stats          :18084  pings /ps.gif, listed newest first on /
  browser-stats  :18085  browser pings /web/ajax70 and /web/ajax71, listed on /
  download       :18086  /Vexa/tavo/official/app.ini and /Vexa/tavo/official/Vexatavo.exe

Every host also answers, for tests and people (these requests are not recorded):

  GET /_demo/records[?role=ROLE|all][&since=SEQ][&event=EVENT]
        JSON {"records": [...]} oldest first; the default role is the host's own
  GET /_demo/config
        JSON: each role's host and address, the start page, what the download host serves

Only the Python standard library; Ctrl+C (or SIGTERM) stops every server.
"""
import argparse
import errno
import http.server
import json
import os
import signal
import socket
import sys
import threading
import traceback
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import records as records_mod  # noqa: E402
import roles as roles_mod  # noqa: E402
from common import clock, q, redirect_page  # noqa: E402

MAX_BODY = 64 * 1024


class Platform:
    """Configuration shared by every role: where each role lives and how
    addresses between them are built."""

    def __init__(self, host, base_port, record_book, redirect_mode="page"):
        self.host_name = host
        self.base_port = base_port
        self.records = record_book
        self.redirect_mode = redirect_mode
        self.roles = {}   # every role object (a page of one role links to the others)
        self.served = []  # the roles that listen

    def port(self, role):
        return self.base_port + roles_mod.ROLE_ORDER.index(role)

    def host(self, role):
        return "%s:%d" % (self.host_name, self.port(role))

    def url(self, role, path):
        return "http://%s%s" % (self.host(role), path)

    def start_url(self):
        return self.url("web", "/tavo/wd/index.html")

    def enter_game_url(self, server, user):
        # "wd_username=" comes last: the client takes everything after it.
        return self.url("game", "/game?wd_entergame=1&wd_server=%s&wd_username=%s" % (q(server), q(user)))

    def server_list_url(self, forward):
        return self.url("game", "/server/wan/?forward=" + q(forward))

    def redirect(self, target, message, english, event, details):
        details = dict(details, redirect=self.redirect_mode)
        if self.redirect_mode == "http":
            return roles_mod.Response(b"", 302, "text/plain", event, details, [("Location", target)])
        return roles_mod.Response(redirect_page(target, message, english), event=event, details=details)


class Log:
    """One line per request on the console (or a file), safe across threads."""

    def __init__(self, stream, quiet):
        self.stream = stream
        self.quiet = quiet
        self.lock = threading.Lock()

    def line(self, text, always=False):
        if self.quiet and not always:
            return
        with self.lock:
            try:
                self.stream.write(text + "\n")
                self.stream.flush()
            except (OSError, ValueError):
                pass


# What the console says about the events a person wants to see happen.
HIGHLIGHTS = {
    "start-page": "the client's login page", "sign-in": "signed in", "game-page": "game page",
    "qq-authorize": "QQ sign-in", "weibo-authorize": "Weibo sign-in", "wechat-callback": "WeChat sign-in",
    "ping-install": "INSTALL PING", "ping-active": "ACTIVITY PING", "ping-uninstall": "UNINSTALL PING",
    "browser-ping-platform": "BROWSER PING (platform browser)", "browser-ping-other": "BROWSER PING (other browser)",
    "version-file": "VERSION CHECK", "upgrade-package": "UPGRADE PACKAGE", "pay-page": "pay page",
}


def make_handler(platform, role, log):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        default_request_version = "HTTP/1.0"  # even an unreadable request gets a status line
        timeout = 30  # an idle or stalled connection is dropped after this

        def version_string(self):
            return "VexaDemoPlatform/1.0"

        # --- reading ---------------------------------------------------------------------------
        def parse_request(self):
            # Blanks inside the target (an unescaped space in a query) are
            # read as %20 rather than refusing the whole request.
            self.blank_note = False
            words = self.raw_requestline.rstrip(b"\r\n").split(b" ")
            if len(words) > 3 and words[-1].startswith(b"HTTP/"):
                self.raw_requestline = (words[0] + b" " + b"%20".join(words[1:-1]) + b" " + words[-1]
                                        + b"\r\n")
                self.blank_note = True
            return super().parse_request()

        def do_GET(self):
            self.serve()

        def do_HEAD(self):
            self.serve()

        def do_POST(self):
            self.serve()

        def refuse_method(self):
            self.send_error(405, "method %s not allowed" % self.command)

        do_PUT = do_DELETE = do_PATCH = do_OPTIONS = do_TRACE = do_CONNECT = refuse_method

        def read_body(self):
            if self.command != "POST":
                return b""
            if self.headers.get("Transfer-Encoding"):
                raise roles_mod.BadRequest("chunked bodies are not accepted", 411)
            length = self.headers.get("Content-Length", "0").strip() or "0"
            if not length.isdigit():
                raise roles_mod.BadRequest("bad Content-Length %r" % length)
            if int(length) > MAX_BODY:
                raise roles_mod.BadRequest("body of %s bytes is too large" % length, 413)
            body = self.rfile.read(int(length))
            if len(body) != int(length):
                raise roles_mod.BadRequest("body shorter than its Content-Length")
            return body

        # --- answering -------------------------------------------------------------------------
        def serve(self):
            record = True
            try:
                body = self.read_body()
                req = roles_mod.Request(self.command, self.path, self.headers, body, self.client_address[0])
                if req.path.startswith("/_demo/"):
                    record = False
                    response = control(platform, role, req)
                else:
                    response = platform.roles[role].handle(req)
            except roles_mod.BadRequest as error:
                response = roles_mod.bad_page(str(error), error.status)
                self.close_connection = True
            except (ConnectionError, socket.timeout):
                self.close_connection = True
                return
            except Exception:  # a fault of the platform itself: answer, log, keep serving
                log.line("%s  %-13s internal error on %s\n%s" % (clock(), role, self.path,
                                                               traceback.format_exc()), always=True)
                response = roles_mod.Response("internal error", 500, "text/plain", "internal-error")
                self.close_connection = True
            # Recorded before it is sent: whoever has the answer finds its record.
            if record or response.status >= 400:
                self.note(response, recorded=record)
            self.answer(response)

        def answer(self, response):
            try:
                self.send_response(response.status)
                self.send_header("Content-Type", response.content_type)
                self.send_header("Content-Length", str(len(response.body)))
                for name, value in response.headers:
                    self.send_header(name, value)
                if self.close_connection:
                    self.send_header("Connection", "close")
                self.end_headers()
                if self.command != "HEAD" and response.status != 304:
                    self.wfile.write(response.body)
            except (ConnectionError, socket.timeout):
                self.close_connection = True

        def note(self, response, recorded=True):
            sent = 0 if self.command == "HEAD" or response.status == 304 else len(response.body)
            target = getattr(self, "path", "") or ""
            details = dict(response.details)
            if getattr(self, "blank_note", False):
                details["note"] = "blanks in the target were read as %20"
            entry = {
                "role": role, "host": platform.host(role), "method": self.command or "",
                "target": target, "path": "", "query": {}, "status": response.status, "bytes": sent,
                "event": response.event, "details": details,
                "headers": records_mod.pick_headers(getattr(self, "headers", None)),
                "client": self.client_address[0] if self.client_address else "",
            }
            try:
                split = urllib.parse.urlsplit(target if not target.startswith("/") else "http://x" + target)
                entry["path"] = urllib.parse.unquote(split.path, errors="replace")
                entry["query"] = dict(urllib.parse.parse_qsl(split.query, keep_blank_values=True,
                                                             errors="replace", max_num_fields=200))
            except ValueError:
                pass
            if recorded:
                platform.records.add(entry)
            self.log_entry(entry)

        def log_entry(self, entry):
            event = entry["event"]
            shown = entry["target"] if len(entry["target"]) <= 110 else entry["target"][:107] + "..."
            label = HIGHLIGHTS.get(event, event)
            if entry["status"] >= 400:
                label = "%s: %s" % (event, entry["details"].get("reason", ""))
            marker = ">>" if event in HIGHLIGHTS else "  "
            log.line("%s %s %-13s %3d %s %s  [%s]" % (clock(), marker, entry["role"], entry["status"],
                                                      entry["method"] or "-", shown, label),
                     always=entry["status"] >= 400)

        def send_error(self, code, message=None, explain=None):
            # Requests that could not be read: always a 4xx, recorded and logged.
            if code == 501:
                code = 405
            elif code >= 500:
                code = 400
            reason = message or self.responses.get(code, ("",))[0]
            self.close_connection = True
            response = roles_mod.bad_page(reason, code)
            if not getattr(self, "command", None):
                self.command = ""
            if not hasattr(self, "path"):
                self.path = self.requestline if hasattr(self, "requestline") else ""
            if not hasattr(self, "headers"):
                self.headers = None
            self.note(response)
            try:
                self.send_response_only(code, reason)
                self.send_header("Content-Type", response.content_type)
                self.send_header("Content-Length", str(len(response.body)))
                self.send_header("Connection", "close")
                self.end_headers()
                if self.command != "HEAD":
                    self.wfile.write(response.body)
            except (ConnectionError, socket.timeout):
                pass

        def log_message(self, *args):
            pass  # the platform logs each request itself (note)

    return Handler


def control(platform, role, req):
    """The /_demo/ endpoints: records and configuration as JSON."""
    if req.path == "/_demo/records":
        wanted = req.query.get("role", role)
        if wanted != "all" and wanted not in platform.roles:
            raise roles_mod.BadRequest("unknown role %r" % wanted)
        since = req.query.get("since", "0")
        if not since.isdigit():
            raise roles_mod.BadRequest("since must be a number")
        chosen = platform.records.select(None if wanted == "all" else wanted, int(since),
                                         req.query.get("event") or None)
        body = json.dumps({"role": wanted, "records": chosen}, ensure_ascii=False)
    elif req.path == "/_demo/config":
        body = json.dumps(describe(platform), ensure_ascii=False)
    else:
        raise roles_mod.BadRequest("unknown control address", 404)
    return roles_mod.Response(body, 200, "application/json; charset=utf-8", "control",
                              headers=[("Cache-Control", "no-store")])


def describe(platform):
    info = {"roles": {}, "start_page": platform.start_url(), "redirect": platform.redirect_mode}
    for key in platform.served:
        role = platform.roles[key]
        info["roles"][key] = {"host": platform.host(key), "url": platform.url(key, "/"), "serves": role.title}
    download = platform.roles.get("download")
    if download:
        info["download"] = {"version_file": roles_mod.VERSION_PATH, "package": roles_mod.PACKAGE_PATH,
                            "app_ini": download.app_ini, "offer": download.offer,
                            "upgrade_range": download.upgrade_range, "files": download.files,
                            "summary": download.describe()}
    return info


class Server4(http.server.ThreadingHTTPServer):
    address_family = socket.AF_INET
    allow_reuse_address = True
    daemon_threads = True


class Server6(Server4):
    address_family = socket.AF_INET6


def bind(platform, role, handler, addresses):
    """Servers of one role on each address; an address family this machine
    lacks is skipped, a port in use is fatal."""
    servers = []
    for address in addresses:
        cls = Server6 if ":" in address else Server4
        try:
            servers.append(cls((address, platform.port(role)), handler))
        except OSError as error:
            if error.errno in (errno.EADDRNOTAVAIL, errno.EAFNOSUPPORT) and ":" in address:
                continue
            for server in servers:
                server.server_close()
            raise OSError(error.errno, "cannot listen on %s port %d for the %s host: %s"
                          % (address, platform.port(role), role, error.strerror))
    return servers


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Every host role of the Vexa game platform on this machine, for the demo client.")
    parser.add_argument("--host", default="localhost",
                        help="host name in the addresses the pages use (default localhost; the client "
                             "refuses pop-ups to 127.0.0.1, so keep a name)")
    parser.add_argument("--base-port", type=int, default=18080,
                        help="port of the web host; the other roles follow it in order (default 18080)")
    parser.add_argument("--bind", action="append",
                        help="address to listen on, repeatable (default 127.0.0.1 and ::1)")
    parser.add_argument("--only", help="comma-separated roles to serve (default all): " + ",".join(roles_mod.ROLE_ORDER))
    parser.add_argument("--record", metavar="FILE", help="append every request as a JSON line to FILE")
    parser.add_argument("--log", metavar="FILE", help="write the request log to FILE instead of stdout")
    parser.add_argument("--quiet", action="store_true", help="log only the start, bad requests and errors")
    parser.add_argument("--ready-file", metavar="FILE", help="write the configuration as JSON to FILE once listening")
    parser.add_argument("--watch-pid", type=int, metavar="PID", help="stop when process PID has ended")
    parser.add_argument("--redirect", choices=("page", "http"), default="page",
                        help="sign-ins move on by a short page with a script (default) or by HTTP 302")
    parser.add_argument("--app-ini", metavar="FILE", help="serve FILE as given as the version file")
    parser.add_argument("--offer-upgrade", metavar="VERSION",
                        help="generated version file announces VERSION (default 3.0.0.0: no upgrade offered)")
    parser.add_argument("--upgrade-range", default="", metavar="RANGE",
                        help="upgraderange of the generated version file (default empty: every version)")
    parser.add_argument("--package", metavar="FILE", help="serve FILE as the upgrade package")
    parser.add_argument("--serve", action="append", default=[], metavar="PATH=FILE",
                        help="serve FILE at PATH on the download host, repeatable")
    args = parser.parse_args(argv)
    if not 1 <= args.base_port <= 65535 - len(roles_mod.ROLE_ORDER):
        parser.error("--base-port out of range")
    args.roles = roles_mod.ROLE_ORDER
    if args.only:
        args.roles = [r.strip() for r in args.only.split(",") if r.strip()]
        unknown = [r for r in args.roles if r not in roles_mod.ROLE_ORDER]
        if unknown or not args.roles:
            parser.error("unknown role(s) in --only: %s" % ", ".join(unknown))
    extra = {}
    for item in args.serve:
        path, sep, file = item.partition("=")
        if not sep or not path.startswith("/") or not file:
            parser.error("--serve takes PATH=FILE with PATH starting with /: %r" % item)
        extra[path] = file
    args.extra = extra
    for file in [args.app_ini, args.package] + list(extra.values()):
        if file and not os.path.isfile(file):
            parser.error("no such file: %s" % file)
    return args


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    stream = open(args.log, "a", encoding="utf-8") if args.log else sys.stdout
    log = Log(stream, args.quiet)
    book = records_mod.RecordBook(args.record)
    platform = Platform(args.host, args.base_port, book, args.redirect)
    for key in roles_mod.ROLE_ORDER:
        cls = roles_mod.ROLE_CLASSES[key]
        if key == "download":
            platform.roles[key] = cls(platform, args.app_ini, args.offer_upgrade, args.upgrade_range,
                                      args.package, args.extra)
        else:
            platform.roles[key] = cls(platform)

    platform.served = list(args.roles)
    addresses = args.bind or ["127.0.0.1", "::1"]
    servers = []
    try:
        for key in args.roles:
            servers += bind(platform, key, make_handler(platform, key, log), addresses)
    except OSError as error:
        for server in servers:
            server.server_close()
        print("demo platform: %s" % error.strerror, file=sys.stderr)
        if error.errno == errno.EADDRINUSE:
            print("demo platform: is another demo platform (or another program) using these ports?",
                  file=sys.stderr)
        return 1

    stop = threading.Event()
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    threads = [threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
               for s in servers]
    for thread in threads:
        thread.start()

    log.line("Vexa demo platform: every host role on this machine", always=True)
    for key in args.roles:
        log.line("  %-14s http://%-17s %s" % (key, platform.host(key) + "/", platform.roles[key].title),
                 always=True)
    log.line("  start page     %s" % platform.start_url(), always=True)
    if "download" in args.roles:
        log.line("  download       %s" % platform.roles["download"].describe(), always=True)
    log.line("  records        /_demo/records on every host%s"
             % ("; JSON lines in " + args.record if args.record else ""), always=True)
    log.line("Ready. Ctrl+C stops the platform.", always=True)
    if args.ready_file:
        with open(args.ready_file + ".tmp", "w", encoding="utf-8") as f:
            json.dump(describe(platform), f, ensure_ascii=False)
        os.replace(args.ready_file + ".tmp", args.ready_file)

    while not stop.wait(1.0):
        if args.watch_pid and not pid_alive(args.watch_pid):
            log.line("demo platform: process %d has ended" % args.watch_pid, always=True)
            break

    closers = [threading.Thread(target=s.shutdown) for s in servers]
    for closer in closers:
        closer.start()
    for closer in closers:
        closer.join(5)
    for server in servers:
        server.server_close()
    book.close()
    log.line("Vexa demo platform stopped.", always=True)
    if stream is not sys.stdout:
        stream.close()
    return 0


def pid_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


if __name__ == "__main__":
    sys.exit(main())
