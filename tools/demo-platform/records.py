"""The platform's record of every request, per host role.

Each request becomes one record (a dict that serialises to JSON):

  seq      running number over all roles, from 1
  time     seconds since the epoch (float); clock: local time of the machine
  role     "web", "login", "game", "wechat", "stats", "browser-stats", "download"
  host     the host name and port of that role, as the client addresses it
  method   request method, or "" when the request line could not be read
  target   the request target exactly as received (path and query, still encoded)
  path     the decoded path without the query
  query    the decoded query parameters (first value of each name)
  status   the HTTP status answered
  bytes    length of the body sent (0 for HEAD and 304)
  event    what the request meant to the platform, e.g. "start-page",
           "ping-active", "version-file", "game-asset", "not-found", "bad-request"
  details  event-specific facts (decoded ping fields, user, server, session ...)
  headers  the request headers that tell a story: User-Agent, Referer, Cookie,
           If-None-Match, If-Modified-Since, Content-Type
  client   the peer address

Records live in memory (served as JSON by every host under /_demo/records) and,
when a file is given, are appended to it as JSON lines as they happen.
"""
import json
import threading
import time

KEPT_HEADERS = ("User-Agent", "Referer", "Cookie", "If-None-Match", "If-Modified-Since",
                "Content-Type")


class RecordBook:
    """Thread-safe list of request records; every handler thread appends."""

    # Enough for hours of play; the oldest records go first beyond it.
    LIMIT = 20000

    def __init__(self, path=None):
        self._lock = threading.Lock()
        self._records = []
        self._seq = 0
        self._file = open(path, "a", encoding="utf-8") if path else None

    def add(self, record):
        with self._lock:
            self._seq += 1
            record["seq"] = self._seq
            record.setdefault("time", time.time())
            self._records.append(record)
            if len(self._records) > self.LIMIT:
                del self._records[: len(self._records) - self.LIMIT]
            if self._file:
                self._file.write(json.dumps(record, ensure_ascii=False) + "\n")
                self._file.flush()
            return record

    def select(self, role=None, since=0, event=None):
        """Records oldest first; role None means every role."""
        with self._lock:
            return [dict(r) for r in self._records
                    if r["seq"] > since and (role is None or r["role"] == role)
                    and (event is None or r.get("event") == event)]

    def close(self):
        with self._lock:
            if self._file:
                self._file.close()
                self._file = None


def pick_headers(headers):
    kept = {}
    for name in KEPT_HEADERS:
        value = headers.get(name) if headers is not None else None
        if value is not None:
            kept[name] = value
    return kept
