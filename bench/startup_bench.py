#!/usr/bin/python3
"""Start-up, memory and idle cost of the Linux client beside a bare web view.

Both programs are started the same way (fresh data and cache folders, the same
X display) against the same loopback login page: the demo platform's start
page, served with a small script that asks for /_bench/painted once the page
has produced its first frame (two animation frames after the first script
run).  The time from starting the process to that request is the start-up
time; the process's resident memory is read at that moment.

Prints, with the medians of several runs of each program (runs alternate,
and so does which program goes first in a round), the medians of the
ratios of the back-to-back rounds:
  startup/bare-webview ratio: N
  rss/bare-webview ratio: N
The client's web views draw pages without GL; the bare web view keeps the
engine's default (GL, which is Mesa's software renderer under Xvfb).  The
bare web view is therefore also run with the client's choice (--software),
and the same two ratios against it are printed beside, as
"startup/bare-webview-software ratio" and "rss/bare-webview-software ratio":
they show what the client itself costs beside the bare program that draws
the way it does.
beside the CPU time each program's own process used until then, and then,
with the page loaded and still (no field takes the focus, so no
caret blinks), the CPU time of the client's own process (not the web engine's
processes) over a minute, without the thread the engine runs in every
embedding process to watch the system's memory (printed beside it, with the
bare web view's figures):
  idle cpu ms/min: N
With STARTUP_TRACE=1 in the environment it also prints when each program
starts and when its start page is requested; with STARTUP_SMAPS=DIR it keeps
each program's /proc/PID/smaps at its first frame there (client.smaps,
bare.smaps, from the last run of each).
"""
import argparse
import http.server
import os
import shutil
import socketserver
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools", "demo-platform"))
import demo_platform  # noqa: E402
import records as records_mod  # noqa: E402
import roles as roles_mod  # noqa: E402

BEACON = (b"<script>requestAnimationFrame(function(){requestAnimationFrame(function(){"
          b"var r=new XMLHttpRequest();r.open('GET','/_bench/painted',true);r.send();});});"
          b"</script>")
START_PATH = "/tavo/wd/index.html"


class Painted:
    """The moment the page reported its first frame, as a monotonic time."""

    def __init__(self):
        self.cond = threading.Condition()
        self.at = None

    def reset(self):
        with self.cond:
            self.at = None

    def mark(self):
        with self.cond:
            if self.at is None:
                self.at = time.monotonic()
            self.cond.notify_all()

    def wait(self, timeout):
        end = time.monotonic() + timeout
        with self.cond:
            while self.at is None:
                left = end - time.monotonic()
                if left <= 0:
                    return None
                self.cond.wait(left)
            return self.at


def start_platform(painted, quiet_log):
    platform = demo_platform.Platform("localhost", 18080, records_mod.RecordBook(None))
    for key in roles_mod.ROLE_ORDER:
        cls = roles_mod.ROLE_CLASSES[key]
        if key == "download":
            platform.roles[key] = cls(platform, None, None, "", None, {})
        else:
            platform.roles[key] = cls(platform)
    platform.served = list(roles_mod.ROLE_ORDER)

    web = platform.roles["web"]
    plain = web.handle

    def handle(req):
        if req.path == "/_bench/painted":
            if os.environ.get("STARTUP_TRACE"):
                print("  %.3f first frame" % time.monotonic(), flush=True)
            painted.mark()
            return roles_mod.Response(b"", 200, "text/plain", "bench")
        if os.environ.get("STARTUP_TRACE"):
            print("  %.3f %s" % (time.monotonic(), req.target), flush=True)
        response = plain(req)
        if req.path == START_PATH and response.status == 200:
            # A still page: no field takes the focus by itself, so no caret
            # blinks and nothing is drawn again once the page is shown.
            response.body = response.body.replace(b" autofocus", b"")
            response.body = response.body.replace(b"</body>", BEACON + b"</body>", 1)
        return response

    web.handle = handle
    log = demo_platform.Log(quiet_log, True)
    servers = []
    for key in roles_mod.ROLE_ORDER:
        servers += demo_platform.bind(platform, key, demo_platform.make_handler(platform, key, log),
                                      ["127.0.0.1", "::1"])
    for server in servers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()
    return platform, servers


def rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def cpu_ms(pid):
    """The process's CPU time so far (user and system, all its threads), ms."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) * 1000.0 / CLOCK_TICKS
    except (OSError, IndexError, ValueError):
        return 0.0


def descendants(pid):
    children = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            children.setdefault(int(fields[1]), []).append(int(name))
        except (OSError, IndexError, ValueError):
            continue
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


# Threads the web engine starts in the program's own process for its own
# bookkeeping, by the names it gives them: WebKitGTK's memory pressure monitor
# reads the system's memory figures every few seconds in every program that
# embeds it.  Their time is counted apart (and printed) for both programs.
ENGINE_THREADS = ("PressureMonitor",)


def thread_times(pid):
    """{thread id: (name, CPU time so far in ns)} of the process's live
    threads, from the scheduler's own per-thread run times (precise)."""
    times = {}
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return None
    for task in tasks:
        try:
            with open("/proc/%d/task/%s/comm" % (pid, task)) as f:
                name = f.read().strip()
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                times[int(task)] = (name, int(f.read().split()[0]))
        except (OSError, ValueError, IndexError):
            continue
    return times


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def one_run(kind, command, painted, scratch, timeout, keep=False):
    """Starts one program with fresh folders; returns (seconds, rss KiB,
    rss KiB with its web engine processes, CPU ms of its own process, process)
    or None."""
    home = tempfile.mkdtemp(prefix=kind + "-", dir=scratch)
    env = dict(os.environ)
    for var, sub in (("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"),
                     ("XDG_DATA_HOME", "data"), ("TMPDIR", "tmp")):
        env[var] = os.path.join(home, sub)
        os.makedirs(env[var], exist_ok=True)
    painted.reset()
    started = time.monotonic()
    if os.environ.get("STARTUP_TRACE"):
        print("  %.3f start %s" % (started, kind), flush=True)
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    at = painted.wait(timeout)
    if at is None or proc.poll() is not None:
        stop(proc)
        return None
    own = rss_kib(proc.pid)
    cpu = cpu_ms(proc.pid)
    if os.environ.get("STARTUP_SMAPS"):
        # The memory map of the program at its first frame, for reading
        # where its resident memory lies (the last run of each kind is kept).
        try:
            shutil.copyfile("/proc/%d/smaps" % proc.pid,
                            os.path.join(os.environ["STARTUP_SMAPS"], kind + ".smaps"))
        except OSError:
            pass
    tree = own + sum(rss_kib(p) for p in descendants(proc.pid))
    if keep:
        return at - started, own, tree, cpu, proc
    stop(proc)
    shutil.rmtree(home, ignore_errors=True)
    return at - started, own, tree, cpu, None


def idle_cpu(proc, seconds, settle):
    """CPU time over the window, in ms per minute: (the program's own threads,
    the engine's bookkeeping threads); None if the program ended."""
    time.sleep(settle)
    before = thread_times(proc.pid)
    time.sleep(seconds)
    after = thread_times(proc.pid)
    if before is None or after is None or proc.poll() is not None:
        return None
    own = engine = 0
    for tid, (name, ns) in after.items():
        used = ns - before.get(tid, (name, 0))[1]
        if name in ENGINE_THREADS:
            engine += used
        else:
            own += used
    scale = 60.0 / seconds / 1e6
    return own * scale, engine * scale


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--client", required=True, help="the demo build of the client")
    parser.add_argument("--bare", required=True, help="the bare web view program")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=float, default=60.0)
    parser.add_argument("--settle-seconds", type=float, default=5.0)
    parser.add_argument("--timeout", type=float, default=60.0)
    args = parser.parse_args()

    painted = Painted()
    with open(os.devnull, "w") as devnull:
        platform, servers = start_platform(painted, devnull)
        scratch = tempfile.mkdtemp(prefix="vexa-startup-")
        url = platform.start_url()
        programs = {"client": [args.client], "bare": [args.bare, url],
                    "software": [args.bare, "--software", url]}
        kinds = ("client", "bare", "software")
        results = {kind: [] for kind in kinds}
        failed = False
        try:
            # One discarded run of each warms the file cache the same way for all.
            for kind in kinds:
                if one_run(kind, programs[kind], painted, scratch, args.timeout) is None:
                    print("startup: the %s never reported its first frame of %s" % (kind, url))
                    failed = True
            for run in range(args.runs if not failed else 0):
                # Which program goes first turns from round to round.
                for kind in kinds[run % 3:] + kinds[:run % 3]:
                    got = one_run(kind, programs[kind], painted, scratch, args.timeout)
                    if got is None:
                        print("startup: a %s run failed" % kind)
                        failed = True
                    else:
                        results[kind].append(got[:4])
            if failed:
                return 1
            med = {k: [statistics.median(r[i] for r in results[k]) for i in range(4)] for k in results}
            print("startup client: %.0f ms  bare web view: %.0f ms  drawing in software: %.0f ms  "
                  "(medians of %d runs)" % (med["client"][0] * 1000, med["bare"][0] * 1000,
                                           med["software"][0] * 1000, args.runs))
            print("rss client: %d KiB  bare web view: %d KiB  drawing in software: %d KiB  "
                  "(with web engine processes: %d / %d / %d KiB)"
                  % (med["client"][1], med["bare"][1], med["software"][1],
                     med["client"][2], med["bare"][2], med["software"][2]))
            # Each ratio is the median of the ratios within the rounds, so
            # that the programs compared see the same load.
            def paired(i, other="bare"):
                return statistics.median(c[i] / b[i] for c, b in zip(results["client"], results[other]))
            print("cpu to first frame, own process: client %.0f ms  bare web view: %.0f ms  "
                  "drawing in software: %.0f ms" % (med["client"][3], med["bare"][3], med["software"][3]))
            print("startup/bare-webview ratio: %.2f" % paired(0))
            print("rss/bare-webview ratio: %.2f" % paired(1))
            print("startup/bare-webview-software ratio: %.2f" % paired(0, "software"))
            print("rss/bare-webview-software ratio: %.2f" % paired(1, "software"))
            sys.stdout.flush()

            if args.idle_seconds > 0:
                idle = {}
                for kind in ("client", "bare"):
                    got = one_run(kind, programs[kind], painted, scratch, args.timeout, keep=True)
                    if got is None:
                        print("startup: the %s did not start for the idle measurement" % kind)
                        return 1
                    try:
                        idle[kind] = idle_cpu(got[4], args.idle_seconds, args.settle_seconds)
                    finally:
                        stop(got[4])
                    if idle[kind] is None:
                        print("startup: the %s ended during the idle measurement" % kind)
                        return 1
                print("idle cpu, own threads / the engine's memory monitor thread: "
                      "client %.1f / %.1f ms/min, bare web view %.1f / %.1f ms/min"
                      % (idle["client"] + idle["bare"]))
                print("idle cpu ms/min: %.1f" % idle["client"][0])
        finally:
            for server in servers:
                server.shutdown()
                server.server_close()
            shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
