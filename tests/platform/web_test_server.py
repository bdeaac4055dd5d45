#!/usr/bin/python3
"""Pages for the web-engine tests, served on loopback.

usage: web_test_server.py LOGFILE
Prints the port it listens on, then serves until killed.  Every request path
is appended to LOGFILE, so a test can tell which addresses were fetched.
While the file LOGFILE + ".down" exists, the login page's host is "down": the
connection is closed without an answer.
"""
import http.server
import os
import sys
import urllib.parse

LOG = sys.argv[1]

# Each page acts on its own a little after it has loaded (after the view's
# completion notice); "done" titles tell the test that the page is still
# there after the action.
PAGES = {
    "/plain": "<title>Plain</title><body>plain</body>",
    "/links": """<title>Links</title><body>
<iframe name="f" src="about:blank"></iframe>
<a id="js" href="javascript:void(0)">js</a>
<a id="blank" href="about:blank" target="f">blank</a>
<script>onload=function(){setTimeout(function(){
  document.getElementById('js').click();
  document.getElementById('blank').click();
  setTimeout(function(){document.title='links done';},400);
},300);};</script></body>""",
    "/exe": """<title>Exe</title><body><a id="e" href="/setup.exe?x=1">get</a>
<script>onload=function(){setTimeout(function(){document.getElementById('e').click();
  setTimeout(function(){document.title='exe done';},600);},300);};</script></body>""",
    "/open": """<title>Open</title><body><script>onload=function(){setTimeout(function(){
  var w=window.open('/popup-target','_blank');
  setTimeout(function(){document.title='open done '+(w===null);},600);},300);};</script></body>""",
    "/open-loopback": """<title>OpenLoop</title><body><script>onload=function(){setTimeout(function(){
  var w=window.open('http://127.0.0.1:'+location.port+'/loopback-target');
  setTimeout(function(){document.title='loopback done '+(w===null);},600);},300);};</script></body>""",
    "/go-cancel": """<title>Go</title><body><a id="c" href="/cancel-me">c</a>
<script>onload=function(){setTimeout(function(){document.getElementById('c').click();
  setTimeout(function(){document.title='cancel done';},600);},300);};</script></body>""",
    "/cancel-me": "<title>Reached</title><body>should not load</body>",
    "/title": """<title>Before</title><body><script>
onload=function(){setTimeout(function(){document.title='Changed \u6807\u9898';},50);};
</script></body>""",
    "/frames": """<title>Frames</title><body><iframe id="f" src="/inner?first"></iframe>
<script>
function report(){
  var b=document.body.getAttribute('scroll');
  if(b==='no'){document.title='top scroll '+b;}else{setTimeout(report,50);}
}
onload=function(){setTimeout(report,50);};
function later(){document.getElementById('f').src='/inner?second';}
</script></body>""",
    "/inner": """<title>Inner</title><body>inner<script>
onload=function(){
  var b=document.body.getAttribute('scroll');
  if(location.search==='?second'){parent.document.title='inner second '+b;}
};</script></body>""",
    "/external": """<title>External</title><body><script>
onload=function(){window.external.notify('hello from page');
  setTimeout(function(){document.title='external done';},100);};</script></body>""",
    "/external-frame": """<title>ExternalFrame</title><body>
<iframe src="http://127.0.0.1:PORT/external-inner"></iframe><script>
onload=function(){setTimeout(function(){window.external.notify('top after frame');
  setTimeout(function(){document.title='external frame done';},100);},800);};</script></body>""",
    "/external-inner": """<title>Inner</title><body><script>
try{window.webkit.messageHandlers.external.postMessage('from frame handler');}catch(e){}
try{window.external.notify('from frame external');}catch(e){}
</script></body>""",
    "/popup-target": "<title>Popup</title><body>popup</body>",
    # The login window's pages.
    "/login-page": """<title>Login page</title><style>html,body{margin:0;height:100%;
background:#1e90ff;}</style><body></body>""",
    "/sub-fail": """<title>Sub</title><body><iframe src="/missing-frame"></iframe>
<script>onload=function(){setTimeout(function(){document.title='sub done';},300);};</script></body>""",
    "/popup-from-query": """<title>PopupQ</title><body><script>onload=function(){setTimeout(function(){
  window.open(decodeURIComponent(location.search.slice(1)),'_blank');
  setTimeout(function(){document.title='popup done';},600);},300);};</script></body>""",
    "/loopback-target": "<title>Loop</title><body>loop</body>",
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(LOG, "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        path, _, query = self.path.partition("?")
        if path == "/login-page" and os.path.exists(LOG + ".down"):
            self.close_connection = True
            return
        if path == "/enter-redirect":
            self.redirect("/game?wd_entergame=1&wd_server=s12&wd_username=bob")
            return
        if path == "/to":
            self.redirect(urllib.parse.unquote(query))
            return
        if path == "/status500":
            body = b"<html><body>server error</body></html>"
            self.send_response(500)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if path == "/app.ini":
            body = b"[version]\r\ncurrentversion=3000\r\nupgraderange=\r\n"
            ctype = "text/plain"
        elif path == "/setup.exe":
            body = b"MZ" + b"\0" * 64
            ctype = "application/octet-stream"
        elif path in PAGES:
            page = PAGES[path].replace("PORT", str(self.server.server_address[1]))
            body = ("<!DOCTYPE html><html><head><meta charset='utf-8'></head>"
                    + page + "</html>").encode("utf-8")
            ctype = "text/html; charset=utf-8"
        else:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        data = self.rfile.read(length).decode("latin-1")
        with open(LOG, "a", encoding="utf-8") as log:
            log.write("POST " + self.path + " " + data + "\n")
        body = ("<!DOCTYPE html><html><head><title>posted</title></head><body>"
                "</body></html>").encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, target):
        self.send_response(302)
        self.send_header("Location", target)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("localhost", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
