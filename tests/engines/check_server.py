"""Serves a folder on 127.0.0.1 for the browser checks and writes whatever a
page POSTs to /result into result.txt in that folder.
Usage: check_server.py FOLDER PORT"""
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with open(os.path.join(self.directory, "result.txt"), "ab") as out:
            out.write(body + b"\n")
        self.send_response(204)
        self.end_headers()

    def log_message(self, *args):
        pass


folder, port = sys.argv[1], int(sys.argv[2])
handler = functools.partial(Handler, directory=folder)
http.server.ThreadingHTTPServer(("127.0.0.1", port), handler).serve_forever()
