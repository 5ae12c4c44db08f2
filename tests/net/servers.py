"""Real network peers on 127.0.0.1 for the HTTP client's tests and the end-to-end tests.

Standard library only, plus the `openssl` and `tinyproxy` programs (Debian packages openssl and
tinyproxy-bin). Every server binds to 127.0.0.1 on a free port and stops with the context.

    from servers import TestServers
    with TestServers(workdir) as s:       # workdir: a folder in the build tree (certificates, logs)
        s.http_url("/bytes/1000")         # "http://127.0.0.1:PORT/bytes/1000"
        s.https_url(path)                 # TLS, certificate for 127.0.0.1 and localhost, signed by s.ca_pem
        s.untrusted_url(path)             # TLS, self-signed certificate that nobody trusts
        s.wrong_host_url(path)            # TLS, signed by the test CA but for another host name
        s.refused_url(path)               # a port where nothing listens
        s.blackhole_url(path)             # a port whose connection attempts are never answered
        s.files["/full.exe"] = b"..."     # serve bytes (or a file path) under that path; delete to 404
        s.proxy_port, s.auth_proxy_port   # tinyproxy; the second wants Basic auth s.proxy_user/s.proxy_password
        s.proxy_log(), s.auth_proxy_log() # the proxies' log texts: requests show as "GET http://..."
        s.requests                        # every request the HTTP(S) servers received: dicts with
                                          # "server" ("http", "https", "untrusted", "wronghost"), "method", "path", "headers"
        s.environment()                   # all of the above as LUSETUP_NET_* variables for a test program
        s.trust_in_wine([wine-run.sh, "--prefix=P"], trust_exe)  # the test CA trusted in that prefix
                                          # (trust_exe: the trust-test-ca target of tests/net)
    winpath(path)                         # "Z:\\..." for a Windows program under Wine

Under Wine, mind two things: give the proxy as "localhost", not "127.0.0.1" (Wine's WinHTTP sends
a request whose server has the proxy's own host name directly, as if there were no proxy), and
expect Wine to reuse an open proxy tunnel for the next https request through the same proxy,
whatever server that request names.

Routes of the HTTP and TLS servers:
    /bytes/N          N bytes of byte_pattern(N), with Content-Length
    /chunked/N        the same bytes in chunks, without Content-Length
    /redirect/K       K redirects (302; absolute URLs, absolute paths and relative paths), then /bytes/100
    /status/CODE      that status with a short text body
    /page.html        a 200 HTML page
    /stall/N          Content-Length 2N, N bytes, then silence until the client gives up or the servers stop
    /cut/N            Content-Length 2N, N bytes, then the connection closes
    /headers          the request's header lines as the body
    /to-http          a redirect to /bytes/10 of the plain HTTP server
    anything in s.files, else 404
"""
import http.server
import os
import shutil
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time

__all__ = ["TestServers", "byte_pattern", "free_port", "winpath"]

CA_NAME = "LuSetup Test CA"


def byte_pattern(n):
    """The body of /bytes/N and /chunked/N: a fixed pattern that shows lost or moved bytes."""
    return bytes((i * 7 + i // 251) & 0xFF for i in range(n))


def winpath(path):
    """The Windows form of a Unix path for a program under Wine (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that give up (time-outs, refused certificates) reset their connections: quiet.
        # Anything else is a fault of the server and is printed.
        if not isinstance(sys.exc_info()[1], OSError):
            super().handle_error(request, client_address)


def _make_handler(owner, kind):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            owner._record(kind, self)
            base = owner._base_url(kind)
            path = self.path
            if path.startswith(("http://", "https://")):
                # The absolute form, which servers must accept (some clients send it to a server
                # behind a proxy's tunnel).
                path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
            path = path.split("?", 1)[0]
            parts = path.strip("/").split("/")
            try:
                if parts[0] == "bytes" and len(parts) == 2:
                    return self._send(200, byte_pattern(int(parts[1])))
                if parts[0] == "chunked" and len(parts) == 2:
                    return self._chunked(byte_pattern(int(parts[1])))
                if parts[0] == "redirect" and len(parts) == 2:
                    k = int(parts[1])
                    if k <= 1:
                        location = base + "/bytes/100"
                    elif k % 2:
                        location = f"{base}/redirect/{k - 1}"  # absolute URL
                    elif k % 4:
                        location = str(k - 1)                   # relative to /redirect/
                    else:
                        location = f"/redirect/{k - 1}"         # absolute path
                    return self._send(302, b"moved", extra={"Location": location})
                if parts[0] == "status" and len(parts) == 2:
                    return self._send(int(parts[1]), b"status " + parts[1].encode())
                if path == "/page.html":
                    return self._send(200, b"<html><body>Not a setup</body></html>", "text/html")
                if parts[0] == "stall" and len(parts) == 2:
                    return self._stall(int(parts[1]))
                if parts[0] == "cut" and len(parts) == 2:
                    return self._cut(int(parts[1]))
                if path == "/to-http":
                    return self._send(302, b"moved", extra={"Location": owner.http_url("/bytes/10")})
                if path == "/headers":
                    return self._send(200, str(self.headers).encode("latin-1"), "text/plain")
            except ValueError:
                return self._send(400, b"bad request")
            body = owner.files.get(path)
            if body is None:
                return self._send(404, b"not found")
            if not isinstance(body, (bytes, bytearray)):
                with open(body, "rb") as f:
                    body = f.read()
            return self._send(200, bytes(body), "application/octet-stream")

        def _send(self, code, body, ctype="application/octet-stream", extra=None):
            self.send_response(code)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(body)))
            for k, v in (extra or {}).items():
                self.send_header(k, v)
            self.end_headers()
            self.wfile.write(body)

        def _chunked(self, body):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            step = max(1, len(body) // 5)
            for i in range(0, len(body), step):
                piece = body[i:i + step]
                self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                self.wfile.flush()
                time.sleep(0.01)
            self.wfile.write(b"0\r\n\r\n")

        def _cut(self, n):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(2 * n))
            self.end_headers()
            self.wfile.write(byte_pattern(n))
            self.wfile.flush()
            self.close_connection = True

        def _stall(self, n):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(2 * n))
            self.end_headers()
            self.wfile.write(byte_pattern(n))
            self.wfile.flush()
            # Silence, bounded: the client's read time-out ends the request long before.
            owner._stopping.wait(60)
            self.close_connection = True

    return Handler


class TestServers:
    """Starts every peer on entry (see the module's text) and stops them on exit."""

    def __init__(self, workdir, proxies=True):
        self.workdir = os.path.abspath(workdir)
        self.files = {}
        self.requests = []
        self.proxy_user, self.proxy_password = "proxyuser", "proxy-secret"
        self._with_proxies = proxies
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._servers, self._procs, self._sockets = [], [], []

    # ---- lifetime -------------------------------------------------------------------------------
    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        os.makedirs(self.workdir, exist_ok=True)
        self._make_certificates()
        self.http_port = self._serve("http")
        self.https_port = self._serve("https", self._tls_context("server"))
        self.untrusted_port = self._serve("untrusted", self._tls_context("untrusted"))
        self.wrong_host_port = self._serve("wronghost", self._tls_context("wronghost"))
        self.refused_port = free_port()
        self.blackhole_port = self._blackhole()
        if self._with_proxies:
            self.proxy_port, self._proxy_log = self._tinyproxy("proxy", auth=False)
            self.auth_proxy_port, self._auth_proxy_log = self._tinyproxy("auth-proxy", auth=True)

    def stop(self):
        self._stopping.set()
        for p in self._procs:
            p.terminate()
        for p in self._procs:
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        for s in self._servers:
            s.shutdown()
            s.server_close()
        for s in self._sockets:
            s.close()
        self._procs, self._servers, self._sockets = [], [], []

    # ---- addresses ------------------------------------------------------------------------------
    def http_url(self, path="/"):
        return f"http://127.0.0.1:{self.http_port}{path}"

    def https_url(self, path="/", host="127.0.0.1"):
        return f"https://{host}:{self.https_port}{path}"

    def untrusted_url(self, path="/"):
        return f"https://127.0.0.1:{self.untrusted_port}{path}"

    def wrong_host_url(self, path="/"):
        return f"https://127.0.0.1:{self.wrong_host_port}{path}"

    def refused_url(self, path="/"):
        return f"http://127.0.0.1:{self.refused_port}{path}"

    def blackhole_url(self, path="/"):
        return f"http://127.0.0.1:{self.blackhole_port}{path}"

    def trust_in_wine(self, wine_command, trust_exe):
        """Makes the test CA trusted in the Wine prefix that wine_command runs in (for example
        [".../cmake/wine-run.sh", "--prefix=DIR"]); raises when the helper fails."""
        done = subprocess.run(list(wine_command) + [trust_exe, winpath(self.ca_der)], capture_output=True,
                              text=True, timeout=180)
        if done.returncode != 0:
            raise RuntimeError(f"cannot trust the test CA: {done.stdout} {done.stderr}")

    def proxy_log(self):
        return _read(self._proxy_log)

    def auth_proxy_log(self):
        return _read(self._auth_proxy_log)

    def requests_of(self, kind):
        with self._lock:
            return [r for r in self.requests if r["server"] == kind]

    def environment(self):
        env = {
            "LUSETUP_NET_HTTP": self.http_url(""),
            "LUSETUP_NET_HTTPS": self.https_url(""),
            "LUSETUP_NET_UNTRUSTED": self.untrusted_url(""),
            "LUSETUP_NET_WRONG_HOST": self.wrong_host_url(""),
            "LUSETUP_NET_REFUSED": self.refused_url(""),
            "LUSETUP_NET_BLACKHOLE": self.blackhole_url(""),
            "LUSETUP_NET_CA_DER": self.ca_der,
        }
        if self._with_proxies:
            env.update({
                "LUSETUP_NET_PROXY_PORT": str(self.proxy_port),
                "LUSETUP_NET_PROXY_LOG": self._proxy_log,
                "LUSETUP_NET_AUTH_PROXY_PORT": str(self.auth_proxy_port),
                "LUSETUP_NET_AUTH_PROXY_LOG": self._auth_proxy_log,
                "LUSETUP_NET_PROXY_USER": self.proxy_user,
                "LUSETUP_NET_PROXY_PASSWORD": self.proxy_password,
            })
        return env

    # ---- internals ------------------------------------------------------------------------------
    def _record(self, kind, handler):
        with self._lock:
            self.requests.append({"server": kind, "method": handler.command, "path": handler.path,
                                  "headers": dict(handler.headers.items())})

    def _base_url(self, kind):
        port = {"http": self.http_port, "https": self.https_port, "untrusted": self.untrusted_port,
                "wronghost": self.wrong_host_port}[kind]
        return f"{'http' if kind == 'http' else 'https'}://127.0.0.1:{port}"

    def _serve(self, kind, context=None):
        server = _Server(("127.0.0.1", 0), _make_handler(self, kind))
        if context:
            server.socket = context.wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self._servers.append(server)
        return server.server_address[1]

    def _blackhole(self):
        # A listener whose accept queue is full and never drained: the kernel drops further
        # connection attempts, so a client waits until its connect time-out.
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(0)
        self._sockets.append(listener)
        port = listener.getsockname()[1]
        for _ in range(2):
            c = socket.socket()
            c.setblocking(False)
            c.connect_ex(("127.0.0.1", port))
            self._sockets.append(c)
        time.sleep(0.1)
        return port

    def _tls_context(self, name):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(self.workdir, name + ".pem"), os.path.join(self.workdir, name + ".key"))
        return context

    def _openssl(self, *args):
        subprocess.run(["openssl", *args], cwd=self.workdir, check=True, capture_output=True)

    def _make_certificates(self):
        """A throw-away CA, a server certificate it signs, and a self-signed one nobody trusts."""
        ext = os.path.join(self.workdir, "server.ext")
        with open(ext, "w") as f:
            # 127.0.0.1 also as a DNS name: Wine's certificate policy matches DNS names only.
            f.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
                    "extendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost\n")
        self._openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=" + CA_NAME,
                      "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
                      "-keyout", "ca.key", "-out", "ca.pem")
        self._openssl("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der")
        self._openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", "server.key",
                      "-out", "server.csr")
        self._openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                      "-days", "2", "-extfile", "server.ext", "-out", "server.pem")
        with open(os.path.join(self.workdir, "wronghost.ext"), "w") as f:
            f.write("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:wrong.invalid\n")
        self._openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=wrong.invalid", "-keyout", "wronghost.key",
                      "-out", "wronghost.csr")
        self._openssl("x509", "-req", "-in", "wronghost.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                      "-days", "2", "-extfile", "wronghost.ext", "-out", "wronghost.pem")
        self._openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                      "-addext", "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost", "-keyout", "untrusted.key",
                      "-out", "untrusted.pem")
        self.ca_pem = os.path.join(self.workdir, "ca.pem")
        self.ca_der = os.path.join(self.workdir, "ca.der")

    def _tinyproxy(self, name, auth):
        exe = shutil.which("tinyproxy") or "/usr/bin/tinyproxy"
        log = os.path.join(self.workdir, name + ".log")
        conf = os.path.join(self.workdir, name + ".conf")
        open(log, "w").close()
        for attempt in range(5):
            port = free_port()
            with open(conf, "w") as f:
                f.write(f'Port {port}\nListen 127.0.0.1\nTimeout 30\nMaxClients 50\nAllow 127.0.0.1\n'
                        f'LogFile "{log}"\nLogLevel Info\nPidFile "{os.path.join(self.workdir, name + ".pid")}"\n'
                        'DisableViaHeader Yes\n')
                if auth:
                    f.write(f'BasicAuth {self.proxy_user} {self.proxy_password}\n')
            # -d: in the foreground, as the current user; it stops with terminate().
            proc = subprocess.Popen([exe, "-d", "-c", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if _wait_for_port(port, proc):
                self._procs.append(proc)
                return port, log
            proc.kill()
            proc.wait()
        raise RuntimeError(f"tinyproxy did not start; its log:\n{_read(log)}")


def _wait_for_port(port, proc, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if proc.poll() is not None:
            return False
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return True
        time.sleep(0.05)
    return False


def _read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()
