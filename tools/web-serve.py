#!/usr/bin/env python3
"""Serves a directory on 127.0.0.1 as a plain web host would: the right types
and the files gzipped for a browser that takes them. For trying the browser
game locally (tools/web.sh serve); any static web host serves the same files.

    tools/web-serve.py DIRECTORY [PORT]
"""
import gzip
import http.server
import os
import sys

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".png": "image/png",
    ".webmanifest": "application/manifest+json",
}


class Handler(http.server.BaseHTTPRequestHandler):
    root = "."
    packed = {}

    def do_GET(self):
        self.send(True)

    def do_HEAD(self):
        self.send(False)

    def send(self, body):
        name = self.path.split("?", 1)[0].lstrip("/") or "index.html"
        path = os.path.realpath(os.path.join(self.root, name))
        kind = TYPES.get(os.path.splitext(path)[1])
        if kind is None or not path.startswith(self.root + os.sep) or not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            data = f.read()
        zipped = "gzip" in self.headers.get("Accept-Encoding", "")
        if zipped:
            key = (path, os.path.getmtime(path))
            if key not in self.packed:
                self.packed[key] = gzip.compress(data, 9)
            data = self.packed[key]
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-cache")
        if zipped:
            self.send_header("Content-Encoding", "gzip")
        self.end_headers()
        if body:
            self.wfile.write(data)

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    Handler.root = os.path.realpath(sys.argv[1])
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 8080
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
