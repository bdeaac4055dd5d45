"""The host roles of the demo platform.

Each role answers a request with a Response that names what the request meant
(its event) and the facts worth recording; the HTTP side (demo_platform.py)
sends it, records it and logs it.  Every answer carries Content-Length.
"""
import configparser
import hashlib
import http.cookies
import json
import os
import secrets
import threading
import time
import urllib.parse

import pages
from common import BRAND, GAME, GAME_ID, clock, esc, frame, q, server_name

HTML = "text/html; charset=utf-8"
PIXEL = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00"
         b"\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")
MAX_FIELD = 256  # longest account, nickname or server id accepted


class BadRequest(Exception):
    """A request the platform refuses with a 4xx answer."""

    def __init__(self, message, status=400):
        super().__init__(message)
        self.status = status


class Request:
    """One parsed request.  target is kept exactly as received."""

    def __init__(self, method, target, headers, body, client):
        self.method = method
        self.target = target
        self.headers = headers
        self.client = client
        split = urllib.parse.urlsplit(target)
        if target.startswith("/"):
            split = urllib.parse.urlsplit("http://x" + target)
        elif split.scheme not in ("http", "https"):
            raise BadRequest("request target is neither a path nor an http address")
        self.path = urllib.parse.unquote(split.path or "/", errors="replace")
        self.raw_query = split.query
        self.query = _parse_fields(split.query)
        self.form = {}
        if body:
            ctype = (headers.get("Content-Type") or "").split(";")[0].strip().lower()
            if ctype != "application/x-www-form-urlencoded":
                raise BadRequest("only form bodies are accepted", 415)
            self.form = _parse_fields(body.decode("latin-1"))
        self.cookies = {}
        cookie_header = headers.get("Cookie")
        if cookie_header:
            jar = http.cookies.SimpleCookie()
            try:
                jar.load(cookie_header)
            except http.cookies.CookieError:
                pass
            self.cookies = {k: v.value for k, v in jar.items()}

    def param(self, name, default=""):
        value = self.form.get(name, self.query.get(name, default))
        return value

    def field(self, name, default=""):
        """A short text field from the form or the query, trimmed."""
        value = self.param(name, default).strip()
        if len(value) > MAX_FIELD:
            raise BadRequest("%s is longer than %d characters" % (name, MAX_FIELD))
        return value


def _parse_fields(text):
    try:
        pairs = urllib.parse.parse_qsl(text, keep_blank_values=True, encoding="utf-8",
                                       errors="replace", max_num_fields=200)
    except ValueError as error:
        raise BadRequest("unreadable query: %s" % error)
    fields = {}
    for key, value in pairs:
        fields.setdefault(key, value)
    return fields


class Response:
    def __init__(self, body=b"", status=200, content_type=HTML, event="page", details=None,
                 headers=None):
        self.body = body.encode("utf-8") if isinstance(body, str) else body
        self.status = status
        self.content_type = content_type
        self.event = event
        self.details = details or {}
        self.headers = list(headers or [])


def not_found(req, what="page"):
    body = frame("404", "", '<div class="card"><h1>找不到页面<span class="en">Not found</span></h1>'
                 '<p class="muted mono">%s</p><p>这个演示平台没有这个%s。</p></div>'
                 % (esc(req.target), esc(what)))
    return Response(body, 404, event="not-found", details={"reason": "no such %s" % what})


def bad_page(message, status=400, event="bad-request"):
    body = frame("%d" % status, "", '<div class="card"><h1>请求有误<span class="en">Bad request</span>'
                 '</h1><p class="mono">%s</p></div>' % esc(message))
    return Response(body, status, event=event, details={"reason": message})


class Role:
    key = ""
    title = ""
    routes = {}

    def __init__(self, platform):
        self.p = platform

    def handle(self, req):
        name = self.routes.get(req.path)
        if name is None:
            return not_found(req)
        return getattr(self, name)(req)


# --- web host ------------------------------------------------------------------------------------

class WebRole(Role):
    key = "web"
    title = "platform web host: start page, official site, forum, customer service, pay page"
    routes = {
        "/": "home", "/index.html": "home", "/tavo/wd/index.html": "start_page",
        "/tavo.html": "official", "/bbs.html": "forum", "/kefu.html": "service",
        "/kefu/ticket": "ticket", "/pay.html": "pay", "/pay/confirm": "pay_confirm",
        "/news.html": "news", "/activity.html": "activity",
    }

    def nav(self):
        return [(self.p.url("web", "/tavo.html?frm=pkgs-wd-tavo&referer=pkgs"), "官网 Official"),
                (self.p.url("web", "/bbs.html?gid=" + GAME_ID), "论坛 Forum"),
                (self.p.url("web", "/kefu.html?gid=" + GAME_ID), "客服 Service"),
                (self.p.url("web", "/pay.html?gid=" + GAME_ID + "&sid=&uid="), "充值 Pay")]

    def start_page(self, req):
        details = {k: req.query.get(k, "") for k in ("referer", "frm", "version", "installtime",
                                                      "runcount", "curtime", "showlogintype")}
        details["regtimes"] = req.query.get("regtimes", "")
        return Response(pages.login_page(self.p, req.query), event="start-page", details=details)

    def home(self, req):
        rows = "".join(
            '<tr><td>%s</td><td><a href="%s">%s</a></td><td>%s</td></tr>'
            % (esc(role.key), esc(self.p.url(role.key, "/")), esc(self.p.host(role.key)),
               esc(role.title)) for role in self.p.roles.values())
        body = ('<div class="card"><h1>%s 演示平台<span class="en">Demo platform</span></h1>'
                '<p>每个主机角色都在本机运行。客户端的登录页：<a href="%s">%s</a></p>'
                '<table><tr><th>角色 Role</th><th>地址 Address</th><th>内容 Serves</th></tr>%s</table></div>'
                '<div class="card"><h2>查看 Watch</h2><p><a href="%s">统计 Pings</a> · '
                '<a href="%s">浏览器统计 Browser pings</a> · <a href="%s">下载 Downloads</a> · '
                '<a href="/activity.html">全部请求 All requests</a> · '
                '<a href="/_demo/records?role=all">records (JSON)</a></p></div>'
                % (BRAND, esc(self.p.start_url()), esc(self.p.start_url()), rows,
                   esc(self.p.url("stats", "/")), esc(self.p.url("browser-stats", "/")),
                   esc(self.p.url("download", "/"))))
        return Response(frame("%s 演示平台" % BRAND, "演示平台 Demo platform", body, self.nav()),
                        event="home")

    def activity(self, req):
        records = self.p.records.select()[-200:]
        rows = "".join(
            '<tr><td>%d</td><td>%s</td><td>%s</td><td class="mono">%s %s</td><td>%s</td><td>%s</td></tr>'
            % (r["seq"], clock(r["time"]), esc(r["role"]), esc(r["method"]), esc(r["target"][:160]),
               r["status"], esc(r.get("event", ""))) for r in reversed(records))
        body = ('<div class="card"><h1>全部请求<span class="en">Every request, newest first</span></h1>'
                '<table><tr><th>#</th><th>时间</th><th>角色</th><th>请求</th><th>状态</th><th>含义</th></tr>'
                '%s</table></div>' % rows)
        return Response(frame("全部请求", "演示平台 Demo platform", body, self.nav(),
                              '<meta http-equiv="refresh" content="3">'), event="activity")

    def official(self, req):
        features = [("星夜捕星", "Catch the stars", "驾驶灯笼小舟，收集坠落的星辰，躲开彗星。"),
                    ("四大服务器", "Four realms", "青龙、白虎、朱雀、玄武，随时切换。"),
                    ("微端畅玩", "Micro-client", "小巧的客户端，登录即玩，版本自动更新。")]
        cards = "".join('<div class="card"><h2>%s<span class="en">%s</span></h2><p>%s</p></div>'
                        % f for f in features)
        body = ('<div class="card" style="text-align:center;padding:34px"><h1 style="font-size:34px;'
                'color:#ffd36b">%s</h1><p>星夜奥凡 · 经典再现 — 官方网站 Official site</p>'
                '<p><a class="btn" href="%s">开始游戏 Play now</a> <a class="btn ghost" href="%s">'
                '论坛 Forum</a></p><p class="muted">来源 frm=%s · referer=%s</p></div><div class="grid">%s</div>'
                % (GAME, esc(self.p.start_url()), esc(self.p.url("web", "/bbs.html?gid=" + GAME_ID)),
                   esc(req.query.get("frm", "")), esc(req.query.get("referer", "")), cards))
        return Response(frame("%s 官方网站" % GAME, "官方网站 Official site", body, self.nav()),
                        event="official-site", details={"frm": req.query.get("frm", ""),
                                                        "referer": req.query.get("referer", "")})

    def forum(self, req):
        threads = [("置顶", "新手指南：五分钟学会捕星", "GM小月", 328), ("公告", "四区·玄武今日开放", "运营团队", 96),
                   ("攻略", "彗星躲避的三个技巧", "夜行者", 57), ("闲聊", "大家最高多少分？", "bob", 41),
                   ("建议", "希望增加更多关卡", "wxplayer", 12)]
        rows = "".join('<tr><td><span class="tag gold">%s</span></td><td><a href="#">%s</a></td><td>%s</td>'
                       '<td>%d</td></tr>' % t for t in threads)
        body = ('<div class="card"><h1>%s 玩家论坛<span class="en">Forum · gid %s</span></h1>'
                '<table><tr><th>分类</th><th>主题 Topic</th><th>作者</th><th>回复</th></tr>%s</table></div>'
                % (GAME, esc(req.query.get("gid", "")), rows))
        return Response(frame("%s 论坛" % GAME, "论坛 Forum", body, self.nav()), event="forum",
                        details={"gid": req.query.get("gid", "")})

    def service(self, req):
        faq = [("登录不了怎么办？", "检查网络后点击客户端里的“点击这里重试”。"),
               ("充值没到账？", "演示平台不会真实扣款，请放心。"),
               ("如何卸载？", "在“开始”菜单中选择“卸载”，或在控制面板中卸载。")]
        items = "".join("<p><b>%s</b><br><span class=\"muted\">%s</span></p>" % f for f in faq)
        body = ('<div class="card"><h1>客服中心<span class="en">Customer service · gid %s</span></h1>%s</div>'
                '<div class="card"><h2>提交问题 Ask us</h2><form method="post" action="/kefu/ticket">'
                '<label for="contact">联系方式 Contact</label><input id="contact" name="contact">'
                '<label for="question">问题描述 Question</label><textarea id="question" name="question" rows="3">'
                '</textarea><p><button class="btn" type="submit">提交 Send</button></p></form></div>'
                % (esc(req.query.get("gid", "")), items))
        return Response(frame("客服中心", "客服 Customer service", body, self.nav()),
                        event="customer-service", details={"gid": req.query.get("gid", "")})

    def ticket(self, req):
        number = "KF%06d" % (int(time.time()) % 1000000)
        body = ('<div class="card"><h1>已收到<span class="en">Received</span></h1><p>工单号 %s，'
                '客服会尽快回复。</p><p><a href="%s">返回客服中心</a></p></div>'
                % (number, esc(self.p.url("web", "/kefu.html?gid=" + GAME_ID))))
        return Response(frame("已收到", "客服 Customer service", body, self.nav()), event="service-ticket",
                        details={"ticket": number})

    def pay(self, req):
        sid, uid = req.query.get("sid", ""), req.query.get("uid", "")
        amounts = "".join('<label style="display:inline-block;margin-right:10px"><input type="radio" '
                          'name="amount" value="%d"%s style="width:auto"> ¥%d</label>'
                          % (a, " checked" if a == 30 else "", a) for a in (10, 30, 68, 128, 328))
        warn = "" if uid else '<div class="error">没有收到账号 (uid 为空) · no account received</div>'
        body = ('<div class="card"><h1>充值中心<span class="en">Pay</span></h1>%s<table>'
                '<tr><th>游戏 Game</th><td>%s (gid %s)</td></tr>'
                '<tr><th>服务器 Server</th><td id="server">%s <span class="muted">(sid=%s)</span></td></tr>'
                '<tr><th>账号 Account</th><td id="account">%s</td></tr>'
                '<tr><th>收到的地址 Received</th><td class="mono">%s</td></tr></table>'
                '<form method="post" action="/pay/confirm"><input type="hidden" name="sid" value="%s">'
                '<input type="hidden" name="uid" value="%s"><p>%s</p><button class="btn" type="submit">'
                '确认支付（演示）Pay (demo)</button></form></div>'
                % (warn, GAME, esc(req.query.get("gid", "")), esc(server_name(sid)), esc(sid),
                   esc(uid or "—"), esc(req.target), esc(sid), esc(uid), amounts))
        return Response(frame("充值中心", "充值 Pay", body, self.nav()), event="pay-page",
                        details={"gid": req.query.get("gid", ""), "sid": sid, "uid": uid})

    def pay_confirm(self, req):
        sid, uid, amount = req.field("sid"), req.field("uid"), req.field("amount", "30")
        body = ('<div class="card"><h1>支付成功（演示）<span class="en">Paid (demo)</span></h1>'
                '<p>已为 <b>%s</b> 在 %s 充值 ¥%s。演示平台不会真实扣款。</p></div>'
                % (esc(uid or "—"), esc(server_name(sid)), esc(amount)))
        return Response(frame("支付成功", "充值 Pay", body, self.nav()), event="pay-confirm",
                        details={"sid": sid, "uid": uid, "amount": amount})

    def news(self, req):
        body = ('<div class="card"><h1>活动公告<span class="en">News</span></h1>'
                '<p><span class="tag gold">活动</span> 周末双倍星辰：周六、周日捕获星星得分翻倍。</p>'
                '<p><span class="tag blue">更新</span> 客户端 3.0 版本上线：新的登录窗口与托盘菜单。</p>'
                '<p class="muted">来源 from=%s</p></div>' % esc(req.query.get("from", "")))
        return Response(frame("活动公告", "公告 News", body, self.nav()), event="news",
                        details={"from": req.query.get("from", "")})


# --- login host ----------------------------------------------------------------------------------

class LoginRole(Role):
    key = "login"
    title = "login host: sign-in, QQ and Weibo sign-in stand-ins, WeChat callback"
    routes = {
        "/": "root", "/login": "sign_in", "/qq": "qq", "/weibo": "weibo",
        "/qq/authorize": "qq_authorize", "/weibo/authorize": "weibo_authorize",
        "/qq/cancel": "cancel", "/weibo/cancel": "cancel", "/oauth/wechat": "wechat_callback",
    }

    def root(self, req):
        return Response(pages.login_page(self.p, req.query), event="login-page")

    def sign_in(self, req):
        account, server = req.field("account"), req.field("server", "s1") or "s1"
        if req.method != "POST" and not req.query:
            return Response(pages.login_page(self.p, {}), event="login-page")
        if not account:
            page = pages.login_page(self.p, {}, "请输入账号 · Please enter an account name", "", server)
            return Response(page, event="sign-in-refused", details={"reason": "empty account",
                                                                     "server": server})
        target = self.p.enter_game_url(server, account)
        return self.p.redirect(target, "登录成功，正在进入游戏…", "Signed in, entering the game",
                               "sign-in", {"account": account, "server": server, "to": target})

    def _quick(self, req, kind):
        return Response(pages.quick_page(self.p, kind, req.query), event="%s-page" % kind,
                        details={"state": req.query.get("state", ""),
                                 "server": req.query.get("server", "")})

    def qq(self, req):
        return self._quick(req, "qq")

    def weibo(self, req):
        return self._quick(req, "weibo")

    def _authorize(self, req, kind, prefix):
        account, server = req.field("account"), req.field("server", "s1") or "s1"
        if not account:
            page = pages.quick_page(self.p, kind, {"state": req.field("state"), "server": server},
                                    "请输入账号 · Please enter an account")
            return Response(page, event="%s-refused" % kind, details={"reason": "empty account"})
        user = prefix + account
        forward = self.p.enter_game_url(server, user)
        target = self.p.server_list_url(forward)
        return self.p.redirect(target, "授权成功，正在进入服务器…", "Authorized, entering the server",
                               "%s-authorize" % kind, {"account": account, "user": user,
                                                       "server": server, "to": target})

    def qq_authorize(self, req):
        return self._authorize(req, "qq", "qq_")

    def weibo_authorize(self, req):
        return self._authorize(req, "weibo", "wb_")

    def cancel(self, req):
        body = ('<div class="card" style="max-width:460px;margin:40px auto;text-align:center">'
                '<h1>已取消登录<span class="en">Sign-in cancelled</span></h1>'
                '<p><a class="btn" href="%s">返回登录 Back</a></p></div>' % esc(self.p.start_url()))
        return Response(frame("已取消", "登录 Sign in", body), event="quick-cancel")

    def wechat_callback(self, req):
        code, server = req.field("code"), req.field("server", "s1") or "s1"
        nickname = self.p.roles["wechat"].take_code(code)
        if nickname is None:
            raise BadRequest("unknown or used WeChat code %r" % code)
        user = "wx_" + nickname
        forward = self.p.enter_game_url(server, user)
        target = self.p.server_list_url(forward)
        return self.p.redirect(target, "微信授权成功，正在进入服务器…", "WeChat authorized, entering the server",
                               "wechat-callback", {"user": user, "server": server, "to": target})


# --- WeChat open platform stand-in -----------------------------------------------------------------

class WeChatRole(Role):
    key = "wechat"
    title = "WeChat open platform stand-in: QR-connect page"
    routes = {"/": "root", "/connect/qrconnect": "qrconnect", "/connect/confirm": "confirm"}

    def __init__(self, platform):
        super().__init__(platform)
        self._codes = {}
        self._lock = threading.Lock()

    def root(self, req):
        body = ('<div class="card"><h1>微信开放平台（演示）<span class="en">WeChat open platform stand-in</span>'
                '</h1><p>扫码登录页：/connect/qrconnect</p></div>')
        return Response(frame("微信开放平台", "微信 WeChat", body), event="home")

    def qrconnect(self, req):
        redirect_uri = req.query.get("redirect_uri", "")
        if not _is_http(redirect_uri):
            raise BadRequest("qrconnect needs an http redirect_uri")
        return Response(pages.wechat_page(self.p, req.query), event="wechat-qr",
                        details={"appid": req.query.get("appid", ""), "state": req.query.get("state", ""),
                                 "redirect_uri": redirect_uri})

    def confirm(self, req):
        redirect_uri, state = req.field("redirect_uri"), req.field("state")
        nickname = req.field("nickname")
        if not _is_http(redirect_uri):
            raise BadRequest("confirm needs an http redirect_uri")
        if not nickname:
            page = pages.wechat_page(self.p, {"state": state, "redirect_uri": redirect_uri,
                                              "appid": req.field("appid")}, "请输入昵称 · Please enter a nickname")
            return Response(page, event="wechat-refused", details={"reason": "empty nickname"})
        code = secrets.token_hex(8)
        with self._lock:
            self._codes[code] = nickname
        target = redirect_uri + ("&" if "?" in redirect_uri else "?") + "code=%s&state=%s" % (code, q(state))
        return self.p.redirect(target, "扫码成功，正在登录…", "Scanned, signing in", "wechat-confirm",
                               {"nickname": nickname, "code": code, "to": target})

    def take_code(self, code):
        with self._lock:
            return self._codes.pop(code, None)


def _is_http(url):
    return url.startswith("http://") or url.startswith("https://")


# --- game host -----------------------------------------------------------------------------------

class GameRole(Role):
    key = "game"
    title = "game host: server list, game page and its assets"
    routes = {"/": "root", "/server/wan/": "server_list", "/server/wan": "server_list", "/game": "game",
              "/assets/orvane.js": "asset", "/session/info": "session_info",
              "/download/VexaOrvane-HD-Setup.exe": "download", "/logout": "logout"}
    COOKIE = "VEXA_SID"

    def __init__(self, platform):
        super().__init__(platform)
        here = os.path.dirname(os.path.abspath(__file__))
        with open(os.path.join(here, "orvane.js"), "rb") as f:
            self.script = f.read()
        self.etag = '"orvane-%s"' % hashlib.sha256(self.script).hexdigest()[:16]
        self.modified = time.strftime("%a, %d %b %Y %H:%M:%S GMT", time.gmtime())
        self._sessions = {}
        self._lock = threading.Lock()

    def root(self, req):
        return Response(frame("%s 服务器" % GAME, "游戏 Game", pages.server_list_page(self.p, "", "")),
                        event="server-list", details={})

    def server_list(self, req):
        forward = req.query.get("forward", "")
        if forward and not _is_http(forward):
            raise BadRequest("forward is not an http address")
        user = req.query.get("user", "")
        returning = "wd_returnlogin=1" in req.target
        body = pages.server_list_page(self.p, forward, user)
        return Response(frame("%s 服务器列表" % GAME, "游戏 Game", body), event="server-list",
                        details={"forward": forward, "returnlogin": returning})

    def _session(self, req, user, sid):
        """The player's session from the cookie, or a new one; returns (session, is_new)."""
        with self._lock:
            session = self._sessions.get(req.cookies.get(self.COOKIE, ""))
            is_new = session is None
            if is_new:
                session = {"id": secrets.token_hex(8), "since": clock(), "visits": 0,
                           "asset_downloads": 0, "asset_revalidations": 0}
                self._sessions[session["id"]] = session
            session["visits"] += 1
            session["user"], session["server"] = user, sid
            return dict(session), is_new

    def game(self, req):
        user = username_from(req.target)
        sid = req.query.get("wd_server", "")
        if not user:
            body = ('<div class="card"><h1>请先登录<span class="en">Please sign in first</span></h1>'
                    '<p><a class="btn" href="%s">去登录 Sign in</a></p></div>' % esc(self.p.start_url()))
            return Response(frame("请先登录", "游戏 Game", body), event="game-unsigned")
        session, is_new = self._session(req, user, sid)
        page = pages.game_page(self.p, user, sid, session, is_new, self.etag.strip('"')[-8:])
        headers = [("Cache-Control", "no-cache")]
        if is_new:
            headers.append(("Set-Cookie", "%s=%s; Path=/; HttpOnly" % (self.COOKIE, session["id"])))
        return Response(page, event="game-page", headers=headers,
                        details={"user": user, "server": sid, "session": session["id"],
                                 "new_session": is_new, "visits": session["visits"],
                                 "entergame": req.query.get("wd_entergame", "")})

    def asset(self, req):
        sid_cookie = req.cookies.get(self.COOKIE, "")
        headers = [("Cache-Control", "public, max-age=86400"), ("ETag", self.etag),
                   ("Last-Modified", self.modified)]
        revalidated = req.headers.get("If-None-Match") == self.etag
        with self._lock:
            session = self._sessions.get(sid_cookie)
            if session:
                session["asset_revalidations" if revalidated else "asset_downloads"] += 1
        details = {"session": sid_cookie, "revalidated": revalidated}
        if revalidated:
            return Response(b"", 304, "application/javascript", "game-asset", details, headers)
        return Response(self.script, 200, "application/javascript; charset=utf-8", "game-asset", details,
                        headers)

    def session_info(self, req):
        with self._lock:
            session = dict(self._sessions.get(req.cookies.get(self.COOKIE, ""), {}))
        if not session:
            raise BadRequest("no game session", 403)
        return Response(json.dumps(session), 200, "application/json", "session-info",
                        headers=[("Cache-Control", "no-store")])

    def download(self, req):
        # A small stand-in, never a program: the header says so.
        body = b"MZ" + b"VexaOrvane HD client: a stand-in download of the demo platform.\r\n" + b"\0" * 190
        return Response(body, 200, "application/octet-stream", "game-download",
                        headers=[("Content-Disposition", 'attachment; filename="VexaOrvane-HD-Setup.exe"')])

    def logout(self, req):
        body = ('<div class="card" style="max-width:460px;margin:40px auto;text-align:center">'
                '<h1>已返回登录<span class="en">Back to sign-in</span></h1>'
                '<p><a class="btn" href="%s">重新登录 Sign in again</a></p></div>' % esc(self.p.start_url()))
        return Response(frame("返回登录", "游戏 Game", body), event="return-login",
                        details={"returnlogin": "wd_returnlogin=1" in req.target,
                                 "session": req.cookies.get(self.COOKIE, "")})


def username_from(target):
    """The account after "wd_username=", up to the end of the address, decoded:
    the same reading the client makes of its enter-game address."""
    marker = target.find("wd_username=")
    if marker < 0:
        return ""
    return urllib.parse.unquote(target[marker + len("wd_username="):], errors="replace")


# --- statistics hosts ----------------------------------------------------------------------------

ACTIONS = {"2": "install", "3": "install", "4": "active", "5": "active", "6": "uninstall"}
ACTION_TEXT = {"install": "安装 install", "active": "活跃 activity", "uninstall": "卸载 uninstall"}


def _listing(title, subtitle, heads, rows, role_label):
    table = "".join("<tr>%s</tr>" % "".join("<td%s>%s</td>" % c for c in row) for row in rows)
    body = ('<div class="card"><h1>%s<span class="en">%s</span></h1><p class="muted">最新的在最上面 · '
            'newest first · 每 3 秒刷新</p><table><tr>%s</tr>%s</table>%s</div>'
            % (title, subtitle, "".join("<th>%s</th>" % h for h in heads), table,
               "" if rows else '<p class="muted">还没有记录 · nothing yet</p>'))
    return frame(title, role_label, body, head='<meta http-equiv="refresh" content="3">')


class StatsRole(Role):
    key = "stats"
    title = "statistics host: install, activity and uninstall pings (/ps.gif)"
    routes = {"/": "listing", "/ps.gif": "ping"}

    def ping(self, req):
        fields = req.query
        for name in ("id", "gid", "at"):
            if name not in fields:
                raise BadRequest("ping without %s" % name)
        action = ACTIONS.get(fields["at"])
        if action is None:
            raise BadRequest("unknown action at=%s" % fields["at"])
        details = {"action": action, "at": fields["at"], "gid": fields.get("gid", ""),
                   "e1": fields.get("e1", ""), "refer": fields.get("e2", ""), "uid": fields.get("e3", ""),
                   "guid": fields.get("e4", ""), "machine": fields.get("e5", ""),
                   "netcafe": fields.get("e6", ""), "e7": fields.get("e7", ""),
                   "version": fields.get("e8", ""), "install_time": fields.get("e9", "")}
        return Response(PIXEL, 200, "image/gif", "ping-" + action, details,
                        [("Cache-Control", "no-store")])

    def listing(self, req):
        rows = []
        for r in reversed(self.p.records.select("stats", event=None)):
            d = r.get("details", {})
            if not r.get("event", "").startswith("ping-"):
                continue
            rows.append([("", str(r["seq"])), ("", clock(r["time"])),
                         ("", '<span class="tag gold">%s</span>' % esc(ACTION_TEXT.get(d.get("action"), ""))),
                         ("", esc(d.get("at", ""))), (' class="mono"', esc(d.get("guid", ""))),
                         (' class="mono"', esc(d.get("machine", ""))),
                         ("", "网吧" if d.get("netcafe") == "1" else "否"), ("", esc(d.get("e7", ""))),
                         ("", esc(d.get("version", ""))), ("", esc(d.get("install_time", ""))),
                         (' class="mono"', esc(r["target"]))])
        page = _listing("统计 Pings", "Statistics host",
                        ["#", "时间", "动作", "at", "GUID (e4)", "机器 (e5)", "网吧 (e6)", "e7", "版本 (e8)",
                         "安装时间 (e9)", "请求 Request"], rows, "统计 Statistics")
        return Response(page, event="listing")


class BrowserStatsRole(Role):
    key = "browser-stats"
    title = "browser-statistics host: pages opened in a browser (/web/ajax70, /web/ajax71)"
    routes = {"/": "listing", "/web/ajax70": "platform", "/web/ajax71": "other"}

    def _ping(self, req, browser):
        if "uId2" not in req.query or "r" not in req.query:
            raise BadRequest("browser ping without uId2 or r")
        details = {"browser": browser, "page": req.query["r"], "uid2": req.query["uId2"],
                   "lO": req.query.get("lO", ""), "referer": req.headers.get("Referer", ""),
                   "cookie": req.headers.get("Cookie", "")}
        return Response(b'{"code":0}', 200, "application/json", "browser-ping-" + browser, details,
                        [("Cache-Control", "no-store")])

    def platform(self, req):
        return self._ping(req, "platform")

    def other(self, req):
        return self._ping(req, "other")

    def listing(self, req):
        rows = []
        for r in reversed(self.p.records.select("browser-stats")):
            d = r.get("details", {})
            if not r.get("event", "").startswith("browser-ping-"):
                continue
            kind = "平台浏览器 ajax70" if d.get("browser") == "platform" else "其他浏览器 ajax71"
            rows.append([("", str(r["seq"])), ("", clock(r["time"])),
                         ("", '<span class="tag blue">%s</span>' % kind),
                         (' class="mono"', esc(d.get("page", ""))), (' class="mono"', esc(d.get("referer", ""))),
                         (' class="mono"', esc(d.get("cookie", "")))])
        page = _listing("浏览器统计", "Browser pings", ["#", "时间", "浏览器", "打开的页面 Page", "Referer",
                                                   "Cookie"], rows, "浏览器统计 Browser statistics")
        return Response(page, event="listing")


# --- download host -------------------------------------------------------------------------------

VERSION_PATH = "/Vexa/tavo/official/app.ini"
PACKAGE_PATH = "/Vexa/tavo/official/Vexatavo.exe"


class DownloadRole(Role):
    key = "download"
    title = "download host: version file and upgrade package"

    def __init__(self, platform, app_ini=None, offer=None, upgrade_range="", package=None, extra=None):
        super().__init__(platform)
        self.app_ini = app_ini          # a file served as given, or None
        self.offer = offer or "3.0.0.0"  # the generated version file's currentversion
        self.upgrade_range = upgrade_range
        self.files = dict(extra or {})  # URL path -> file
        if package:
            self.files[PACKAGE_PATH] = package

    def generated_ini(self):
        return ("; version file of the demo platform's download host\r\n[version]\r\n"
                "currentversion=%s\r\nupgraderange=%s\r\n" % (self.offer, self.upgrade_range)).encode("utf-8")

    def version_text(self):
        if self.app_ini:
            with open(self.app_ini, "rb") as f:
                return f.read()
        return self.generated_ini()

    def describe(self):
        if self.app_ini:
            return "version file served from %s" % self.app_ini
        offered = self.offer != "3.0.0.0"
        return "version file: currentversion=%s%s" % (
            self.offer, " (upgrade offered)" if offered else " (no upgrade offered)")

    def handle(self, req):
        if req.path == "/":
            return self.listing(req)
        if req.path == VERSION_PATH:
            try:
                body = self.version_text()
            except OSError as error:
                return Response(bad_page("version file unreadable: %s" % error, 404).body, 404,
                                event="version-file", details={"reason": str(error)})
            parser = configparser.ConfigParser(strict=False, interpolation=None)
            current = ""
            try:
                parser.read_string(body.decode("utf-8", "replace"))
                current = parser.get("version", "currentversion", fallback="")
            except configparser.Error:
                pass
            return Response(body, 200, "text/plain; charset=utf-8", "version-file",
                            {"source": self.app_ini or "generated", "currentversion": current,
                             "sha256": hashlib.sha256(body).hexdigest()})
        path = self.files.get(req.path)
        event = "upgrade-package" if req.path == PACKAGE_PATH else "download-file"
        if path is None:
            response = not_found(req, "file")
            response.event = event if req.path == PACKAGE_PATH else "not-found"
            if req.path == PACKAGE_PATH:
                response.details = {"reason": "no upgrade package given (--package)"}
            return response
        try:
            with open(path, "rb") as f:
                body = f.read()
        except OSError as error:
            response = bad_page("file unreadable: %s" % error, 404, event)
            return response
        return Response(body, 200, "application/octet-stream", event,
                        {"file": path, "sha256": hashlib.sha256(body).hexdigest()})

    def listing(self, req):
        files = [(VERSION_PATH, self.app_ini or "(generated)")] + sorted(self.files.items())
        offered = "".join('<tr><td class="mono">%s</td><td class="mono">%s</td></tr>' % (esc(u), esc(f))
                          for u, f in files)
        try:
            ini = self.version_text().decode("utf-8", "replace")
        except OSError as error:
            ini = "(unreadable: %s)" % error
        rows = []
        for r in reversed(self.p.records.select("download")):
            if r.get("event") not in ("version-file", "upgrade-package", "download-file"):
                continue
            rows.append([("", str(r["seq"])), ("", clock(r["time"])), ("", esc(r["event"])),
                         (' class="mono"', esc(r["target"])), ("", str(r["status"])), ("", str(r["bytes"]))])
        table = "".join("<tr>%s</tr>" % "".join("<td%s>%s</td>" % c for c in row) for row in rows)
        body = ('<div class="card"><h1>下载服务器<span class="en">Download host</span></h1>'
                '<p>%s</p><table><tr><th>地址 Path</th><th>文件 File</th></tr>%s</table>'
                '<h2 style="margin-top:14px">app.ini</h2><pre class="mono">%s</pre></div>'
                '<div class="card"><h2>下载记录<span class="en">Fetched, newest first</span></h2><table><tr>'
                '<th>#</th><th>时间</th><th>内容</th><th>请求</th><th>状态</th><th>字节</th></tr>%s</table></div>'
                % (esc(self.describe()), offered, esc(ini), table))
        return Response(frame("下载服务器", "下载 Download", body, head='<meta http-equiv="refresh" content="3">'),
                        event="listing")


ROLE_ORDER = ["web", "login", "game", "wechat", "stats", "browser-stats", "download"]
ROLE_CLASSES = {"web": WebRole, "login": LoginRole, "game": GameRole, "wechat": WeChatRole,
                "stats": StatsRole, "browser-stats": BrowserStatsRole, "download": DownloadRole}
