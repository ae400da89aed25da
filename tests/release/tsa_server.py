#!/usr/bin/env python3
"""A throwaway RFC 3161 timestamp authority on 127.0.0.1, for the release tests.

    tsa_server.py DIR [--lifetime SECONDS]

Makes its own CA and a timestamping certificate under DIR (tsa-ca.crt is what a verifier
trusts), then answers each POSTed TimeStampReq with `openssl ts -reply` and writes one line per
request to DIR/requests.log. The path /unavailable answers 503, as an authority that is down.
It binds to 127.0.0.1 on a port the kernel picks and writes that port to DIR/port once it
listens. It stops by itself after --lifetime seconds (default 900), so a test
that dies never leaves it behind; the test stops it earlier with SIGTERM.
"""
import argparse
import http.server
import os
import subprocess
import sys
import tempfile
import threading
from pathlib import Path


def run(*args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_authority(folder: Path):
    """CA, timestamping key and certificate, and the openssl ts configuration."""
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-noenc", "-sha256", "-days", "30",
        "-subj", "/CN=Quorix test timestamp CA (throwaway)",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign",
        "-keyout", "tsa-ca.key", "-out", "tsa-ca.crt", cwd=folder)
    run("openssl", "req", "-new", "-newkey", "rsa:2048", "-noenc",
        "-subj", "/CN=Quorix test timestamp authority (throwaway)",
        "-keyout", "tsa.key", "-out", "tsa.csr", cwd=folder)
    (folder / "tsa.ext").write_text(
        "basicConstraints=critical,CA:FALSE\n"
        "keyUsage=critical,digitalSignature\n"
        "extendedKeyUsage=critical,timeStamping\n")
    run("openssl", "x509", "-req", "-in", "tsa.csr", "-CA", "tsa-ca.crt", "-CAkey", "tsa-ca.key",
        "-CAcreateserial", "-days", "30", "-sha256", "-extfile", "tsa.ext", "-out", "tsa.crt",
        cwd=folder)
    (folder / "serial").write_text("01\n")
    # SHA-1 requests too: the outer signature of a dual-signed file is a SHA-1 one, and its
    # timestamp request carries a SHA-1 imprint.
    (folder / "tsa.cnf").write_text(f"""
[ tsa ]
default_tsa = quorix_test_tsa
[ quorix_test_tsa ]
dir = {folder}
serial = $dir/serial
crypto_device = builtin
signer_cert = $dir/tsa.crt
certs = $dir/tsa.crt
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.55555.1.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
""")


class Handler(http.server.BaseHTTPRequestHandler):
    folder: Path = Path()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length) if 0 < length <= 65536 else b""
        if self.path == "/unavailable":
            # An authority that is down, for the test that the next URL is tried.
            with open(self.folder / "requests.log", "a") as log:
                log.write(f"{self.path} {len(query)} bytes: unavailable\n")
            self.send_error(503, "unavailable")
            return
        with tempfile.TemporaryDirectory(dir=self.folder) as scratch:
            request = Path(scratch, "request.tsq")
            reply = Path(scratch, "reply.tsr")
            request.write_bytes(query)
            result = subprocess.run(
                ["openssl", "ts", "-reply", "-config", str(self.folder / "tsa.cnf"),
                 "-queryfile", str(request), "-out", str(reply)],
                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            answer = reply.read_bytes() if result.returncode == 0 else b""
        with open(self.folder / "requests.log", "a") as log:
            log.write(f"{self.path} {len(query)} bytes: "
                      f"{'answered' if answer else 'refused: ' + result.stderr.decode(errors='replace').strip()}\n")
        if not answer:
            self.send_error(400, "not a timestamp request this authority answers")
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)

    def log_message(self, format, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("--lifetime", type=float, default=900)
    args = parser.parse_args()
    folder = args.folder.resolve()
    folder.mkdir(parents=True, exist_ok=True)
    make_authority(folder)
    Handler.folder = folder
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    # The upper bound on the server's life: it shuts down by itself even if no one stops it.
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    port_file = folder / "port"
    port_file.with_suffix(".tmp").write_text(f"{server.server_address[1]}\n")
    os.replace(port_file.with_suffix(".tmp"), port_file)
    try:
        server.serve_forever()
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
