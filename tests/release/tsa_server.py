#!/usr/bin/env python3
"""A throwaway timestamp authority on 127.0.0.1, for the release tests: RFC 3161 and the legacy
Authenticode protocol.

    tsa_server.py DIR [--lifetime SECONDS]

Makes its own CA and a timestamping certificate under DIR (tsa-ca.crt is what a verifier
trusts), then answers each POSTed request and writes one line per request, with its protocol, to
DIR/requests.log: an RFC 3161 TimeStampReq (application/timestamp-query) with `openssl ts
-reply`, signed with SHA-256; a legacy one (base64 of the signature value to counter-sign) with
a PKCS#7 SignedData over that value made by `openssl smime`, signed with SHA-1 as the oldest
verifiers need. The path /unavailable answers 503, as an authority that is down.
It binds to 127.0.0.1 on a port the kernel picks and writes that port to DIR/port once it
listens. It stops by itself after --lifetime seconds (default 900), so a test
that dies never leaves it behind; the test stops it earlier with SIGTERM.
"""
import argparse
import base64
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
    # SHA-1 imprints too: a SHA-1 signature sent here by mistake is stamped, and the release
    # check, not this authority, must be what catches it.
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


def der_element(data: bytes, at: int):
    """(tag, content start, end) of the DER element at `at`."""
    tag, length, at = data[at], data[at + 1], at + 2
    if length & 0x80:
        count = length & 0x7F
        length, at = int.from_bytes(data[at:at + count], "big"), at + count
    if at + length > len(data):
        raise ValueError("element runs past the request")
    return tag, at, at + length


def legacy_content(request: bytes) -> bytes:
    """The value a legacy request asks to have counter-signed: SEQUENCE { type OID, ContentInfo
    { data OID, [0] { OCTET STRING } } }."""
    _, at, _ = der_element(request, 0)
    _, _, at = der_element(request, at)  # the countersignature type
    tag, at, _ = der_element(request, at)  # the ContentInfo
    _, _, at = der_element(request, at)  # id-data
    _, at, _ = der_element(request, at)  # [0]
    tag, start, end = der_element(request, at)
    if tag != 0x04:
        raise ValueError("no OCTET STRING to counter-sign")
    return request[start:end]


class Handler(http.server.BaseHTTPRequestHandler):
    folder: Path = Path()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length) if 0 < length <= 65536 else b""
        rfc3161 = self.headers.get("Content-Type", "") == "application/timestamp-query"
        kind = "RFC 3161" if rfc3161 else "legacy"
        if self.path == "/unavailable":
            # An authority that is down, for the test that the next URL is tried.
            with open(self.folder / "requests.log", "a") as log:
                log.write(f"{self.path} {len(query)} bytes, {kind}: unavailable\n")
            try:
                self.send_error(503, "unavailable")
            except (BrokenPipeError, ConnectionResetError):
                pass  # the client gave up on it first
            return
        answer, why = b"", ""
        with tempfile.TemporaryDirectory(dir=self.folder) as scratch:
            request = Path(scratch, "request")
            reply = Path(scratch, "reply")
            if rfc3161:
                request.write_bytes(query)
                command = ["openssl", "ts", "-reply", "-config", str(self.folder / "tsa.cnf"),
                           "-queryfile", str(request), "-out", str(reply)]
            else:
                try:
                    request.write_bytes(legacy_content(base64.b64decode(query)))
                except (ValueError, IndexError) as error:
                    why = f"not a legacy request: {error}"
                command = ["openssl", "smime", "-sign", "-binary", "-nodetach", "-nosmimecap",
                           "-md", "sha1", "-signer", str(self.folder / "tsa.crt"),
                           "-inkey", str(self.folder / "tsa.key"), "-outform", "DER",
                           "-in", str(request), "-out", str(reply)]
            if not why:
                result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                if result.returncode == 0:
                    answer = reply.read_bytes()
                why = result.stderr.decode(errors="replace").strip()
        with open(self.folder / "requests.log", "a") as log:
            log.write(f"{self.path} {len(query)} bytes, {kind}: "
                      f"{'answered' if answer else 'refused: ' + why}\n")
        if not answer:
            self.send_error(400, "not a timestamp request this authority answers")
            return
        if not rfc3161:
            answer = base64.b64encode(answer)
        self.send_response(200)
        self.send_header("Content-Type",
                         "application/timestamp-reply" if rfc3161 else "application/octet-stream")
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
