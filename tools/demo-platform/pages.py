"""The player-facing pages: login page, the QQ, Weibo and WeChat stand-ins,
the server list and the game page.  Every page is self-contained (inline
style, inline pictures); only the game's script is a separate, cacheable file
of the game host."""
from common import BRAND, GAME, SERVERS, document, esc, js_string, server_name

# The login page is laid out for the client's login view (776 x 540) and
# centres itself in a bigger browser window.  Keyboard order: account,
# password, server, sign-in, QQ, Weibo, WeChat.
LOGIN_STYLE = """
body.login-body{display:flex;align-items:center;justify-content:center;min-height:100vh;overflow:hidden}
.login{display:flex;width:740px;height:490px;border-radius:12px;overflow:hidden;border:1px solid #2a3a5c;
 box-shadow:0 10px 40px rgba(0,0,0,.5);background:#18233a}
.art{position:relative;width:380px;flex:none;background:#0b1630}
.art svg{position:absolute;left:0;top:0}
.art-title{position:absolute;left:28px;top:36px;font-size:34px;font-weight:bold;color:#ffd36b;
 text-shadow:0 2px 8px #000;letter-spacing:1px}
.art-title span{display:block;font-size:15px;color:#dfe7ff;font-weight:normal;letter-spacing:3px}
.art-note{position:absolute;left:20px;right:20px;bottom:16px;font-size:12px;color:#c9d4ea;
 background:rgba(5,10,22,.6);border-radius:6px;padding:6px 10px}
.panel{flex:1;padding:24px 30px 16px}
.panel h1{margin-bottom:4px}
.panel .btn.main{width:100%;margin-top:16px;padding:10px;font-size:16px}
.other{margin:16px 0 8px;color:#8fa3c7;font-size:12px;text-align:center;border-top:1px solid #2a3a5c;
 padding-top:10px}
.quick{display:flex;gap:8px}.quick .btn{flex:1;padding:7px 0;font-size:13px}
.links{margin-top:12px;font-size:12px;text-align:center;color:#6f7f9f}
"""

SCENE_SVG = """<svg width="380" height="490" viewBox="0 0 380 490" xmlns="http://www.w3.org/2000/svg">
<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#0a1433"/>
<stop offset=".65" stop-color="#27316b"/><stop offset="1" stop-color="#a0527a"/></linearGradient>
<radialGradient id="moon"><stop offset="0" stop-color="#fff8d8"/><stop offset="1" stop-color="#ffd36b"/></radialGradient></defs>
<rect width="380" height="490" fill="url(#sky)"/>
<mask id="crescent"><circle cx="292" cy="120" r="34" fill="#fff"/><circle cx="310" cy="108" r="30" fill="#000"/></mask>
<circle cx="292" cy="120" r="34" fill="url(#moon)" mask="url(#crescent)"/>
<g fill="#fff">%s</g>
<path d="M0 330 L60 270 L110 310 L170 240 L230 300 L290 250 L380 320 L380 490 L0 490Z" fill="#1b1d45"/>
<path d="M0 380 L80 330 L150 370 L220 320 L300 370 L380 340 L380 490 L0 490Z" fill="#121431"/>
<path d="M0 430 Q190 400 380 430 L380 490 L0 490Z" fill="#0a0b1f"/>
<g transform="translate(190 414)"><circle cy="-12" r="24" fill="#ffb84d" opacity=".16"/>
<path d="M-34 0 L34 0 L24 10 L-24 10Z" fill="#c98a2b"/><rect x="-6" y="-22" width="12" height="16" rx="3" fill="#ffd36b"/></g></svg>"""


def _stars(count, seed):
    out, x = [], seed
    for _ in range(count):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        cx, cy, r = x % 380, (x >> 9) % 260, 0.6 + ((x >> 17) % 10) / 9.0
        out.append('<circle cx="%d" cy="%d" r="%.1f" opacity="%.2f"/>' % (cx, cy, r, 0.4 + (x % 60) / 100))
    return "".join(out)


def server_options(selected):
    return "".join('<option value="%s"%s>%s · %s</option>'
                   % (sid, " selected" if sid == selected else "", esc(name), esc(state))
                   for sid, name, _, state in SERVERS)


def login_page(p, query, error="", account="", server="s1"):
    """The platform's login page: the client's start page."""
    runs = query.get("runcount", "")
    if query.get("regtimes") == "1":
        note = "欢迎新玩家！首次启动已记录，新手礼包已放入邮箱。 Welcome, new player!"
    elif runs:
        note = "欢迎回来，这是第 %s 次启动。 Welcome back (start %s)." % (esc(runs), esc(runs))
    else:
        note = "任意账号名即可登录。 Any account name signs in."
    if query.get("version"):
        note += " · 客户端 %s" % esc(query["version"])
    error_html = '<div class="error" id="error">%s</div>' % esc(error) if error else \
        '<div class="error" id="error" style="display:none"></div>'
    qq_url = p.url("login", "/qq?response_type=code&client_id=101062&state=")
    weibo_url = p.url("login", "/weibo?client_id=2817062&response_type=code&state=")
    wechat_base = p.url("wechat", "/connect/qrconnect?appid=wx1062demo&response_type=code"
                                  "&scope=snsapi_login&redirect_uri=")
    wechat_back = p.url("login", "/oauth/wechat?server=")
    body = """<div class="login">
<div class="art">%(svg)s<div class="art-title">%(game)s<span>星夜奥凡 · 经典再现</span></div>
<div class="art-note" id="note">%(note)s</div></div>
<form class="panel" id="form" method="post" action="%(action)s" autocomplete="off">
<h1>账号登录<span class="en">Sign in</span></h1>%(error)s
<label for="account">账号 Account</label>
<input id="account" name="account" tabindex="1" maxlength="32" autofocus value="%(account)s"
 placeholder="输入任意账号名 · any name">
<label for="password">密码 Password</label>
<input id="password" name="password" type="password" tabindex="2" placeholder="演示平台不校验密码">
<label for="server">服务器 Server</label>
<select id="server" name="server" tabindex="3">%(options)s</select>
<button class="btn main" id="signin" type="submit" tabindex="4">登录游戏 Sign in</button>
<div class="other">其他方式登录 · Other accounts</div>
<div class="quick"><button type="button" class="btn qq" id="qq" tabindex="5">QQ登录</button>
<button type="button" class="btn weibo" id="weibo" tabindex="6">微博 Weibo</button>
<button type="button" class="btn wechat" id="wechat" tabindex="7">微信 WeChat</button></div>
<div class="links">忘记密码 · 注册账号 · %(brand)s</div>
</form></div>
<script>
(function(){
function state(){return Math.random().toString(36).slice(2,10);}
function server(){return document.getElementById('server').value;}
document.getElementById('form').onsubmit=function(){
  var a=document.getElementById('account');
  if(a.value.replace(/\\s+/g,'')===''){var e=document.getElementById('error');
    e.textContent='请输入账号 · Please enter an account name';e.style.display='block';a.focus();return false;}
  return true;};
document.getElementById('qq').onclick=function(){
  window.open(%(qq)s+state()+'&server='+server(),'_blank');};
document.getElementById('weibo').onclick=function(){
  window.open(%(weibo)s+state()+'&server='+server(),'_blank');};
document.getElementById('wechat').onclick=function(){
  location.href=%(wechat)s+encodeURIComponent(%(back)s+server())+'&state='+state()+'#wechat_redirect';};
})();
</script>""" % {
        "svg": SCENE_SVG % _stars(70, 1062), "game": GAME, "note": note, "error": error_html,
        "action": esc(p.url("login", "/login")), "account": esc(account),
        "options": server_options(server), "brand": BRAND, "qq": js_string(qq_url),
        "weibo": js_string(weibo_url), "wechat": js_string(wechat_base),
        "back": js_string(wechat_back)}
    return document("%s · 登录 Sign in" % BRAND, body, "<style>%s</style>" % LOGIN_STYLE,
                    "login-body")


# The quick sign-in stand-ins are laid out for the quick-login window's view
# (874 x 389) and fit a pop-up of any size.
QUICK_STYLE = """
body.quick-body{background:#f4f6fa;color:#222;min-height:0}
.qhead{height:54px;display:flex;align-items:center;gap:12px;padding:0 22px;color:#fff}
.qhead b{font-size:19px}.qhead span{opacity:.85;font-size:13px}
.qbody{display:flex;gap:30px;padding:22px 40px 8px;align-items:flex-start;justify-content:center}
.avatar{width:120px;text-align:center;color:#555;font-size:12px}
.avatar div{width:96px;height:96px;margin:0 auto 8px;border-radius:50%;color:#fff;font-size:30px;
 font-weight:bold;display:flex;align-items:center;justify-content:center}
.qform{width:330px}.qform label{color:#555}
.qform input{background:#fff;color:#222;border-color:#c9d1e0}
.qform .row{display:flex;gap:10px;margin-top:14px}.qform .row .btn{flex:1}
.qform .btn.ghost{color:#555;border-color:#c9d1e0}
.qnote{text-align:center;color:#8a93a6;font-size:12px;padding:4px}
.qr{background:#fff;padding:10px;border:1px solid #dde3ee;border-radius:8px}
"""

QUICK_KINDS = {
    "qq": ("QQ登录", "授权 %s 使用你的QQ账号登录" % BRAND, "#12b7f5", "QQ", "QQ号码 · QQ number",
           "例如 10001", "授权并登录 Authorize"),
    "weibo": ("微博登录", "使用微博账号登录 %s" % BRAND, "#e6162d", "微博", "微博账号 · Weibo account",
              "邮箱或手机号", "登录并授权 Sign in"),
}


def quick_page(p, kind, query, error=""):
    """The QQ or Weibo sign-in stand-in; its form goes to /<kind>/authorize."""
    title, subtitle, colour, badge, field, hint, action_text = QUICK_KINDS[kind]
    hidden = "".join('<input type="hidden" name="%s" value="%s">' % (esc(k), esc(query.get(k, "")))
                     for k in ("state", "server"))
    error_html = '<div class="error">%s</div>' % esc(error) if error else ""
    body = """<div class="qhead" style="background:%(colour)s"><b>%(title)s</b><span>%(subtitle)s</span></div>
<div class="qbody"><div class="avatar"><div style="background:%(colour)s">%(badge)s</div>演示账号<br>Demo stand-in</div>
<form class="qform" method="post" action="/%(kind)s/authorize" autocomplete="off">%(error)s%(hidden)s
<label for="account">%(field)s</label>
<input id="account" name="account" autofocus maxlength="32" placeholder="%(hint)s">
<label for="password">密码 · Password</label><input id="password" name="password" type="password">
<div class="row"><button class="btn" id="authorize" type="submit" style="background:%(colour)s;color:#fff">%(action)s</button>
<a class="btn ghost" id="cancel" href="%(cancel)s">取消 Cancel</a></div></form></div>
<div class="qnote">这是%(title)s的演示替身页面，任意账号均可登录 · A stand-in page: any account signs in</div>""" % {
        "colour": colour, "title": title, "subtitle": esc(subtitle), "badge": badge, "kind": kind,
        "error": error_html, "hidden": hidden, "field": field, "hint": hint, "action": action_text,
        "cancel": esc(p.url("login", "/%s/cancel?wd_returnlogin=1" % kind))}
    return document("%s · %s" % (title, BRAND), body, "<style>%s</style>" % QUICK_STYLE, "quick-body")


def qr_cells(state):
    """A 25 x 25 QR-like pattern (finder squares and a pseudo-random field)."""
    size, cells, x = 25, [], sum(ord(c) for c in state) * 7919 + 17
    for row in range(size):
        for col in range(size):
            finder = None
            for fr, fc in ((0, 0), (0, size - 7), (size - 7, 0)):
                if fr <= row < fr + 7 and fc <= col < fc + 7:
                    r, c = row - fr, col - fc
                    finder = r in (0, 6) or c in (0, 6) or (2 <= r <= 4 and 2 <= c <= 4)
            if finder is None:
                x = (x * 1103515245 + 12345) & 0x7FFFFFFF
                on = (x >> 16) & 1
            else:
                on = finder
            if on:
                cells.append('<rect x="%d" y="%d" width="1" height="1"/>' % (col, row))
    return ('<svg width="150" height="150" viewBox="0 0 25 25" shape-rendering="crispEdges">'
            '<g fill="#111">%s</g></svg>' % "".join(cells))


def wechat_page(p, query, error=""):
    state = query.get("state", "")
    hidden = "".join('<input type="hidden" name="%s" value="%s">' % (esc(k), esc(query.get(k, "")))
                     for k in ("state", "redirect_uri", "appid"))
    error_html = '<div class="error">%s</div>' % esc(error) if error else ""
    body = """<div class="qhead" style="background:#07c160"><b>微信登录</b><span>WeChat · 扫码登录 %(brand)s</span></div>
<div class="qbody"><div class="qr">%(qr)s</div>
<form class="qform" method="post" action="/connect/confirm" autocomplete="off">%(error)s%(hidden)s
<p style="margin:0 0 6px;color:#333">请使用微信扫描二维码登录<br><span style="color:#8a93a6;font-size:12px">
Scan with WeChat to sign in. 演示：输入昵称，点击“模拟扫码确认”。</span></p>
<label for="nickname">微信昵称 · Nickname</label>
<input id="nickname" name="nickname" autofocus maxlength="32" value="wxplayer">
<div class="row"><button class="btn wechat" id="confirm" type="submit">模拟扫码确认 Confirm</button></div>
</form></div><div class="qnote">这是微信开放平台的演示替身页面 · A stand-in for the WeChat open platform</div>""" % {
        "brand": BRAND, "qr": qr_cells(state), "error": error_html, "hidden": hidden}
    return document("微信登录 · WeChat", body, "<style>%s</style>" % QUICK_STYLE, "quick-body")


def server_list_page(p, forward, user):
    rows = []
    for sid, name, english, state in SERVERS:
        if user:
            href = p.enter_game_url(sid, user)
        else:
            href = p.url("web", "/tavo/wd/index.html")
        tag = {"推荐": "gold", "火爆": "red", "流畅": "green"}.get(state, "blue")
        rows.append('<tr><td>%s</td><td>%s<span class="en">%s</span></td><td><span class="tag %s">%s</span>'
                    '</td><td><a class="btn" href="%s">进入 Enter</a></td></tr>'
                    % (sid, esc(name), english, tag, state, esc(href)))
    lead = ""
    script = ""
    if forward:
        lead = ('<div class="card"><h2>正在进入游戏服务器…<span class="en">Entering the game</span></h2>'
                '<p class="muted mono">%s</p><a class="btn" id="forward" href="%s">立即进入 Go</a></div>'
                % (esc(forward), esc(forward)))
        script = "<script>setTimeout(function(){location.replace(%s);},800);</script>" % js_string(forward)
    body = ('%s<div class="card"><h1>服务器列表<span class="en">Servers</span></h1><table><tr><th>编号</th>'
            '<th>服务器</th><th>状态</th><th></th></tr>%s</table></div>%s'
            % (lead, "".join(rows), script))
    return body


GAME_STYLE = """
body.game-body{overflow:hidden;height:100vh;display:flex;flex-direction:column;background:#05070f}
.gbar{flex:none;display:flex;align-items:center;gap:14px;height:40px;padding:0 14px;
 background:linear-gradient(#1a2442,#111a30);border-bottom:1px solid #2a3a5c;font-size:13px}
.gbar .who b{color:#ffd36b}.gbar nav{margin-left:auto;display:flex;gap:8px}
.gbar nav a{padding:3px 10px;border:1px solid #3a4d75;border-radius:5px;color:#dfe7ff}
.gbar nav a:hover{background:#24345a;text-decoration:none}
.gbar nav a kbd{color:#8fa3c7;font:11px monospace;margin-left:4px}
.ginfo{flex:none;font-size:12px;color:#8fa3c7;padding:3px 14px;background:#0b1122;border-bottom:1px solid #1b2540}
#stage{flex:1;position:relative;min-height:0}#stage canvas{position:absolute;left:0;top:0;width:100%;height:100%}
"""


def game_page(p, user, sid, session, is_new, asset_version):
    info = ("会话 Session <span class=\"mono\" id=\"session\">%s</span> · %s · 第 <span id=\"visits\">%d</span>"
            " 次进入 · 资源 orvane.js：<span id=\"assets\">…</span>"
            % (esc(session["id"]), "新会话 new" if is_new else "已保持 kept since " + session["since"],
               session["visits"]))
    body = """<div class="gbar"><span class="who">%(game)s · <b>%(server)s</b> · 玩家 <b id="player">%(user)s</b></span>
<nav><a id="news" href="%(news)s" target="_blank">活动公告<kbd>P</kbd></a>
<a id="download" href="%(download)s">下载高清客户端 (.exe)<kbd>D</kbd></a>
<a id="back" href="%(back)s">返回登录<kbd>L</kbd></a></nav></div>
<div class="ginfo">%(info)s · 操作：← → 或鼠标移动，空格开始/暂停 · Arrows or mouse to move, Space to start</div>
<div id="stage"><canvas id="game"></canvas></div>
<script>window.ORVANE={server:%(server_js)s,player:%(user_js)s,info:"/session/info"};</script>
<script src="/assets/orvane.js?v=%(version)s"></script>""" % {
        "game": GAME, "server": esc(server_name(sid)), "user": esc(user),
        "news": esc(p.url("web", "/news.html?from=game")),
        "download": esc(p.url("game", "/download/VexaOrvane-HD-Setup.exe")),
        "back": esc(p.url("game", "/logout?wd_returnlogin=1")), "info": info,
        "server_js": js_string(server_name(sid)), "user_js": js_string(user), "version": asset_version}
    return document("%s · %s" % (GAME, server_name(sid)), body, "<style>%s</style>" % GAME_STYLE,
                    "game-body")
