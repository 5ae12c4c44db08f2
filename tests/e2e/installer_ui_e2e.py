#!/usr/bin/env python3
"""End-to-end tests of the installer's window under wine64, driven like a user with xdotool on a
private Xvfb display: the language dialog, Browse, the licence viewer, the destination field,
Install and Run in each language; /Auto; the copy-failure dialog's Retry, Ignore and Exit Setup.

With --shots DIR it also saves screenshots of every window it meets (the main window's input,
progress and complete layouts in each language among them) for people to look at."""
import argparse, os, re, shutil, sys, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2elib import Display, Wine, check, summary, wait_for, winpath  # noqa: E402

GUID = "{3C9E2D41-5A6B-4C7D-8E9F-0A1B2C3D4E5F}"
TITLES = {"CHS": "界面测试产品", "CHT": "界面測試產品", "ENG": "UI Test Product"}
# Position of each language in the language dialog's list (the order the package offers them).
LANG_INDEX = {"CHS": 0, "CHT": 1, "ENG": 2}


class Desk:
    """The test's display and prefix, the installer started there, and what a user does."""

    def __init__(self, a, work):
        self.display = Display(log_dir=work)
        self.wine = Wine(os.path.join(a.build, "wineprefix-ui-e2e"), self.display)
        self.prefix = self.wine.prefix
        self.shots = a.shots
        self.last = None  # the result of the last finished run

    def close(self):
        self.wine.close()
        self.display.close()

    def stop_wine(self):
        self.wine.stop_server()

    def start(self, exe, *args):
        return self.wine.start(exe, *args)

    def finish(self, proc, timeout=60):
        """The program's exit code; None when it does not end in time (it is then killed)."""
        self.last = self.wine.finish(proc, timeout)
        return self.last.rc

    def windows(self):
        return self.display.titles()

    def wait_window(self, pattern, timeout=40):
        """The visible window whose title matches the pattern, once it is up; None after the time-out."""
        end = time.time() + timeout
        while time.time() < end:
            for w, name in self.windows().items():
                if re.search(pattern, name):
                    return w
            time.sleep(0.3)
        return None

    def wait_gone(self, window, timeout=20):
        return self.display.wait_gone(window, timeout)

    def key(self, window, *keys):
        self.display.key(window, *keys)

    def type(self, window, text):
        self.display.type(window, text, delay=20)

    def click(self, window, x, y):
        """A left click at (x, y) inside the window (the main window has no frame: its client area)."""
        self.display.click(window, x, y)

    def shot(self, window, name):
        if self.shots and window:
            self.display.shot(window, os.path.join(self.shots, name + ".png"))


# Points inside the main window's controls (the window is 750 by 480; the bottom strip starts at 378).
INSTALL_BUTTON = (375, 305)
BROWSE_BUTTON = (690, 415)
DEST_FIELD = (300, 415)
LICENSE_LINK = {"CHS": (185, 448), "CHT": (185, 448), "ENG": (200, 448)}
RUN_BUTTON = (375, 426)
APP_WIN = "C:\\UI Tests\\Blocked"


def make_fixture(work, a):
    files = os.path.join(work, "files")
    os.makedirs(files)
    open(os.path.join(files, "readme.txt"), "w").write("read me\n")
    shutil.copy(a.logger, os.path.join(files, "e2e-logger.exe"))
    for lang, text in (("chs", "许可协议：测试用。\n"), ("cht", "授權合約：測試用。\n"), ("eng", "Licence: for tests.\n")):
        open(os.path.join(work, f"licence-{lang}.txt"), "w", encoding="utf-8-sig").write(text)
    shutil.copy(os.path.join(a.source, "examples", "demo", "logo.png"), os.path.join(work, "logo.png"))
    log = winpath(os.path.join(work, "programs.log"))
    logger = "{app}\\e2e-logger.exe"
    script = f'''<?xml version="1.0" encoding="utf-8"?>
<TSetupScript>
  <BaseInfo GUID="{GUID}" AppTitleCHS="{TITLES['CHS']}" AppTitleCHT="{TITLES['CHT']}" AppTitleENG="{TITLES['ENG']}"
            Version="2.1.0.7" DefInstallPath="{{pf}}\\UI Test Product" IconFile="logo.png"
            LicenseFileCHS="licence-chs.txt" LicenseFileCHT="licence-cht.txt" LicenseFileENG="licence-eng.txt"
            ProductName="UI Test" CompanyName="LuSetup Tests" FullSetupFile="ui-setup.exe"/>
  <FileList><Items>
    <TSetupFile SourcePath="files" SourceMask="readme.txt" DestDir="{{app}}"/>
    <TSetupFile SourcePath="files" SourceMask="e2e-logger.exe" DestDir="{{app}}"/>
  </Items></FileList>
  <RunList><Items>
    <TSetupRun FileName="{logger}" Params="{log} wait 3" WorkDir="{{app}}" Wait="True"/>
    <TSetupRun FileName="{logger}" Params="{log} nowait" WorkDir="{{app}}" Wait="False"/>
  </Items></RunList>
</TSetupScript>
'''
    path = os.path.join(work, "ui.xml")
    open(path, "w", encoding="utf-8").write(script)
    return path, os.path.join(work, "programs.log")


def read_log(path):
    try:
        return open(path, encoding="utf-8", errors="replace").read().split()
    except FileNotFoundError:
        return []


def choose_language(d, lang):
    dlg = d.wait_window(r"^(Select Language|选择语言|選擇語言)$")
    if not check(dlg is not None, f"{lang}: the language dialog opens"):
        return False
    d.shot(dlg, "language-dialog")
    d.key(dlg, "Home", *["Down"] * LANG_INDEX[lang], "Return")
    return check(d.wait_gone(dlg), f"{lang}: the language dialog closes on Enter")


def interactive_run(d, a, setup, log, lang):
    """Language dialog, licence viewer, Browse, a typed destination, Install, Run."""
    dest_win = f"C:\\UI Tests\\{lang}"
    dest = os.path.join(d.prefix, "drive_c", "UI Tests", lang)
    open(log, "w").close()
    proc = d.start(setup)
    if not choose_language(d, lang):
        d.finish(proc, timeout=5)
        return
    main = d.wait_window(re.escape(TITLES[lang]))
    if not check(main is not None, f"{lang}: the main window opens in its language"):
        d.finish(proc, timeout=5)
        return
    time.sleep(1)
    d.shot(main, f"main-{lang}-input")

    d.click(main, *LICENSE_LINK[lang])
    viewer = d.wait_window(r"^(用户许可协议|用戶授權合約|User License Agreement)$", timeout=15)
    check(viewer is not None, f"{lang}: the licence link opens the licence viewer")
    if viewer:
        d.shot(viewer, f"licence-{lang}")
        d.key(viewer, "alt+F4")
        check(d.wait_gone(viewer), f"{lang}: the licence viewer closes")

    d.click(main, *BROWSE_BUTTON)
    browse = d.wait_window(r"Browse|浏览|瀏覽", timeout=15)
    check(browse is not None and browse != main, f"{lang}: Browse opens the folder dialog")
    if browse and browse != main:
        d.shot(browse, f"browse-{lang}")
        d.key(browse, "Escape")
        check(d.wait_gone(browse), f"{lang}: cancelling the folder dialog closes it")

    d.click(main, *DEST_FIELD)
    d.key(main, "ctrl+a", "BackSpace")
    d.type(main, dest_win)
    d.click(main, *INSTALL_BUTTON)
    # The program that is waited for runs three seconds: the progress layout is up meanwhile.
    started = wait_for(lambda: "wait" in read_log(log), 30)
    check(started, f"{lang}: Install runs the stages up to the programs")
    time.sleep(1)
    d.shot(main, f"main-{lang}-progress")
    check(wait_for(lambda: os.path.isfile(os.path.join(dest, "Uninstall.da1")), 30) and
          os.path.isfile(os.path.join(dest, "readme.txt")),
          f"{lang}: the files go to the destination typed into the field")
    time.sleep(3.5)
    d.shot(main, f"main-{lang}-complete")
    check("nowait" not in read_log(log), f"{lang}: the programs not waited for wait for Run")
    d.click(main, *RUN_BUTTON)
    rc = d.finish(proc)
    check(rc == 0, f"{lang}: Run ends the installer with 0 (got {rc})", d.last)
    check(wait_for(lambda: "nowait" in read_log(log), 20), f"{lang}: Run starts the programs not waited for")


def auto_run(d, a, setup, log):
    """/Auto shows the progress layout at once and ends by itself."""
    open(log, "w").close()
    proc = d.start(setup, "/Auto")
    main = d.wait_window(re.escape(TITLES["ENG"]))
    check(main is not None, "/Auto: the window shows (in English, the system's language)")
    if main and wait_for(lambda: "wait" in read_log(log), 30):
        time.sleep(1)
        d.shot(main, "main-auto-progress")
    rc = d.finish(proc, timeout=90)
    check(rc == 0, f"/Auto: ends by itself with 0 (got {rc})", d.last)
    check("nowait" in read_log(log) or wait_for(lambda: "nowait" in read_log(log), 20),
          "/Auto: the programs not waited for start at the end")


def copy_failure_runs(d, a, setup):
    """A target that cannot be written: Retry after the cause is gone writes it, Ignore skips it,
    Exit Setup ends with 2 and records no installation."""
    app = os.path.join(d.prefix, "drive_c", "UI Tests", "Blocked")

    def block():
        # A folder where the file should go cannot be written whoever runs the tests (a read-only
        # attribute is only Unix permissions under Wine, which do not stop root).
        for n in ("readme.txt", "Uninstall.da1", "Uninstall.da2"):
            p = os.path.join(app, n)
            if os.path.isfile(p):
                os.remove(p)
        os.makedirs(os.path.join(app, "readme.txt"), exist_ok=True)

    def start_install(what):
        proc = d.start(setup)
        if not choose_language(d, "ENG"):
            return proc, None
        main = d.wait_window(re.escape(TITLES["ENG"]))
        if not check(main is not None, f"{what}: the main window opens"):
            return proc, None
        time.sleep(1)
        d.click(main, *DEST_FIELD)
        d.key(main, "ctrl+a", "BackSpace")
        d.type(main, APP_WIN)
        d.click(main, *INSTALL_BUTTON)
        dlg = d.wait_window(r"^Failed to copy file$", timeout=30)
        check(dlg is not None, f"{what}: the copy-failure dialog asks")
        return proc, dlg

    # Retry while the cause is still there asks again; Retry after it is gone writes the file.
    block()
    proc, dlg = start_install("Retry")
    if dlg:
        d.shot(dlg, "copy-failure")
        d.key(dlg, "Return")
        check(d.wait_gone(dlg), "Retry: the dialog closes on Enter")
        again = d.wait_window(r"^Failed to copy file$", timeout=15)
        check(again is not None, "Retry: the dialog asks again while the target still cannot be written")
        os.rmdir(os.path.join(app, "readme.txt"))
        if again:
            d.key(again, "Return")
        check(wait_for(lambda: os.path.isfile(os.path.join(app, "readme.txt")), 20),
              "Retry: the file is written once the cause is gone")
        main = d.wait_window(re.escape(TITLES["ENG"]))
        if wait_for(lambda: os.path.isfile(os.path.join(app, "Uninstall.da1")), 30):
            time.sleep(3.5)
            d.click(main, *RUN_BUTTON)
    check(d.finish(proc) == 0, "Retry: the installation completes with 0", d.last)

    block()
    proc, dlg = start_install("Ignore")
    if dlg:
        d.key(dlg, "Escape")
        check(wait_for(lambda: os.path.isfile(os.path.join(app, "Uninstall.da1")), 30),
              "Ignore: the installation goes on to the end")
        check(os.path.isdir(os.path.join(app, "readme.txt")), "Ignore: the file is skipped")
        time.sleep(3.5)
        d.click(d.wait_window(re.escape(TITLES["ENG"])), *RUN_BUTTON)
    check(d.finish(proc) == 0, "Ignore: the installation completes with 0", d.last)

    block()
    proc, dlg = start_install("Exit Setup")
    if dlg:
        d.key(dlg, "Tab", "Return")  # the second in tab order: Exit Setup
    rc = d.finish(proc, timeout=30)
    check(rc == 2, f"Exit Setup: the installer ends with 2 (got {rc})", d.last)
    check(not os.path.exists(os.path.join(app, "Uninstall.da1")), "Exit Setup: no uninstall data written")


def main():
    ap = argparse.ArgumentParser()
    for n in ("source", "build", "builder", "stub", "uninstaller", "logger"):
        ap.add_argument("--" + n, required=True)
    ap.add_argument("--shots", help="folder for screenshots")
    ap.add_argument("--only", choices=("interactive", "auto", "copy-failure"), help="run one group of cases")
    a = ap.parse_args()
    for n in ("source", "build", "builder", "stub", "uninstaller", "logger", "shots"):
        if getattr(a, n):
            setattr(a, n, os.path.abspath(getattr(a, n)))
    if a.shots:
        os.makedirs(a.shots, exist_ok=True)
    work = os.path.join(a.build, "e2e-ui-work")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    script, log = make_fixture(work, a)
    out = os.path.join(work, "out")
    d = Desk(a, work)
    try:
        p = d.start(a.builder, "build", winpath(script), "-o", winpath(out), "--arch", "x64",
                    "--stub", winpath(a.stub), "--uninstaller", winpath(a.uninstaller), "--quiet")
        if not check(d.finish(p, timeout=300) == 0, "builder made the package", d.last):
            return summary()
        setup = os.path.join(out, "ui-setup.exe")
        if a.only in (None, "interactive"):
            for lang in ("CHS", "CHT", "ENG"):
                interactive_run(d, a, setup, log, lang)
                d.stop_wine()
        if a.only in (None, "auto"):
            auto_run(d, a, setup, log)
        if a.only in (None, "copy-failure"):
            copy_failure_runs(d, a, setup)
    finally:
        d.close()
    return summary()


if __name__ == "__main__":
    sys.exit(main())
