"""Serves a folder with the faults real servers do not make on demand.

Usage: hvHttpFaultServer.py PORT FOLDER. The first path segment picks the behaviour, the
rest names the file in FOLDER:
  /drop/F         closes a body that starts at 0 after 100000 bytes; ranges are served
  /dropnorange/F  closes every body after 100000 bytes; ranges are ignored, none offered
  /wrongrange/F   answers a range with 206 bytes from 10 further on
  /chunked/F      sends the file chunked, without a length
  /timeseek/F     allows time seeks (content features) at 10000 bytes a second and names
                  the first byte of each answer
  /timenobytes/F  the same without the byte position
  /changing/F     as /drop/, but ranged answers come from a longer version of the file
  /stall/F        never answers
  /stallbody/F    sends the first 1000 bytes of the body, then nothing more; no ranges
  /flood/F        answers with more header lines than a media server would send
  /status503/F    answers 503 Service Unavailable
  /closeearly/F   closes the connection without a word
  /closeinheader/F  closes after the status line and a Content-Length line
  /closeafterheader/F  sends a whole header with a length, then closes; ranges offered
  /noloc/F        answers 302 without a Location
  /relredirect/F  redirects with a relative Location to /ok/F
  /twolengths/F   sends two Content-Length lines that disagree
  /hugelength/F   announces 2^64-1 bytes, sends the file and closes; no ranges
  /nolength/F     sends the file without a length and closes; no ranges
  /shortbody/F    announces 100 bytes more than the file, sends the file and closes;
                  ranges are served, so the missing bytes are asked for and refused (416)
  /partial/F      answers every request with 206 and at most 50000 bytes from its start
  /earlyrange/F   answers a range with 206 bytes from 10 before
  /refusing/F     answers every range with 416, wherever it starts
  /rangeless/F    answers a range with 206 but no Content-Range
  /timefail/F     allows time seeks (content features) but answers each with 503
Other first segments serve F with ranges.
"""
import http.server
import os
import re
import socketserver
import sys
import time

FOLDER = sys.argv[2]
CUT = 100000


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.split("/", 2)
        if len(parts) < 3:
            self.send_error(404)
            return
        mode, name = parts[1], parts[2]
        if mode == "stall":
            time.sleep(60)
            return
        if mode == "flood":
            self.send_response(200)
            for index in range(500):
                self.send_header("X-Filler-%d" % index, "x")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode == "closeearly":
            self.close_connection = True
            return
        if mode == "closeinheader":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 600000\r\n")
            self.close_connection = True
            return
        if mode in ("status503", "noloc", "relredirect"):
            self.send_response({"status503": 503, "noloc": 302, "relredirect": 302}[mode])
            if mode == "relredirect":
                self.send_header("Location", "/ok/" + name)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        path = os.path.join(FOLDER, name)
        if not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            data = f.read()
        if mode == "stallbody":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[:1000])
            self.wfile.flush()
            time.sleep(60)
            return
        if mode in ("twolengths", "hugelength", "nolength", "closeafterheader"):
            self.send_framing_lie(mode, data)
            return
        start = 0
        match = re.match(r"bytes=(\d+)-$", self.headers.get("Range", ""))
        if match and mode not in ("dropnorange", "nolength"):
            start = int(match.group(1))
        if mode == "timefail" and "TimeSeekRange.dlna.org" in self.headers:
            self.send_response(503)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode in ("timeseek", "timenobytes", "timefail"):
            self.send_time_seek(mode, data)
            return
        if mode == "chunked":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for at in range(0, len(data), 30000):
                piece = data[at:at + 30000]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
            return
        if start >= len(data) and start > 0:
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % len(data))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode == "partial" or (mode == "refusing" and start > 0):
            self.send_part(mode, data, start)
            return
        if mode == "changing" and start > 0:
            data = data + b"new"
        first = start
        if mode == "wrongrange" and start > 0:
            first = start + 10
        if mode == "earlyrange" and start > 0:
            first = start - min(start, 10)
        body = data[first:]
        if start > 0:
            self.send_response(206)
            if mode != "rangeless":
                self.send_header("Content-Range",
                                 "bytes %d-%d/%d" % (first, len(data) - 1, len(data)))
        else:
            self.send_response(200)
        if mode != "dropnorange":
            self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body) + (100 if mode == "shortbody" else 0)))
        self.end_headers()
        if mode == "shortbody":
            self.wfile.write(body)
            self.wfile.flush()
            self.close_connection = True
            return
        if mode == "dropnorange" or (mode in ("drop", "changing") and start == 0):
            self.wfile.write(body[:CUT])
            self.wfile.flush()
            self.close_connection = True
            return
        self.wfile.write(body)


    def send_framing_lie(self, mode, data):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "twolengths":
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Content-Length", str(len(data) - 1000))
        elif mode == "hugelength":
            self.send_header("Content-Length", "18446744073709551615")
        elif mode == "closeafterheader":
            self.send_header("Accept-Ranges", "bytes")
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if mode != "closeafterheader":
            self.wfile.write(data)
        self.wfile.flush()
        self.close_connection = True

    def send_part(self, mode, data, start):
        if mode == "refusing":
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % len(data))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        last = min(len(data), start + 50000) - 1
        self.send_response(206)
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Range", "bytes %d-%d/%d" % (start, last, len(data)))
        self.send_header("Content-Length", str(last + 1 - start))
        self.end_headers()
        self.wfile.write(data[start:last + 1])

    def send_time_seek(self, mode, data):
        first = 0
        match = re.match(r"npt=(\d+)\.(\d{3})-$", self.headers.get("TimeSeekRange.dlna.org", ""))
        if match:
            first = min(len(data), (int(match.group(1)) * 1000 + int(match.group(2))) * 10)
        self.send_response(200)
        self.send_header("contentFeatures.dlna.org", "DLNA.ORG_OP=10")
        if match:
            seconds = len(data) / 10000.0
            answer = "npt=%s-%.3f/%.3f" % (match.group(0)[4:-1], seconds, seconds)
            if mode == "timeseek":
                answer += " bytes=%d-%d/%d" % (first, len(data) - 1, len(data))
            self.send_header("TimeSeekRange.dlna.org", answer)
        self.send_header("Content-Type", "video/mpeg")
        self.send_header("Content-Length", str(len(data) - first))
        self.end_headers()
        self.wfile.write(data[first:])


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
