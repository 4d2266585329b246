#!/usr/bin/env python3
"""The Internet check against local servers: wall time, requests in flight, and correctness.

Starts one HTTP server per port (8 "hosts" on 127.0.0.1) that answers every request after a fixed delay,
generates a site whose pages link to 1,000 distinct URLs over those hosts (50 missing, 50 moved with a 301),
and runs `corvane-cli search --check-internet-urls` on it, then the peers found on PATH (LinkChecker from
Debian, linkinator from npm). A second, smaller site holds the awkward servers: one that refuses HEAD, one
that answers after 3 s, one that never answers (checked with --timeout 2).

    bench/net_bench.py --cli build/bench/src/corvane-cli [--wine] [--delay 0.1] [--peers]
"""
import argparse
import asyncio
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HOSTS = 8
PORT0 = 18080
URLS = 1000
MISSING = 50
MOVED = 50


class Servers:
    """Every port's answers; counts the requests in flight at once across all ports."""

    def __init__(self, delay):
        self.delay = delay
        self.in_flight = 0
        self.most = 0
        self.requests = 0
        self.loop = asyncio.new_event_loop()
        self.ready = threading.Event()

    def answer(self, method, path):
        if path.startswith("/missing"):
            return "404 Not Found", ""
        if path.startswith("/moved"):
            return "301 Moved Permanently", "Location: /new" + path[len("/moved"):] + "\r\n"
        if path.startswith("/nohead") and method == "HEAD":
            return "405 Method Not Allowed", ""
        if path != path.lower():  # a server where letter case counts
            return "404 Not Found", ""
        return "200 OK", ""

    async def client(self, reader, writer, port):
        try:
            while True:
                head = await reader.readuntil(b"\r\n\r\n")
                line = head.split(b"\r\n", 1)[0].decode("latin-1").split(" ")
                method, path = line[0], line[1] if len(line) > 1 else "/"
                self.requests += 1
                self.in_flight += 1
                self.most = max(self.most, self.in_flight)
                try:
                    if port == PORT0 + HOSTS + 1:  # never answers
                        await asyncio.sleep(3600)
                    await asyncio.sleep(3.0 if port == PORT0 + HOSTS else self.delay)
                finally:
                    self.in_flight -= 1
                status, extra = self.answer(method, path)
                body = b"" if method == "HEAD" else b"<html>page</html>"
                writer.write(("HTTP/1.1 %s\r\n%sContent-Length: %d\r\n\r\n" % (status, extra, len(body))).encode()
                             + body)
                await writer.drain()
        except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
            pass
        finally:
            writer.close()

    def run(self):
        asyncio.set_event_loop(self.loop)
        for i in range(HOSTS + 2):
            port = PORT0 + i
            self.loop.run_until_complete(asyncio.start_server(
                lambda r, w, port=port: self.client(r, w, port), "127.0.0.1", port, backlog=1024))
        self.ready.set()
        self.loop.run_forever()

    def reset(self):
        self.most = 0
        self.requests = 0


def url(i):
    host = "http://127.0.0.1:%d" % (PORT0 + i % HOSTS)
    if i < MISSING:
        return "%s/missing%d.html" % (host, i)
    if i < MISSING + MOVED:
        return "%s/moved%d.html" % (host, i)
    return "%s/page%d.html" % (host, i)


def write_site(folder, urls, pages):
    os.makedirs(folder)
    per_page = (len(urls) + pages - 2) // (pages - 1)
    with open(os.path.join(folder, "index.html"), "w") as f:
        f.write("<html><body>\n" + "".join('<a href="p%d.html">p%d</a>\n' % (p, p) for p in range(pages - 1))
                + "</body></html>\n")
    for p in range(pages - 1):
        chunk = urls[p * per_page:(p + 1) * per_page]
        with open(os.path.join(folder, "p%d.html" % p), "w") as f:
            f.write('<html><body><a href="index.html">home</a>\n'
                    + "".join('<a href="%s">x</a>\n' % u for u in chunk) + "</body></html>\n")


def run_cli(args, site, extra):
    if args.wine:
        site = "Z:" + site.replace("/", "\\")
    cmd = list(args.cli_cmd) + ["search", "--check-internet-urls"] + extra + [site]
    start = time.monotonic()
    out = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    wall = time.monotonic() - start
    verdicts = {}
    for m in re.finditer(r'Checking "([^"]+)" in the Internet \.\.\. (valid|broken|skipped|timed out)\. ', out.stdout):
        verdicts[m.group(1)] = m.group(2)
    return wall, verdicts, out.stdout


def report(name, wall, most, found, expected, note=""):
    print("| %-34s | %7.2f s | %4d | %s | %s" % (name, wall, most, "%d of %d" % (found, expected), note))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--wine", action="store_true", help="run the Windows corvane-cli.exe under Wine")
    parser.add_argument("--delay", type=float, default=0.1)
    parser.add_argument("--peers", action="store_true", help="also run LinkChecker and linkinator if on PATH")
    parser.add_argument("--extra", default="", help="more switches for corvane-cli")
    args = parser.parse_args()
    here = os.path.dirname(os.path.abspath(__file__))
    args.cli_cmd = [os.path.join(here, "..", "scripts", "wine-run.sh"), args.cli] if args.wine else [args.cli]
    if args.wine:
        # A wineserver started by the run itself holds its output open for seconds after the
        # program ends; one kept running beforehand measures the program alone.
        subprocess.run(["bash", "-c", 'source "$1"; wine_prefix_ready; setsid wineserver -p 120 </dev/null >/dev/null 2>&1 &',
                        "-", os.path.join(here, "..", "scripts", "wine-env.sh")], check=True)
        subprocess.run(list(args.cli_cmd) + ["--help"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    servers = Servers(args.delay)
    threading.Thread(target=servers.run, daemon=True).start()
    servers.ready.wait()
    work = tempfile.mkdtemp(prefix="net-bench-")
    os.chmod(work, 0o755)  # LinkChecker run as root reads the site as nobody
    try:
        urls = [url(i) for i in range(URLS)]
        site = os.path.join(work, "site")
        write_site(site, urls, 201)
        missing = {u for u in urls if "/missing" in u}
        print("Site: 201 pages, %d distinct external URLs over %d hosts (%d missing, %d moved), %.0f ms per answer"
              % (URLS, HOSTS, MISSING, MOVED, args.delay * 1000))
        print("| tool | wall | most in flight | missing found | notes")
        print("|---|---|---|---|---")
        servers.reset()
        wall, verdicts, log = run_cli(args, site, args.extra.split())
        broken = {u for u, v in verdicts.items() if v == "broken"}
        wrong = len(broken ^ missing)
        report("corvane-cli" + (" (Wine)" if args.wine else ""), wall, servers.most, len(broken & missing),
               len(missing), "%d URLs logged, %d wrong" % (len(verdicts), wrong))
        if args.peers:
            peers(args, site, servers, missing)

        odd = os.path.join(work, "odd")
        odd_urls = ["http://127.0.0.1:%d/nohead.html" % PORT0, "http://127.0.0.1:%d/slow.html" % (PORT0 + HOSTS),
                    "http://127.0.0.1:%d/never.html" % (PORT0 + HOSTS + 1), "http://127.0.0.1:%d/page1.html" % PORT0,
                    "http://127.0.0.1:%d/PAGE1.html" % PORT0]
        write_site(odd, odd_urls, 2)
        wall, verdicts, log = run_cli(args, odd, ["--timeout", "2"])
        print("\nAwkward servers (--timeout 2), %.2f s:" % wall)
        for u in odd_urls:
            print("  %-45s %s" % (u, verdicts.get(u, "?")))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def peers(args, site, servers, missing):
    if shutil.which("linkchecker"):
        config = os.path.join(os.path.dirname(site), "linkcheckerrc")
        with open(config, "w") as f:
            f.write("[checking]\nmaxrequestspersecond=1000\nthreads=100\n")
        os.chmod(config, 0o644)
        for name, extra in (("LinkChecker, default settings", []),
                            ("LinkChecker, rate limit lifted", ["-f", config])):
            servers.reset()
            start = time.monotonic()
            out = subprocess.run(["linkchecker", "--check-extern", "--no-status", "-o", "csv"] + extra
                                 + [os.path.join(site, "index.html")], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True, errors="replace")
            wall = time.monotonic() - start
            found = {u for u in missing if re.search(re.escape(u) + r".*404", out.stdout)}
            report(name, wall, servers.most, len(found), len(missing))
    else:
        print("| LinkChecker | not installed (apt-get install linkchecker) |")
    linkinator = shutil.which("linkinator")
    if linkinator:
        servers.reset()
        start = time.monotonic()
        out = subprocess.run([linkinator, site, "--recurse", "--format", "csv"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True, errors="replace")
        wall = time.monotonic() - start
        found = {u for u in missing if re.search(re.escape(u) + r",404", out.stdout)}
        report("linkinator", wall, servers.most, len(found), len(missing))
    else:
        print("| linkinator | not installed (npm install -g linkinator) |")


if __name__ == "__main__":
    sys.exit(main())
