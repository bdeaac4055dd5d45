"""Page building shared by every host: one style, one frame, escaping."""
import html
import time
import urllib.parse

BRAND = "Vexa游戏"
GAME = "VexaOrvane"
GAME_ID = "1062"

# The game's servers: id used in "wd_server" -> (name, English name, state).
SERVERS = [
    ("s1", "一区 · 青龙", "Azure Dragon", "推荐"),
    ("s2", "二区 · 白虎", "White Tiger", "火爆"),
    ("s3", "三区 · 朱雀", "Vermilion Bird", "流畅"),
    ("s4", "四区 · 玄武", "Black Tortoise", "新区"),
]
SERVER_NAMES = {sid: name for sid, name, _, _ in SERVERS}

STYLE = """
*{box-sizing:border-box}
html,body{margin:0;padding:0}
body{font:14px/1.5 "WenQuanYi Micro Hei","Noto Sans CJK SC","Microsoft YaHei","PingFang SC",sans-serif;
 color:#e6e9f0;background:#0d1424 radial-gradient(ellipse at 30% 0%,#1d2c4d 0%,#0d1424 70%) fixed;min-height:100vh}
a{color:#f2b233;text-decoration:none}a:hover{text-decoration:underline}
.top{display:flex;align-items:center;gap:14px;padding:0 20px;height:48px;background:rgba(8,12,22,.85);
 border-bottom:1px solid #2a3a5c}
.brand{font-weight:bold;font-size:18px;color:#f2b233;letter-spacing:1px}
.brand small{color:#8fa3c7;font-weight:normal;font-size:12px;margin-left:6px}
.top nav{margin-left:auto;display:flex;gap:16px}.top nav a{color:#c9d4ea}
.wrap{max-width:980px;margin:0 auto;padding:22px 20px}
.card{background:rgba(24,35,58,.92);border:1px solid #2a3a5c;border-radius:10px;padding:18px 22px;
 box-shadow:0 8px 28px rgba(0,0,0,.35);margin-bottom:18px}
h1{font-size:22px;margin:0 0 12px;color:#fff}h2{font-size:17px;margin:0 0 10px;color:#f2d38a}
.en{color:#8fa3c7;font-size:12px;font-weight:normal;margin-left:6px}
.muted{color:#8fa3c7}.ok{color:#52d273}.warn{color:#ffb84d}.bad{color:#ff6b6b}
.btn{display:inline-block;border:0;border-radius:6px;padding:8px 18px;font:inherit;font-weight:bold;
 cursor:pointer;color:#1b1300;background:linear-gradient(#ffd36b,#e39b1b);text-align:center}
.btn:hover{filter:brightness(1.08);text-decoration:none}
.btn.ghost{background:transparent;color:#c9d4ea;border:1px solid #3a4d75}
.btn.qq{background:#12b7f5;color:#fff}.btn.weibo{background:#e6162d;color:#fff}
.btn.wechat{background:#07c160;color:#fff}
label{display:block;color:#a9b8d6;font-size:13px;margin:8px 0 3px}
input,select,textarea{width:100%;padding:7px 10px;border-radius:6px;border:1px solid #3a4d75;
 background:#0f1930;color:#fff;font:inherit}
input:focus,select:focus,textarea:focus{outline:none;border-color:#f2b233}
select{-webkit-appearance:none;appearance:none;padding-right:30px;background-repeat:no-repeat;
 background-position:right 12px center;background-image:url("data:image/svg+xml;utf8,<svg xmlns='http://www.w3.org/2000/svg' width='10' height='6'><path d='M0 0h10L5 6z' fill='%23f2b233'/></svg>")}
select option{background:#0f1930;color:#fff}
table{width:100%;border-collapse:collapse;font-size:13px}
th,td{text-align:left;padding:6px 8px;border-bottom:1px solid #24324f;vertical-align:middle}
th{color:#f2d38a;font-weight:normal;background:rgba(255,255,255,.03)}
td.mono,.mono{font-family:"DejaVu Sans Mono",Consolas,monospace;font-size:12px;word-break:break-all}
.tag{display:inline-block;padding:0 8px;border-radius:10px;font-size:12px;background:#2a3a5c;color:#c9d4ea}
.tag.gold{background:#5b4513;color:#ffd36b}.tag.green{background:#134d2c;color:#6df09a}
.tag.red{background:#5c1a1f;color:#ff9a9a}.tag.blue{background:#173a5c;color:#8fd0ff}
.grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(220px,1fr));gap:14px}
.foot{color:#6f7f9f;font-size:12px;text-align:center;padding:14px}
.error{background:#4a1a22;border:1px solid #8a2f3a;color:#ffd0d0;border-radius:6px;padding:6px 10px;margin:6px 0}
"""


def esc(text):
    return html.escape(str(text), quote=True)


def q(text):
    """Percent-encodes a whole value for use inside a query or a path."""
    return urllib.parse.quote(str(text), safe="")


def clock(ts=None):
    return time.strftime("%H:%M:%S", time.localtime(ts if ts is not None else time.time()))


def stamp(ts=None):
    return time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(ts if ts is not None else time.time()))


def server_name(sid):
    return SERVER_NAMES.get(sid, "未知服务器 %s" % sid if sid else "未选择服务器")


def document(title, body, head="", body_class=""):
    """A whole HTML page in the platform's style."""
    return ("<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
            "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
            "<title>%s</title><style>%s</style>%s</head><body class=\"%s\">%s</body></html>\n"
            % (esc(title), STYLE, head, body_class, body))


def frame(title, role_label, body, nav=(), head=""):
    """A page with the platform's top bar; nav is a list of (href, text)."""
    links = "".join('<a href="%s">%s</a>' % (esc(h), esc(t)) for h, t in nav)
    top = ('<div class="top"><span class="brand">%s<small>%s</small></span><nav>%s</nav></div>'
           % (BRAND, esc(role_label), links))
    foot = ('<div class="foot">%s 演示平台 · Demo platform · 本页面仅用于演示，不涉及真实账号与支付</div>'
            % BRAND)
    return document(title, top + '<div class="wrap">' + body + "</div>" + foot, head)


def redirect_page(url, message, english):
    """A short page that moves on to url by script: an ordinary navigation in
    every browser engine, which a hosting program sees like a click."""
    target = esc(url)
    body = ('<div class="card" style="margin:60px auto;max-width:460px;text-align:center">'
            '<h1>%s</h1><p class="muted">%s</p><p><a class="btn" id="next" href="%s">继续 Continue</a></p>'
            '</div><script>setTimeout(function(){location.replace(%s);},300);</script>'
            '<noscript><meta http-equiv="refresh" content="0;url=%s"></noscript>'
            % (esc(message), esc(english), target, js_string(url), target))
    return document(message, body)


def js_string(text):
    """A JavaScript string literal that is safe inside a script element."""
    out = ['"']
    for ch in str(text):
        if ch in '"\\':
            out.append("\\" + ch)
        elif ch == "<":
            out.append("\\u003c")
        elif ch == ">":
            out.append("\\u003e")
        elif ch == "&":
            out.append("\\u0026")
        elif ord(ch) < 32 or ch in "\u2028\u2029":
            out.append("\\u%04x" % ord(ch))
        else:
            out.append(ch)
    out.append('"')
    return "".join(out)
