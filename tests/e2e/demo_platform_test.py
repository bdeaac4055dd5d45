#!/usr/bin/python3
"""The demo platform from the outside: every host role at its fixed address,
the pages a player goes through, the records, bad requests, and stopping.

Binds the demo ports 18080-18086 on loopback: run it where nothing else uses
them (a private network namespace when several runs share a machine).

usage: demo_platform_test.py [unittest options]
"""
import http.client
import json
import os
import re
import signal
import socket
import subprocess
import tempfile
import time
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
PLATFORM = os.path.join(HERE, "..", "..", "tools", "demo-platform", "demo_platform.py")
PORTS = {"web": 18080, "login": 18081, "game": 18082, "wechat": 18083, "stats": 18084,
         "browser-stats": 18085, "download": 18086}


class Platform:
    """One platform process with its own record file, log and ready file."""

    def __init__(self, *args):
        self.dir = tempfile.mkdtemp(prefix="demo-platform-test-")
        self.record = os.path.join(self.dir, "records.jsonl")
        self.log = os.path.join(self.dir, "platform.log")
        ready = os.path.join(self.dir, "ready.json")
        with open(self.log, "w") as log:
            self.proc = subprocess.Popen(
                ["/usr/bin/python3", PLATFORM, "--record", self.record, "--ready-file", ready,
                 "--watch-pid", str(os.getpid())] + list(args), stdout=log, stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while not os.path.exists(ready):
            if self.proc.poll() is not None or time.time() > deadline:
                raise RuntimeError("the platform did not start:\n" + self.log_text())
            time.sleep(0.05)
        with open(ready) as f:
            self.config = json.load(f)

    def log_text(self):
        with open(self.log, encoding="utf-8") as f:
            return f.read()

    def records(self, role="all", since=0):
        status, _, body = request(next(iter(self.config["roles"])), "GET", "/_demo/records?role=%s&since=%d" % (role, since))
        assert status == 200, body
        return json.loads(body)["records"]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGINT)
            try:
                return self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                raise
        return self.proc.returncode


def request(role, method, target, body=None, headers=None, host="localhost"):
    conn = http.client.HTTPConnection(host, PORTS[role], timeout=10)
    try:
        hdrs = dict(headers or {})
        if body is not None and "Content-Type" not in hdrs:
            hdrs["Content-Type"] = "application/x-www-form-urlencoded"
        conn.request(method, target, body=body, headers=hdrs)
        response = conn.getresponse()
        data = response.read()
        return response.status, response, data.decode("utf-8", "replace") if not _binary(response) else data
    finally:
        conn.close()


def _binary(response):
    ctype = response.getheader("Content-Type", "")
    return not (ctype.startswith("text/") or "json" in ctype or "javascript" in ctype)


def raw(role, data, read_all=True):
    """Sends bytes as they are and returns the status line of the answer."""
    with socket.create_connection(("127.0.0.1", PORTS[role]), timeout=10) as sock:
        sock.sendall(data)
        answer = b""
        while read_all:
            try:
                chunk = sock.recv(65536)
            except (ConnectionResetError, socket.timeout):
                break
            if not chunk:
                break
            answer += chunk
    return answer.split(b"\r\n", 1)[0].decode("latin-1")


def redirect_target(page):
    """Where a sign-in page moves on to (the script's location.replace)."""
    match = re.search(r'location\.replace\("([^"]*)"\)', page)
    assert match, page
    return json.loads('"%s"' % match.group(1))


def url_param(url, name):
    """The client's reading: the text after name= up to the next '&'."""
    at = url.find(name + "=")
    if at < 0:
        return ""
    rest = url[at + len(name) + 1:]
    return rest.split("&", 1)[0]


def target_of(url):
    split = urllib.parse.urlsplit(url)
    return split.path + ("?" + split.query if split.query else "")


def port_open(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


class DefaultPlatform(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.platform = Platform()

    @classmethod
    def tearDownClass(cls):
        code = cls.platform.stop()
        assert code == 0, "the platform ended with %s:\n%s" % (code, cls.platform.log_text())

    def last(self, event):
        found = [r for r in self.platform.records() if r["event"] == event]
        self.assertTrue(found, "no %s record" % event)
        return found[-1]

    def test_every_role_answers_on_both_loopback_addresses(self):
        for role, port in PORTS.items():
            for host in ("127.0.0.1", "::1"):
                family = socket.AF_INET6 if ":" in host else socket.AF_INET
                try:
                    sock = socket.socket(family)
                    sock.settimeout(5)
                    sock.connect((host, port))
                except OSError as error:
                    if host == "::1":
                        continue  # no IPv6 loopback on this machine
                    self.fail("%s %s:%d: %s" % (role, host, port, error))
                sock.sendall(b"GET / HTTP/1.0\r\n\r\n")
                self.assertIn(b" 200 ", sock.recv(100), role)
                sock.close()
        self.assertEqual(self.platform.config["start_page"], "http://localhost:18080/tavo/wd/index.html")

    def test_start_page_and_sign_in(self):
        query = ("referer=Vexawancom&frm=tavo&version=3000&installtime=20240102&runcount=1"
                 "&curtime=20240102030405&showlogintype=3&regtimes=1")
        status, response, page = request("web", "GET", "/tavo/wd/index.html?" + query)
        self.assertEqual(status, 200)
        self.assertEqual(int(response.getheader("Content-Length")), len(page.encode("utf-8")))
        self.assertIn('name="account"', page)
        self.assertIn('name="password"', page)
        self.assertIn('action="http://localhost:18081/login"', page)
        self.assertIn('window.open("http://localhost:18081/qq?', page)
        self.assertIn('window.open("http://localhost:18081/weibo?', page)
        self.assertIn('location.href="http://localhost:18083/connect/qrconnect?', page)
        self.assertIn("欢迎新玩家", page)
        record = self.last("start-page")
        self.assertEqual(record["details"]["runcount"], "1")
        self.assertEqual(record["details"]["regtimes"], "1")
        self.assertEqual(record["query"]["curtime"], "20240102030405")

        status, _, page = request("login", "POST", "/login", "account=bob&password=x&server=s2")
        self.assertEqual(status, 200)
        self.assertEqual(redirect_target(page),
                         "http://localhost:18082/game?wd_entergame=1&wd_server=s2&wd_username=bob")
        record = self.last("sign-in")
        self.assertEqual((record["details"]["account"], record["details"]["server"]), ("bob", "s2"))
        self.assertNotIn("password", json.dumps(record))

        # A name with blanks and Chinese is carried percent-encoded, last.
        status, _, page = request("login", "POST", "/login",
                                  "account=" + urllib.parse.quote("小明 &x") + "&server=s1")
        target = redirect_target(page)
        self.assertTrue(target.endswith("&wd_username=%E5%B0%8F%E6%98%8E%20%26x"), target)

        # An empty account stays on the login page with a message.
        status, _, page = request("login", "POST", "/login", "account=%20%20&server=s1")
        self.assertEqual(status, 200)
        self.assertIn("请输入账号", page)
        self.assertNotIn("location.replace", page)
        self.assertEqual(self.last("sign-in-refused")["details"]["reason"], "empty account")

    def test_game_page_session_and_cacheable_asset(self):
        target = "/game?wd_entergame=1&wd_server=s3&wd_username=%E5%B0%8F%E6%98%8E"
        status, response, page = request("game", "GET", target)
        self.assertEqual(status, 200)
        cookie = response.getheader("Set-Cookie")
        self.assertRegex(cookie, r"^VEXA_SID=[0-9a-f]{16}; Path=/")
        sid = cookie.split(";")[0]
        self.assertIn("<title>VexaOrvane · 三区 · 朱雀</title>", page)
        self.assertIn("小明", page)
        self.assertRegex(page, r'href="http://localhost:18082/logout\?wd_returnlogin=1"')
        self.assertRegex(page, r'href="[^"]+\.exe"')
        self.assertRegex(page, r'<a id="news" href="[^"]+" target="_blank"')
        asset = re.search(r'<script src="(/assets/orvane\.js\?v=\w+)"', page).group(1)
        self.assertIn("document.title", request("game", "GET", asset)[2])

        status, response, script = request("game", "GET", asset, headers={"Cookie": sid})
        self.assertEqual(status, 200)
        self.assertIn("max-age=86400", response.getheader("Cache-Control"))
        etag = response.getheader("ETag")
        status, response, body = request("game", "GET", asset, headers={"Cookie": sid, "If-None-Match": etag})
        self.assertEqual((status, len(body)), (304, 0))
        status, _, info = request("game", "GET", "/session/info", headers={"Cookie": sid})
        info = json.loads(info)
        self.assertEqual((info["asset_downloads"], info["asset_revalidations"]), (1, 1))

        # Coming back with the cookie continues the session.
        status, response, page = request("game", "GET", target, headers={"Cookie": sid})
        self.assertIsNone(response.getheader("Set-Cookie"))
        record = self.last("game-page")
        self.assertEqual(record["details"]["user"], "小明")
        self.assertEqual(record["details"]["server"], "s3")
        self.assertFalse(record["details"]["new_session"])
        self.assertEqual(record["details"]["visits"], 2)
        self.assertEqual(record["headers"]["Cookie"], sid)
        self.assertEqual(request("game", "GET", "/session/info")[0], 403)

        status, _, page = request("game", "GET", "/logout?wd_returnlogin=1", headers={"Cookie": sid})
        self.assertEqual(status, 200)
        self.assertTrue(self.last("return-login")["details"]["returnlogin"])
        status, response, body = request("game", "GET", "/download/VexaOrvane-HD-Setup.exe")
        self.assertEqual((status, body[:2]), (200, b"MZ"))

    def check_quick_sign_in(self, kind, prefix):
        status, _, page = request("login", "GET", "/%s?response_type=code&state=ab12&server=s4" % kind)
        self.assertEqual(status, 200)
        self.assertIn('action="/%s/authorize"' % kind, page)
        self.assertIn("/%s/cancel?wd_returnlogin=1" % kind, page)
        status, _, page = request("login", "POST", "/%s/authorize" % kind, "account=10001&state=ab12&server=s4")
        target = redirect_target(page)
        self.assertTrue(target.startswith("http://localhost:18082/server/wan/?forward="), target)
        forward = url_param(target, "forward")
        self.assertNotIn("&", forward)
        self.assertEqual(urllib.parse.unquote(forward),
                         "http://localhost:18082/game?wd_entergame=1&wd_server=s4&wd_username=%s10001" % prefix)
        status, _, page = request("game", "GET", target_of(target))
        self.assertEqual(status, 200)
        self.assertIn("location.replace", page)
        self.assertEqual(self.last("server-list")["details"]["forward"], urllib.parse.unquote(forward))
        status, _, page = request("login", "POST", "/%s/authorize" % kind, "account=&state=ab12&server=s4")
        self.assertIn("请输入账号", page)

    def test_qq_and_weibo_sign_in_end_at_the_server_list(self):
        self.check_quick_sign_in("qq", "qq_")
        self.check_quick_sign_in("weibo", "wb_")

    def test_wechat_sign_in(self):
        back = urllib.parse.quote("http://localhost:18081/oauth/wechat?server=s2", safe="")
        status, _, page = request("wechat", "GET", "/connect/qrconnect?appid=wx1062demo&redirect_uri=%s"
                                  "&response_type=code&scope=snsapi_login&state=st1" % back)
        self.assertEqual(status, 200)
        self.assertIn('action="/connect/confirm"', page)
        status, _, page = request("wechat", "POST", "/connect/confirm",
                                  "nickname=wxp&state=st1&redirect_uri=" + back)
        callback = redirect_target(page)
        self.assertTrue(callback.startswith("http://localhost:18081/oauth/wechat?server=s2&code="), callback)
        self.assertTrue(callback.endswith("&state=st1"), callback)
        status, _, page = request("login", "GET", target_of(callback))
        target = redirect_target(page)
        self.assertEqual(urllib.parse.unquote(url_param(target, "forward")),
                         "http://localhost:18082/game?wd_entergame=1&wd_server=s2&wd_username=wx_wxp")
        # A code serves once.
        self.assertEqual(request("login", "GET", target_of(callback))[0], 400)
        self.assertEqual(request("wechat", "GET", "/connect/qrconnect?appid=x&state=1")[0], 400)

    def test_web_host_pages(self):
        for target, event, text in [
                ("/tavo.html?frm=pkgs-wd-tavo&referer=pkgs", "official-site", "官方网站"),
                ("/bbs.html?gid=1062", "forum", "论坛"), ("/kefu.html?gid=1062", "customer-service", "客服中心"),
                ("/news.html?from=game", "news", "活动公告"), ("/", "home", "演示平台")]:
            status, _, page = request("web", "GET", target)
            self.assertEqual(status, 200, target)
            self.assertIn(text, page)
            self.assertEqual(self.last(event)["target"], target)
        status, _, page = request("web", "GET", "/pay.html?gid=1062&sid=s2&uid=bob")
        self.assertIn('<td id="server">二区 · 白虎', page)
        self.assertIn('<td id="account">bob</td>', page)
        self.assertEqual(self.last("pay-page")["details"], {"gid": "1062", "sid": "s2", "uid": "bob"})
        status, _, page = request("web", "GET", "/pay.html?gid=1062&sid=&uid=")
        self.assertIn("uid 为空", page)

    def test_pings_are_recorded_and_listed_newest_first(self):
        base = ("/ps.gif?id=2&gid=1062&e1=wd&e2=Vexawancom&e3=tavo&e4=%s&e5=0123456789abcdef0123456789abcdef"
                "&e6=2%s&e8=3000&e9=2024-01-02%%2003:04:05&at=%s")
        guid = "0123456789ABCDEF0123456789ABCDEF"
        status, response, body = request("stats", "GET", base % (guid, "", "2"))
        self.assertEqual((status, response.getheader("Content-Type"), body[:6]), (200, "image/gif", b"GIF89a"))
        self.assertEqual(int(response.getheader("Content-Length")), len(body))
        request("stats", "GET", base % (guid, "&e7=1", "6"))
        install, uninstall = [r for r in self.platform.records("stats") if r["event"].startswith("ping-")][-2:]
        self.assertEqual(install["event"], "ping-install")
        self.assertEqual(install["details"]["guid"], guid)
        self.assertEqual(install["details"]["install_time"], "2024-01-02 03:04:05")
        self.assertEqual((uninstall["event"], uninstall["details"]["e7"]), ("ping-uninstall", "1"))
        page = request("stats", "GET", "/")[2]
        self.assertLess(page.index("卸载 uninstall"), page.index("安装 install"))

        page_url = "http://localhost:18080/pay.html?gid=1062&sid=s1&uid=bob"
        encoded = "".join(c if c.isalnum() else "%%%02x" % ord(c) for c in page_url)
        status, _, _ = request("browser-stats", "GET", "/web/ajax71?uId2=QMVKTRZDWA&r=%s&lO=Dazede" % encoded)
        self.assertEqual(status, 200)
        status, _, _ = request("browser-stats", "GET", "/web/ajax70?uId2=QMVKTRZDWA&r=%s&lO=Dazede" % encoded,
                               headers={"Referer": page_url, "Cookie": "c=1"})
        other, platform = self.platform.records("browser-stats")[-2:]
        self.assertEqual((other["event"], other["details"]["page"]), ("browser-ping-other", page_url))
        self.assertEqual((platform["event"], platform["details"]["referer"]), ("browser-ping-platform", page_url))
        page = request("browser-stats", "GET", "/")[2]
        self.assertLess(page.index("平台浏览器 ajax70"), page.index("其他浏览器 ajax71"))

    def test_download_host_offers_no_upgrade_by_default(self):
        status, response, body = request("download", "GET", "/Vexa/tavo/official/app.ini")
        self.assertEqual(status, 200)
        self.assertIn("[version]\r\ncurrentversion=3.0.0.0\r\nupgraderange=\r\n", body)
        self.assertEqual(int(response.getheader("Content-Length")), len(body.encode()))
        self.assertEqual(request("download", "GET", "/Vexa/tavo/official/Vexatavo.exe")[0], 404)
        fetched = [r["event"] for r in self.platform.records("download")][-2:]
        self.assertEqual(fetched, ["version-file", "upgrade-package"])

    def test_bad_requests_get_4xx_a_record_and_a_log_line(self):
        since = self.platform.records()[-1]["seq"] if self.platform.records() else 0
        cases = [
            ("web", b"GARBAGE\r\n\r\n", "400"),
            ("web", b"GET / HTTP/9.9\r\n\r\n", "400"),
            ("login", b"DELETE / HTTP/1.1\r\nHost: x\r\n\r\n", "405"),
            ("login", b"BREW /pot HTTP/1.1\r\nHost: x\r\n\r\n", "405"),
            ("game", b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\n\r\n", "414"),
            ("game", b"GET / HTTP/1.1\r\nX: " + b"b" * 70000 + b"\r\n\r\n", "431"),
            ("login", b"POST /login HTTP/1.1\r\nContent-Length: ten\r\n\r\n", "400"),
            ("login", b"POST /login HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n", "413"),
            ("login", b"POST /login HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", "411"),
            ("login", b"POST /login HTTP/1.1\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nhi", "415"),
            ("web", b"GET ftp://x/y HTTP/1.1\r\n\r\n", "400"),
            ("stats", b"GET /ps.gif?" + b"&".join(b"k%d=1" % i for i in range(300)) + b" HTTP/1.1\r\n\r\n", "400"),
            ("stats", b"GET /ps.gif?id=2&gid=1062&at=9 HTTP/1.1\r\n\r\n", "400"),
            ("browser-stats", b"GET /web/ajax70?uId2=Q HTTP/1.1\r\n\r\n", "400"),
            ("game", b"GET /server/wan/?forward=javascript%3Aalert(1) HTTP/1.1\r\n\r\n", "400"),
            ("download", b"GET /nothing-here HTTP/1.1\r\nConnection: close\r\n\r\n", "404"),
            ("web", b"GET /_demo/records?since=x HTTP/1.1\r\n\r\n", "400"),
            ("web", b"GET /_demo/records?role=nobody HTTP/1.1\r\n\r\n", "400"),
        ]
        for role, data, code in cases:
            self.assertIn(" %s " % code, raw(role, data) + " ", data[:60])
        # A half-sent request does no harm either; it is read when the client
        # gives up and answered like the others.
        raw("web", b"GET / HT", read_all=False)
        deadline = time.time() + 5
        while not [r for r in self.platform.records(since=since) if r["target"] == "GET / HT"]:
            self.assertLess(time.time(), deadline, "the half-sent request was not recorded")
            time.sleep(0.05)
        # A blank in a ping's query is read as %20.
        self.assertIn(" 200 ", raw("stats", b"GET /ps.gif?id=2&gid=1062&e9=2024-01-02 03:04:05&at=5 HTTP/1.1\r\n"
                                            b"Connection: close\r\n\r\n"))
        self.assertEqual(self.last("ping-active")["details"]["install_time"], "2024-01-02 03:04:05")

        bad = [r for r in self.platform.records(since=since) if r["status"] >= 400]
        # Every case but the two control addresses, and the half-sent request.
        self.assertEqual(len(bad), len(cases) - 2 + 1, json.dumps(bad, ensure_ascii=False)[:2000])
        self.assertTrue(all(400 <= r["status"] < 500 for r in bad))
        time.sleep(0.3)
        log = self.platform.log_text()
        self.assertEqual(log.count(" 400 ") >= 8, True, log)
        self.assertIn("405 BREW", log)
        self.assertNotIn("Traceback", log)
        self.assertEqual(request("web", "GET", "/")[0], 200)

    def test_record_file_holds_every_recorded_request(self):
        request("web", "GET", "/bbs.html?gid=1062")
        with open(self.platform.record, encoding="utf-8") as f:
            from_file = [json.loads(line) for line in f]
        served = self.platform.records()
        self.assertEqual([r["seq"] for r in from_file], [r["seq"] for r in served])
        self.assertEqual(from_file[-1]["target"], "/bbs.html?gid=1062")
        self.assertFalse([r for r in served if r["path"].startswith("/_demo/")])
        one_role = self.platform.records("download")
        self.assertTrue(all(r["role"] == "download" for r in one_role))


class ConfiguredDownloads(unittest.TestCase):
    def test_files_given_on_the_command_line_are_served_as_given(self):
        folder = tempfile.mkdtemp(prefix="demo-platform-files-")
        ini = os.path.join(folder, "app.ini")
        package = os.path.join(folder, "setup.exe")
        signature = os.path.join(folder, "setup.sig")
        with open(ini, "wb") as f:
            f.write(b"[version]\ncurrentversion=3.0.0.7\nupgraderange=2990-3005\n")
        with open(package, "wb") as f:
            f.write(b"MZ" + bytes(range(256)) * 40)
        with open(signature, "wb") as f:
            f.write(b"\x30\x44signature")
        platform = Platform("--app-ini", ini, "--package", package, "--serve", "/Vexa/tavo/official/x.sig=" + signature,
                            "--redirect", "http", "--only", "download,login")
        try:
            self.assertEqual(request("download", "GET", "/Vexa/tavo/official/app.ini")[2],
                             "[version]\ncurrentversion=3.0.0.7\nupgraderange=2990-3005\n")
            status, response, body = request("download", "GET", "/Vexa/tavo/official/Vexatavo.exe")
            self.assertEqual((status, body), (200, open(package, "rb").read()))
            self.assertEqual(int(response.getheader("Content-Length")), len(body))
            self.assertEqual(request("download", "HEAD", "/Vexa/tavo/official/x.sig")[0], 200)
            self.assertEqual(request("download", "GET", "/Vexa/tavo/official/x.sig")[2], open(signature, "rb").read())
            # The version file is read at each request: a changed file is served at once.
            with open(ini, "wb") as f:
                f.write(b"[version]\ncurrentversion=3.0.0.8\n")
            self.assertIn("3.0.0.8", request("download", "GET", "/Vexa/tavo/official/app.ini")[2])
            events = [(r["event"], r["status"]) for r in platform.records("download")]
            self.assertEqual(events, [("version-file", 200), ("upgrade-package", 200), ("download-file", 200),
                                      ("download-file", 200), ("version-file", 200)])
            self.assertEqual(platform.records("download")[0]["details"]["currentversion"], "3.0.0.7")
            # Sign-ins move on by HTTP redirects in this mode.
            status, response, _ = request("login", "POST", "/login", "account=amy&server=s1")
            self.assertEqual((status, response.getheader("Location")),
                             (302, "http://localhost:18082/game?wd_entergame=1&wd_server=s1&wd_username=amy"))
            self.assertFalse(port_open(PORTS["web"]))
        finally:
            self.assertEqual(platform.stop(), 0)

    def test_generated_version_file_offers_an_upgrade(self):
        platform = Platform("--offer-upgrade", "3.0.0.1", "--upgrade-range", "3000", "--only", "download")
        try:
            body = request("download", "GET", "/Vexa/tavo/official/app.ini")[2]
            self.assertIn("currentversion=3.0.0.1\r\nupgraderange=3000\r\n", body)
        finally:
            self.assertEqual(platform.stop(), 0)


class Lifecycle(unittest.TestCase):
    def test_ctrl_c_stops_every_server_and_frees_the_ports(self):
        platform = Platform()
        self.assertTrue(all(port_open(p) for p in PORTS.values()))
        # A second platform cannot take the same ports, says so and ends.
        second = subprocess.run(["/usr/bin/python3", PLATFORM], capture_output=True, text=True, timeout=30)
        self.assertEqual(second.returncode, 1)
        self.assertIn("is another demo platform", second.stderr)
        # An open keep-alive connection does not hold the platform up.
        keep = socket.create_connection(("127.0.0.1", PORTS["game"]))
        keep.sendall(b"GET / HTTP/1.1\r\nHost: x\r\n\r\n")
        keep.recv(100)
        started = time.time()
        self.assertEqual(platform.stop(), 0)
        self.assertLess(time.time() - started, 5)
        keep.close()
        self.assertFalse(any(port_open(p) for p in PORTS.values()))
        self.assertIn("Vexa demo platform stopped.", platform.log_text())

    def test_stops_when_the_watched_process_ends(self):
        sleeper = subprocess.Popen(["sleep", "60"])
        folder = tempfile.mkdtemp(prefix="demo-platform-watch-")
        ready = os.path.join(folder, "ready")
        proc = subprocess.Popen(["/usr/bin/python3", PLATFORM, "--quiet", "--only", "stats", "--watch-pid",
                                 str(sleeper.pid), "--ready-file", ready], stdout=subprocess.DEVNULL)
        try:
            deadline = time.time() + 20
            while not os.path.exists(ready) and time.time() < deadline:
                time.sleep(0.05)
            self.assertTrue(port_open(PORTS["stats"]))
            sleeper.kill()
            sleeper.wait()
            self.assertEqual(proc.wait(10), 0)
            self.assertFalse(port_open(PORTS["stats"]))
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()

    def test_bad_command_lines_are_refused(self):
        for args in (["--only", "nosuchrole"], ["--serve", "nopath"], ["--package", "/no/such/file"],
                     ["--base-port", "70000"]):
            result = subprocess.run(["/usr/bin/python3", PLATFORM] + args, capture_output=True, text=True,
                                    timeout=30)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn("error:", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
