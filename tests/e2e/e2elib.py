"""What the end-to-end tests share: programs run under wine64 in a private prefix on a private X
display, the checks and their report, the package data codec, the registry files' reader and the
icon fixture. Standard library only.

What Wine teaches, in one place:
- Every run gets the prefix of its test and a HOME inside it (cmake/wine-run.sh), so nothing of
  the real home is read or written; winemenubuilder is disabled there and its shell folders are
  plain folders. The prefix settings for windows without a window manager (unmanaged windows, no
  crash dialog, CJK fonts) come from tests/win/xvfb-wine.sh, applied once to a fresh prefix.
- A server keeps the display it started with: its first program that needs a window starts the
  desktop process with that program's DISPLAY, and every later window goes through it. Every run
  here therefore gets the test's own display, whatever DISPLAY the test itself was started with,
  and a server that may have started elsewhere is stopped before the first run.
- A program waits only ten seconds for a desktop process that is starting; on a loaded machine
  that is too short, and the program's windows (a /Silent installer's hidden one too) fail for
  its whole life with "Cannot create window (error 0)". So the server is started here and kept
  running (wineserver -p), and the desktop is brought up and seen to work before a program runs.
- The registry files (system.reg, user.reg) are written when the server ends: read them through
  Wine.hive(), which ends the server first. It ends with SIGINT (the server ends its programs and
  writes the files); wineserver -k would send SIGKILL after two seconds, which on a loaded
  machine can come before the files are written.
- Wine's own processes inherit a program's standard handles and hold pipes open after the
  program has ended: output goes to files.
"""
import os, re, shutil, signal, struct, subprocess, tempfile, time, zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
WINE_RUN = os.path.join(SOURCE, "cmake", "wine-run.sh")
XVFB_WINE = os.path.join(SOURCE, "tests", "win", "xvfb-wine.sh")
WINESERVER = "/usr/lib/wine/wineserver"

failures = []


# ---- Checks ------------------------------------------------------------------------------------
class Result:
    """One program's run: its exit code (None: killed after its time-out), output and error output.
    Unpacks as (rc, out, err)."""

    def __init__(self, what, rc, out, err):
        self.what, self.rc, self.out, self.err = what, rc, out, err

    def __iter__(self):
        return iter((self.rc, self.out, self.err))

    def __str__(self):
        err = self.err.strip()
        if len(err) > 1500:
            err = "..." + err[-1500:]
        return f"[{self.what}: exit code {self.rc}; standard error: {err!r}]"


def check(cond, what, *results):
    """Prints the check; a failed one also prints the runs it names, with their exit codes and
    standard error, and counts in `failures`."""
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    if not cond:
        for r in results:
            if r is not None:
                print("     " + str(r), flush=True)
        failures.append(what)
    return bool(cond)


def summary():
    """The last line of a test's output, and its exit code."""
    print(f"{len(failures)} failure(s)" if failures else "all checks passed", flush=True)
    return 1 if failures else 0


def run(cmd, timeout=300, env=None, cwd=None, what=None):
    """A program run to its end (or killed, with its process group, after `timeout` seconds)."""
    proc = Started(cmd, env=env, cwd=cwd, what=what)
    return proc.finish(timeout)


class Started:
    """A program started in a session of its own, its output and error output going to files."""

    def __init__(self, cmd, env=None, cwd=None, what=None):
        self.what = what or " ".join(os.path.basename(str(c)) for c in cmd[:3])
        self.out, self.err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        self.proc = subprocess.Popen([str(c) for c in cmd], stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=self.err, env=env, cwd=cwd, start_new_session=True)
        self.pid = self.proc.pid

    def poll(self):
        return self.proc.poll()

    def kill(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait()

    def output(self):
        texts = []
        for f in (self.out, self.err):
            f.seek(0)
            texts.append(f.read().decode("utf-8", "replace"))
        return texts

    def finish(self, timeout):
        try:
            rc = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            out, err = self.output()
            return Result(self.what, None, out, err + f"\n(timed out after {timeout} s)")
        out, err = self.output()
        return Result(self.what, rc, out, err)


def winpath(p):
    """The Windows form of a Unix path for a program under Wine (drive Z: is the root)."""
    return "Z:" + os.path.abspath(p).replace("/", "\\")


# ---- A private X display -------------------------------------------------------------------------
class Display:
    """An Xvfb display of the test's own (it picks a free number itself), and what a user does
    there with xdotool. `generation` changes when the display had to be started again."""

    def __init__(self, log_dir=None, geometry="1280x1024x24"):
        self.geometry, self.log_dir, self.generation, self.xvfb = geometry, log_dir, 0, None
        self.start()

    def start(self):
        r, w = os.pipe()
        log = open(os.path.join(self.log_dir, "xvfb.log"), "ab") if self.log_dir else subprocess.DEVNULL
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", self.geometry, "-nolisten",
                                      "tcp", "-nolisten", "unix-abstract"], pass_fds=(w,),
                                     stdout=subprocess.DEVNULL, stderr=log)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            raise RuntimeError(f"Xvfb gave no display (ended: {self.xvfb.poll()})")
        self.name = ":" + number.decode().strip()
        self.generation += 1

    def ensure(self):
        """Starts the display again should it have ended; True when it had to."""
        if self.xvfb.poll() is None:
            return False
        print(f"note: the X display {self.name} ended ({self.xvfb.returncode}); starting another", flush=True)
        self.start()
        return True

    def close(self):
        self.xvfb.terminate()
        self.xvfb.wait()

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def xdo(self, *args):
        """xdotool's output, split into words."""
        return subprocess.run(["xdotool", *args], env=self.env(), capture_output=True, text=True,
                              timeout=60).stdout.split()

    def search(self, pattern):
        """The visible windows whose title matches the pattern."""
        return self.xdo("search", "--onlyvisible", "--name", pattern)

    def titles(self):
        return {w: " ".join(self.xdo("getwindowname", w)) for w in self.search(".")}

    def wait_window(self, pattern, timeout=60):
        """The first visible window whose title matches, once one is up; None after the time-out."""
        end = time.time() + timeout
        while time.time() < end:
            found = self.search(pattern)
            if found:
                return found[0]
            time.sleep(0.3)
        return None

    def wait_gone(self, window, timeout=20):
        end = time.time() + timeout
        while time.time() < end:
            if window not in self.search("."):
                return True
            time.sleep(0.3)
        return False

    def wait_none(self, pattern, timeout=20):
        """True once no visible window's title matches."""
        end = time.time() + timeout
        while time.time() < end:
            if not self.search(pattern):
                return True
            time.sleep(0.3)
        return False

    def focus(self, window):
        # Without a window manager nothing gives the keyboard to a new window by itself.
        self.xdo("windowfocus", "--sync", window)
        time.sleep(0.2)

    def key(self, window, *keys):
        if window:
            self.focus(window)
        for k in keys:
            self.xdo("key", k)
            time.sleep(0.15)

    def type(self, window, text, delay=20):
        if window:
            self.focus(window)
        self.xdo("type", "--delay", str(delay), text)
        time.sleep(0.2)

    def click(self, window, x, y, settle=0.1, hold=0.0, after=0.3):
        """A left click at (x, y) of the X window; `hold`: seconds between press and release."""
        self.xdo("mousemove", "--window", window, str(x), str(y))
        time.sleep(settle)
        if hold:
            self.xdo("mousedown", "1")
            time.sleep(hold)
            self.xdo("mouseup", "1")
        else:
            self.xdo("click", "1")
        time.sleep(after)

    def shot(self, window, path):
        if window:
            subprocess.run(["import", "-window", window, path], env=self.env(), capture_output=True, timeout=60)
        return path


# ---- Wine in a private prefix, on the private display ------------------------------------------
class Wine:
    """Programs under wine64 in one prefix, every one on `display`, all in one server that this
    object started there."""

    def __init__(self, prefix, display, fresh=True):
        self.prefix, self.display = prefix, display
        self.server_on = None  # the display generation the running server was started on
        if fresh:
            self.stop_server()  # a server left from an earlier run would outlive its removed prefix
            shutil.rmtree(prefix, ignore_errors=True)
        os.makedirs(os.path.dirname(prefix), exist_ok=True)
        # Makes the prefix and applies the window settings; its server ends with it.
        r = run([XVFB_WINE, "--prefix=" + prefix, "cmd", "/c", "exit"], timeout=600, what="prefix set-up")
        if r.rc != 0:
            raise RuntimeError(f"the Wine prefix cannot be set up {r}")
        self.stop_server()

    def env(self, extra=None):
        e = self.display.env()
        e.update(WINEPREFIX=self.prefix, HOME=os.path.join(self.prefix, "home"))
        e.update(extra or {})
        return e

    def command(self):
        """A command line prefix that runs a program as this object does, for callers that take
        one (tests/net/servers.py); the server must be up (ready())."""
        self.ready()
        return ["env", "DISPLAY=" + self.display.name, WINE_RUN, "--prefix=" + self.prefix]

    def _server(self, *args, timeout=120):
        # No pipes: a server started with -p goes on in the background with them.
        try:
            return subprocess.run([WINESERVER, *args], env=self.env(), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return None

    def stop_server(self):
        """Ends the prefix's server, its programs and its desktop; the registry files are then
        written."""
        self.server_on = None
        self._server("-k2")
        if self._server("-w", timeout=90) != 0:
            self._server("-k")
            self._server("-w")

    def ready(self):
        """A server started on the current display, with its desktop up."""
        if self.display.ensure() or self.server_on != self.display.generation:
            self.stop_server()
            self._server("-p")
            self.server_on = self.display.generation
            for _ in range(6):
                # rundll32 creates a window before it calls ExitProcess with that window's handle
                # (its low byte; 0 when there is none): nonzero means windows work.
                r = run([WINE_RUN, "--prefix=" + self.prefix, "rundll32.exe", "kernel32.dll,ExitProcess"],
                        env=self.env(), timeout=180, what="desktop check")
                if r.rc:
                    return
            print(f"note: no window could be created on {self.display.name}", flush=True)

    def start(self, exe, *args, env=None, cwd=None):
        self.ready()
        return Started([WINE_RUN, "--prefix=" + self.prefix, exe, *args], env=self.env(env), cwd=cwd,
                       what=" ".join([os.path.basename(str(exe)), *map(str, args)])[:200])

    def finish(self, started, timeout=300):
        r = started.finish(timeout)
        if r.rc is None:
            # What it started lives on in the server: end them with it.
            self.stop_server()
        return r

    def run(self, exe, *args, timeout=300, env=None, cwd=None):
        return self.finish(self.start(exe, *args, env=env, cwd=cwd), timeout)

    def drive_c(self, winp):
        assert winp[:3].upper() == "C:\\"
        return os.path.join(self.prefix, "drive_c", *winp[3:].split("\\"))

    def hive(self, name):
        """system.reg or user.reg parsed (parse_reg), after the server has ended and written it."""
        self.stop_server()
        return parse_reg(os.path.join(self.prefix, name))

    def close(self):
        self.stop_server()


# ---- The registry files of a prefix ---------------------------------------------------------------
def parse_reg(path):
    """{lowercase key name: {lowercase value name: (type, value)}} of a Wine registry file."""
    keys, cur = {}, None
    text = open(path, encoding="utf-8", errors="replace").read()
    text = re.sub(r"\\\n\s*", "", text)  # continued hex lines
    for line in text.splitlines():
        if line.startswith("["):
            name = line[1:line.index("]")].replace("\\\\", "\\")
            cur = keys.setdefault(name.lower(), {})
            continue
        if cur is None or not (line.startswith('"') or line.startswith("@")):
            continue
        if line.startswith("@"):
            vname, rest = "", line[2:]
        else:
            m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)', line)
            if not m:
                continue
            vname, rest = unescape(m.group(1)), m.group(2)
        if rest.startswith('"'):
            cur[vname.lower()] = ("REG_SZ", unescape(rest[1:-1]))
        elif rest.startswith("dword:"):
            cur[vname.lower()] = ("REG_DWORD", int(rest[6:], 16))
        elif rest.startswith("hex:"):
            cur[vname.lower()] = ("REG_BINARY", bytes(int(b, 16) for b in rest[4:].split(",") if b))
        else:
            cur[vname.lower()] = ("OTHER", rest)
    return keys


def unescape(s):
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def reg_text(s):
    """A string as a .reg file writes it, quoted."""
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


# ---- The package's data files (Uninstall.da1 and .da2) ---------------------------------------------
def decode_package_data(data):
    return zlib.decompress(bytes(b ^ (i % 255) for i, b in enumerate(data)))


def encode_package_data(plain):
    z = zlib.compress(plain, 9)
    return bytes(b ^ (i % 255) for i, b in enumerate(z))


# ---- Fixtures ------------------------------------------------------------------------------------
def png_bytes(rgba=(200, 60, 30, 255)):
    """A 4 by 4 PNG of one colour."""
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(rgba) * 4 for _ in range(4))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def wait_for(pred, timeout, step=0.3):
    end = time.time() + timeout
    while time.time() < end:
        if pred():
            return True
        time.sleep(step)
    return False
