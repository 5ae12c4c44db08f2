#!/usr/bin/env python3
"""End-to-end tests of the mini setup under wine64: a mini setup made by the builder downloads its
full setup from servers on 127.0.0.1 (tests/net/servers.py), directly, through tinyproxy and over
TLS, and installs what the full setup itself installs. Unattended runs are read by their exit code
and standard error; interactive runs are driven with xdotool on an Xvfb display of the script's
own, and the progress bar is read from screenshots."""
import argparse, http.server, os, re, shutil, socketserver, subprocess, sys, threading, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
import e2elib  # noqa: E402
from e2elib import check, decode_package_data, png_bytes, summary, winpath  # noqa: E402
from servers import TestServers  # noqa: E402

GUID = "{3F2A1B0C-9D8E-4F7A-8B6C-5D4E3F2A1B0C}"
TITLE = "Mini E2E"
APP = "C:\\Program Files\\Mini E2E"
MINI = "MiniE2E_2041.exe"     # the rcode 2041 comes from this name
FULL = "MiniE2E-full.exe"
CAPTION = TITLE + " Setup"
FAILURE_CAPTION = TITLE + " 在线安装失败"
PROXY_CAPTION = "代理服务器设置"
HKCU_KEY = "HKEY_CURRENT_USER\\Software\\LuSetupMiniE2E"
UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + GUID + "_zd"
GUID_EXE = re.compile(r"^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\.exe$")


# ---- Wine on a display of our own ----------------------------------------------------------------
class Wine:
    """One Xvfb display and one Wine server for every run, so that xdotool reaches the windows."""

    def __init__(self, a, prefix):
        self.a, self.prefix = a, prefix
        self.display = e2elib.Display(log_dir=os.path.dirname(prefix))
        self.wine = e2elib.Wine(prefix, self.display)

    def close(self):
        self.wine.close()
        self.display.close()

    def command(self):
        return self.wine.command()

    def start(self, exe, *args):
        return self.wine.start(exe, *args)

    def finish(self, p, timeout):
        return self.wine.finish(p, timeout)

    def run(self, exe, *args, timeout=180):
        return self.wine.run(exe, *args, timeout=timeout)

    def start_window(self, exe, *args):
        """Starts an interactive run, takes the language the dialog proposes (the package offers
        Simplified Chinese and English) and returns the process and its main window."""
        p = self.start(exe, *args)
        language = self.wait_window("^Select Language$", 60)
        if language:
            self.keys("Return", window=language[0])
        main = self.wait_window("^" + CAPTION + "$", 60)
        return p, (main[0] if main else None)

    def windows(self, name):
        return self.display.search(name)

    def wait_window(self, name, timeout=60, gone=False):
        end = time.time() + timeout
        while time.time() < end:
            if bool(self.windows(name)) != gone:
                return self.windows(name)
            time.sleep(0.3)
        return None

    def click(self, window, x, y):
        self.display.click(window, x, y, settle=0, after=0.4)

    def keys(self, *keys, window=None):
        self.display.key(window, *keys)

    def type(self, text):
        self.display.type(None, text, delay=50)

    def screenshot(self, window, path):
        return self.display.shot(window, path)

    def drive_c(self, winp):
        return self.wine.drive_c(winp)

    def temp_setups(self):
        """The {GUID}.exe files in the temporary folders of the prefix."""
        found = []
        for dp, _, fs in os.walk(os.path.join(self.prefix, "drive_c", "users")):
            if os.path.basename(dp).lower() == "temp":
                found += [os.path.join(dp, f) for f in fs if GUID_EXE.match(f)]
        return sorted(found)


# ---- The main window's controls, in its client coordinates (borderless, 750 by 480) -------------
INSTALL_BUTTON = (1 + 275 + 100, 1 + 280 + 25)
PROXY_LINK = (1 + 15 + 20, 1 + 378 + 63 + 7)
CLOSE_BUTTON = (1 + 714 + 16, 1 + 2 + 16)
PROGRESS_ROW = 1 + 378 + 42 + 8          # the bar's middle row in the progress layout
PROGRESS_SPAN = (1 + 16, 1 + 16 + 716)   # its left and right edges (the bottom strip less 2 * 16)


# ---- Fixture ---------------------------------------------------------------------------------------
def make_files(work):
    files = os.path.join(work, "files")
    os.makedirs(os.path.join(files, "sub"), exist_ok=True)
    open(os.path.join(files, "readme.txt"), "w").write("installed by the full setup\n")
    # Large enough that the download takes a while when the server is slowed down.
    open(os.path.join(files, "sub", "data.bin"), "wb").write(bytes((i * 131 + i // 7) & 0xFF for i in range(300000)))
    open(os.path.join(work, "logo.png"), "wb").write(png_bytes((30, 90, 200, 255)))


def build(wine, a, work, name, url, goto="", goto_mode="gumSilent"):
    """Builds the full setup and the mini setup that downloads it from `url`; returns both paths."""
    out = os.path.join(work, "out-" + name)
    script = os.path.join(work, name + ".xml")
    open(script, "w", encoding="utf-8").write(f'''<?xml version="1.0" encoding="utf-8"?>
<TSetupScript>
  <BaseInfo GUID="{GUID}" AppTitleENG="{TITLE}" Version="2.0.0.1" DefInstallPath="{{pf}}\\{TITLE}" IconFile="logo.png"
            ProductName="MiniE2E" CompanyName="LuSetup Tests" FullSetupFile="{FULL}" BuildMiniSetup="True"
            MiniSetupFile="{MINI}" FullDownloadUrl="{url}" GotoUrl="{goto}" GotoUrlMode="{goto_mode}"/>
  <FileList><Items>
    <TSetupFile SourcePath="files" SourceMask="readme.txt" DestDir="{{app}}"/>
    <TSetupFile SourcePath="files\\sub" SourceMask="data.bin" DestDir="{{app}}\\sub"/>
  </Items></FileList>
  <RegList><Items>
    <TSetupReg RootKey="rrkCurrentUser" SubKey="Software\\LuSetupMiniE2E" ValueName="Path" ValueData="{{app}}" ValueType="rvtString"/>
    <TSetupReg RootKey="rrkCurrentUser" SubKey="Software\\LuSetupMiniE2E" ValueName="Build" ValueData="2041" ValueType="rvtDWord"/>
  </Items></RegList>
</TSetupScript>
''')
    r = wine.run(a.builder, "build", winpath(script), "-o", winpath(out), "--arch", "x64", "--stub",
                 winpath(a.stub), "--uninstaller", winpath(a.uninstaller), "--quiet")
    check(r.rc == 0, f"builder made the full and mini setups for {name} (rc {r.rc})", r)
    return os.path.join(out, FULL), os.path.join(out, MINI)


# ---- What an installation left on the machine ------------------------------------------------------
def reg_export(wine, key):
    path = os.path.join(wine.prefix, "export.reg")
    if os.path.exists(path):
        os.remove(path)
    r = wine.run("reg", "export", key, winpath(path), "/y")
    if r.rc != 0 or not os.path.exists(path):
        return None
    text = open(path, encoding="utf-16", errors="replace").read()
    values = {}
    for line in re.sub(r"\\\r?\n\s*", "", text).splitlines():
        m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if m:
            values[m.group(1).lower()] = m.group(2)
    return values


def installation(wine):
    """Files (with the uninstall data decoded), the product's registry values and its uninstall
    entry, less the values that hold the time of the install."""
    app = wine.drive_c(APP)
    files = {}
    for dp, _, fs in os.walk(app):
        for f in fs:
            path = os.path.join(dp, f)
            data = open(path, "rb").read()
            if f in ("Uninstall.da1", "Uninstall.da2"):
                data = decode_package_data(data)
            files[os.path.relpath(path, app)] = data
    key = reg_export(wine, UNINSTALL_KEY)
    if key:
        for volatile in ("installdate", "installdatetime"):
            key.pop(volatile, None)
    return {"files": files, "registry": reg_export(wine, HKCU_KEY), "uninstall": key}


def uninstall(wine):
    shutil.rmtree(wine.drive_c(APP), ignore_errors=True)
    wine.run("reg", "delete", HKCU_KEY, "/f")
    wine.run("reg", "delete", UNINSTALL_KEY, "/f")


def installed(wine):
    return os.path.isfile(os.path.join(wine.drive_c(APP), "Uninstall.da2"))


# ---- A server of the test's own: a redirect to the full setup, and the full setup sent slowly -----
class ExtraServer:
    def __init__(self, servers):
        owner = self
        self.servers, self.full = servers, None

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                if self.path == "/to-full":
                    self.send_response(302)
                    self.send_header("Location", "/again-to-full")
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                elif self.path == "/again-to-full":
                    self.send_response(301)
                    self.send_header("Location", owner.servers.http_url("/full.exe"))
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                elif self.path == "/slow/full.exe":
                    body = open(owner.full, "rb").read()
                    self.send_response(200)
                    self.send_header("Content-Type", "application/octet-stream")
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    step = len(body) // 20 + 1
                    for i in range(0, len(body), step):
                        self.wfile.write(body[i:i + step])
                        self.wfile.flush()
                        time.sleep(0.4)
                else:
                    self.send_response(404)
                    self.send_header("Content-Length", "0")
                    self.end_headers()

        class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
            daemon_threads = True

        self.server = Server(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, path):
        return f"http://127.0.0.1:{self.server.server_address[1]}{path}"

    def close(self):
        self.server.shutdown()
        self.server.server_close()


# ---- The runs --------------------------------------------------------------------------------------
def requests_for(s, path_prefix):
    return [r for r in s.requests if r["path"].startswith(path_prefix)]


def proxied(s, path):
    return len(re.findall(r"GET http://127\.0\.0\.1:%d%s" % (s.http_port, re.escape(path)), s.proxy_log()))


def set_proxy(wine, main, host, port):
    """Through the proxy link: chooses the proxy server and types its address and port. The proxy
    is named "localhost": Wine's WinHTTP sends a request for a server that has the proxy's own
    host name (127.0.0.1 here) directly, as if there were no proxy."""
    wine.click(main, *PROXY_LINK)
    dialog = wine.wait_window(PROXY_CAPTION, 20)
    if not check(dialog is not None, "the proxy link opens the proxy dialog"):
        return False
    # The dialog opens on "no proxy"; Tab, Space chooses the proxy and enables the fields.
    wine.keys("Tab", "space", "Tab", window=dialog[0])
    wine.type(host)
    wine.keys("Tab", "End", *["BackSpace"] * 8)
    wine.type(str(port))
    wine.keys("Return")
    return check(wine.wait_window(PROXY_CAPTION, 20, gone=True) is not None, "OK closes the proxy dialog")


def silent_runs(wine, a, work, s, full, mini, baseline):
    """/Silent: the download, the installation it makes, the goto request; and every failure ends
    with its own exit code instead of a dialog nobody answers."""
    before = len(requests_for(s, "/full.exe"))
    r = wine.run(mini, "/Silent")
    check(r.rc == 0, f"the mini setup installs in /Silent with exit code 0 (got {r.rc})", r)
    check(installation(wine) == baseline, "the mini setup installs exactly what the full setup installs "
          "(files, uninstall data, registry values, uninstall entry)")
    check(len(requests_for(s, "/full.exe")) == before + 1, "the full setup was fetched directly from the server")
    goto = requests_for(s, "/goto")
    check(bool(goto) and goto[-1]["path"] == "/goto?from=mini&rcode=2041",
          f"the silent goto request carries the rcode of {MINI}: {[r['path'] for r in goto]}")
    check(proxied(s, "/full.exe") == 0 and proxied(s, "/goto") == 0, "no proxy was used without proxy settings")
    kept = wine.temp_setups()
    check(not kept, f"the end of the run deletes the downloaded full setup from the temporary folder: {kept}")
    for f in kept:
        os.remove(f)
    uninstall(wine)

    cases = [
        ("404", s.http_url("/missing.exe"), "download of"),
        ("refused connection", s.refused_url("/full.exe"), "download of"),
        ("untrusted certificate", s.untrusted_url("/full.exe"), "download of"),
        ("HTML page with status 200", s.http_url("/page.html"), "Installation Package Error."),
        ("server that stops sending", s.http_url("/stall/5000"), "download of"),
    ]
    for name, url, message in cases:
        _, failing = build(wine, a, work, re.sub(r"\W+", "-", name), url)
        r = wine.run(failing, "/Silent", timeout=240)
        check(r.rc == 6, f"{name}: /Silent ends with 6 (got {r.rc})", r)
        check("setup: error: " in r.err and message in r.err, f"{name}: the reason is on standard error", r)
        check(not installed(wine), f"{name}: nothing installed")
        left = wine.temp_setups()
        check(not left, f"{name}: nothing of the download is left: {left}")
        for f in left:
            os.remove(f)

    extra = ExtraServer(s)
    try:
        _, redirected = build(wine, a, work, "redirect", extra.url("/to-full"))
        r = wine.run(redirected, "/Silent")
        check(r.rc == 0 and installed(wine), f"two redirects are followed to the full setup (rc {r.rc})", r)
    finally:
        extra.close()
    uninstall(wine)

    s.trust_in_wine(wine.command(), a.trust_ca)
    _, tls = build(wine, a, work, "https", s.https_url("/full.exe"))
    r = wine.run(tls, "/Silent")
    check(r.rc == 0 and installed(wine), f"HTTPS from a server the machine trusts installs (rc {r.rc})", r)
    check(any(r["server"] == "https" and r["path"] == "/full.exe" for r in s.requests), "the TLS server served it")
    uninstall(wine)

    # The goto URL in browser mode: the shell's handler for http URLs is a logger here.
    log = os.path.join(work, "browser.log")
    reg = os.path.join(work, "browser.reg")
    command = f'"{winpath(a.logger)}" {winpath(log)} "%1"'.replace("\\", "\\\\").replace('"', '\\"')
    open(reg, "w", encoding="utf-16", newline="\r\n").write(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]\n"
        f'@="{command}"\n')
    r = wine.run("regedit", "/S", winpath(reg))
    check(r.rc == 0, "the logger is the shell's handler for http URLs", r)
    # The script that rules after the download is the full setup's: serve this product's own.
    browser_full, browser = build(wine, a, work, "browser", s.http_url("/full.exe"), s.http_url("/landing"),
                                  "gumByBrowser")
    s.files["/full.exe"] = browser_full
    try:
        r = wine.run(browser, "/Silent")
    finally:
        s.files["/full.exe"] = full
    # The shell starts the handler and returns: give it time to write.
    for _ in range(40):
        if os.path.exists(log) and open(log).read().strip():
            break
        time.sleep(0.5)
    opened = open(log).read().split() if os.path.exists(log) else []
    check(r.rc == 0 and opened == [s.http_url("/landing?rcode=2041")],
          f"browser mode opens the goto URL with the rcode (rc {r.rc}): {opened}", r)
    for f in wine.temp_setups():
        os.remove(f)
    uninstall(wine)


def interactive_runs(wine, s, full, mini):
    """The window: a failed download, Retry, the proxy set in the dialog, a second Install through
    the proxy; then the proxy chosen and unchosen again, which goes directly."""
    del s.files["/full.exe"]
    p, main = wine.start_window(mini)
    if not check(main is not None, "the mini setup shows its window"):
        wine.finish(p, 5)
        return
    wine.click(main, *INSTALL_BUTTON)
    failure = wine.wait_window(FAILURE_CAPTION, 60)
    check(failure is not None, "a 404 shows the failed-download dialog")
    wine.keys("Escape", window=failure[0] if failure else None)
    check(wine.wait_window(FAILURE_CAPTION, 20, gone=True) is not None, "Escape (Retry) closes it")
    # Back on the input layout: the proxy link is there again, and Install works again.
    if set_proxy(wine, main, "localhost", s.proxy_port):
        s.files["/full.exe"] = full
        wine.click(main, *INSTALL_BUTTON)
        end = time.time() + 120
        while time.time() < end and not installed(wine):
            time.sleep(0.5)
        check(installed(wine), "after Retry, a second Install downloads through the proxy and installs")
        time.sleep(2)  # the goto request follows the completion layout
    wine.keys("Return", window=main)  # the Run button (here: Exit) ends the run
    r = wine.finish(p, 60)
    check(r.rc == 0, f"the run ends with 0 (got {r.rc})", r)
    check(proxied(s, "/full.exe") == 1, "the proxy's log shows the download")
    check(proxied(s, "/goto") == 1, "the proxy's log shows the goto request")
    check(not wine.temp_setups(), "the Run button's end deletes the downloaded full setup")
    for f in wine.temp_setups():
        os.remove(f)
    uninstall(wine)

    # The proxy chosen, then "no proxy" chosen again: the values stay, requests go directly.
    direct = len(requests_for(s, "/full.exe"))
    p, main = wine.start_window(mini)
    if main and set_proxy(wine, main, "localhost", s.proxy_port):
        wine.click(main, *PROXY_LINK)
        dialog = wine.wait_window(PROXY_CAPTION, 20)
        if dialog:
            wine.keys("shift+Tab", "space", "Return", window=dialog[0])  # from "use a proxy" back to "no proxy"
            wine.wait_window(PROXY_CAPTION, 20, gone=True)
        wine.click(main, *INSTALL_BUTTON)
        end = time.time() + 120
        while time.time() < end and not installed(wine):
            time.sleep(0.5)
        time.sleep(2)
        wine.keys("Return", window=main)
    r = wine.finish(p, 60)
    check(r.rc == 0 and installed(wine), f"with the proxy unchecked the run installs (rc {r.rc})", r)
    check(len(requests_for(s, "/full.exe")) == direct + 1 and proxied(s, "/full.exe") == 1,
          "with the proxy unchecked the download goes directly, not through the proxy")
    check(proxied(s, "/goto") == 1, "and so does the goto request")
    for f in wine.temp_setups():
        os.remove(f)
    uninstall(wine)


def rejected_and_exit_runs(wine, a, work, s):
    """An HTML page is rejected with a message and the window returns; closing the window then is
    the orderly end, which deletes the rejected download. Exit Setup after a failed download ends
    the installer with 0."""
    _, html = build(wine, a, work, "html-window", s.http_url("/page.html"))
    p, main = wine.start_window(html)
    if main:
        wine.click(main, *INSTALL_BUTTON)
        end = time.time() + 60
        while time.time() < end and len(wine.windows("^" + CAPTION + "$")) < 2:
            time.sleep(0.3)
        check(len(wine.windows("^" + CAPTION + "$")) == 2, "the HTML page gives a message box over the window")
        check(len(wine.temp_setups()) == 1, "the rejected download is in the temporary folder meanwhile")
        boxes = [w for w in wine.windows("^" + CAPTION + "$") if w != main]
        wine.keys("Return", window=boxes[0] if boxes else None)
        time.sleep(1)
        wine.click(main, *CLOSE_BUTTON)  # the input layout is back: the window can be closed
    r = wine.finish(p, 60)
    check(r.rc == 0, f"closing the window after the rejected download ends with 0 (got {r.rc})", r)
    check(not wine.temp_setups(), "the orderly end deletes the downloaded file")

    _, missing = build(wine, a, work, "exit-setup", s.http_url("/missing.exe"))
    p, main = wine.start_window(missing)
    if main:
        wine.click(main, *INSTALL_BUTTON)
        failure = wine.wait_window(FAILURE_CAPTION, 60)
        if check(failure is not None, "a 404 shows the failed-download dialog"):
            wine.keys("Return", window=failure[0])  # Exit Setup, the default button
    r = wine.finish(p, 60)
    check(r.rc == 0, f"Exit Setup after a failed download ends with 0, the user's choice (got {r.rc})", r)
    check(not installed(wine), "nothing installed")


def progress_run(wine, a, work, s, full):
    """/Auto shows the window; during a slow download of known length the bar runs from 0 to 100 %,
    read from screenshots (its filled part is the skin's accent colour)."""
    extra = ExtraServer(s)
    extra.full = full
    shots = os.path.join(work, "progress")
    os.makedirs(shots, exist_ok=True)
    try:
        _, slow = build(wine, a, work, "slow", extra.url("/slow/full.exe"))
        p = wine.start(slow, "/Auto")
        main = wine.wait_window("^" + CAPTION + "$", 60)
        fractions = []
        if main:
            n = 0
            while p.poll() is None and not installed(wine) and n < 200:
                path = wine.screenshot(main[0], os.path.join(shots, f"{n:03d}.png"))
                fractions.append(filled_fraction(path))
                n += 1
                time.sleep(0.2)
        r = wine.finish(p, 120)
    finally:
        extra.close()
    fractions = [f for f in fractions if f is not None]
    print("progress fractions:", " ".join(f"{f:.2f}" for f in fractions))
    check(r.rc == 0 and installed(wine), f"/Auto installs through the slow server (rc {r.rc})", r)
    rising = fractions[:max(i for i, f in enumerate(fractions) if f >= max(fractions)) + 1] if fractions else []
    check(len(rising) >= 5 and rising[0] <= 0.1 and rising[-1] >= 0.9 and
          all(b >= a - 0.01 for a, b in zip(rising, rising[1:])),
          "the bar runs from 0 to 100 % during the download, never backwards")
    uninstall(wine)


def filled_fraction(png):
    """The share of the bar's middle row in the accent colour (blue well above red)."""
    ppm = subprocess.run(["convert", png, "-crop", f"{PROGRESS_SPAN[1] - PROGRESS_SPAN[0]}x1+{PROGRESS_SPAN[0]}+"
                          f"{PROGRESS_ROW}", "-depth", "8", "rgb:-"], capture_output=True).stdout
    if not ppm:
        return None
    pixels = [ppm[i:i + 3] for i in range(0, len(ppm) - 2, 3)]
    return sum(1 for r, g, b in pixels if b > r + 60) / len(pixels)


def main():
    ap = argparse.ArgumentParser()
    for n in ("source", "build", "stub", "uninstaller", "builder", "logger", "trust-ca"):
        ap.add_argument("--" + n, required=True)
    a = ap.parse_args()
    work = os.path.join(a.build, "mini-e2e-work")
    prefix = os.path.join(a.build, "wineprefix-mini-e2e")
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(work)
    make_files(work)
    wine = Wine(a, prefix)
    try:
        with TestServers(os.path.join(work, "net")) as s:
            full, mini = build(wine, a, work, "plain", s.http_url("/full.exe"), s.http_url("/goto?from=mini"))
            if not os.path.exists(mini):
                return 1
            s.files["/full.exe"] = full
            r = wine.run(full, "/Silent")
            check(r.rc == 0, f"the full setup installs (rc {r.rc})", r)
            baseline = installation(wine)
            check(len(baseline["files"]) == 5 and baseline["registry"] and baseline["uninstall"],
                  f"the full setup's installation is read back: {sorted(baseline['files'])}")
            uninstall(wine)
            silent_runs(wine, a, work, s, full, mini, baseline)
            interactive_runs(wine, s, full, mini)
            rejected_and_exit_runs(wine, a, work, s)
            progress_run(wine, a, work, s, full)
    finally:
        wine.close()
    return summary()


if __name__ == "__main__":
    sys.exit(main())
