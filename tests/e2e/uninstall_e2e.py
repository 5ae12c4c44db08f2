#!/usr/bin/env python3
"""End-to-end tests of the uninstaller under wine64: install a package made by the builder, run the
uninstall entry's QuietUninstallString and read back what is left; install twice and compare with a
fresh installation; run it over tampered, damaged and missing data files."""
import argparse, datetime, os, re, shutil, sys, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2elib import (Display, Wine, check, decode_package_data, encode_package_data, summary,  # noqa: E402
                    winpath)
from installer_e2e import make_fixture, GUID, TITLE, APP  # noqa: E402  (the same fixture)

KEY = ("software\\microsoft\\windows\\currentversion\\uninstall\\" + GUID + "_zd").lower()
OUR_KEYS = ("software\\lusetupe2e",)
OUTSIDE = "C:\\Outside"


class Machine:
    """What a user would see of the installation: files below the destination and the shortcut
    folders, our registry keys, the uninstall entry."""

    def __init__(self, env):
        self.env = env

    def files(self):
        found = {}
        for top in (self.env.drive_c(APP), os.path.join(self.env.prefix, "drive_c", "users"),
                    os.path.join(self.env.prefix, "drive_c", "ProgramData")):
            for dp, _, fs in os.walk(top):
                for f in fs:
                    p = os.path.join(dp, f)
                    rel = os.path.relpath(p, os.path.join(self.env.prefix, "drive_c"))
                    if top != self.env.drive_c(APP) and not (f.endswith(".lnk") and ("E2E" in rel or "Link" in f)):
                        continue
                    found[rel] = open(p, "rb").read() if not f.endswith(".lnk") else b"lnk"
        return found

    def folders(self):
        return sorted(os.path.relpath(dp, self.env.drive_c(APP)) for dp, _, _ in os.walk(self.env.drive_c(APP)))

    def registry(self):
        out = {}
        for hive in ("system.reg", "user.reg"):
            for name, values in self.env.hive(hive).items():
                if name.startswith(OUR_KEYS) or name == KEY:
                    out[hive + ":" + name] = {k: v for k, v in values.items() if k not in ("installdate", "installdatetime")}
        return out


def run_quiet_uninstall(env, work, name="uninstall.bat"):
    """Runs the uninstall entry's QuietUninstallString as Windows would (one command line)."""
    key = env.hive("system.reg").get(KEY, {})
    command = key.get("quietuninstallstring", ("", ""))[1]
    check(command == f'"{APP}\\Uninstall.exe" /SILENT', f"the entry names the uninstaller: {command!r}")
    bat = os.path.join(work, name)
    open(bat, "w", newline="\r\n").write(f"@echo off\r\n{command}\r\necho uninstall-exit=%errorlevel%\r\n")
    r = env.run("cmd", "/c", winpath(bat))
    m = re.search(r"uninstall-exit=(\d+)", r.out)
    return (int(m.group(1)) if m else None), r


def install(env, setup, what):
    r = env.run(setup, "/Silent")
    check(r.rc == 0, f"{what}: /Silent install ends with 0 (got {r.rc})", r)


def main():
    ap = argparse.ArgumentParser()
    for n in ("source", "build", "stub", "uninstaller", "builder", "logger", "planted-exe", "planted-dll"):
        ap.add_argument("--" + n, required=True)
    a = ap.parse_args()
    work = os.path.join(a.build, "uninstall-e2e-work")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    display = Display(log_dir=work)
    env = Wine(os.path.join(a.build, "wineprefix-uninstall-e2e"), display)
    try:
        checks(env, display, a, work)
    finally:
        env.close()
        display.close()
    return summary()


def checks(env, display, a, work):
    script = make_fixture(work, a, winpath(os.path.join(work, "programs.log")))
    out = os.path.join(work, "out")
    r = env.run(a.builder, "build", winpath(script), "-o", winpath(out), "--arch", "x64",
                "--stub", winpath(a.stub), "--uninstaller", winpath(a.uninstaller), "--quiet")
    check(r.rc == 0, f"builder made the package (rc {r.rc})", r)
    if r.rc != 0:
        return
    setup = os.path.join(out, "e2e-setup.exe")
    machine = Machine(env)

    # ---- A second installation over the first equals a fresh one -------------------------------
    install(env, setup, "fresh")
    fresh_files, fresh_reg = machine.files(), machine.registry()
    check(os.path.isfile(os.path.join(env.drive_c(APP), "Uninstall.exe")), "the package delivered Uninstall.exe")
    check(len(fresh_reg.get("system.reg:" + KEY, {})) == 17, "the uninstall entry is there")
    install(env, setup, "again")
    env.stop_server()  # the registry files are written when the server ends
    system = open(os.path.join(env.prefix, "system.reg"), encoding="utf-8", errors="replace").read()
    check("LuUninstall-" in system, "the earlier installation's uninstaller ran before the second install")
    again_files, again_reg = machine.files(), machine.registry()
    check(again_files == fresh_files,
          f"files after a second install equal a fresh install: {sorted(set(again_files) ^ set(fresh_files))}")
    check(again_reg == fresh_reg, "registry after a second install equals a fresh install")

    # ---- The quiet uninstall removes everything but what the user added ---------------------------
    user_file = os.path.join(env.drive_c(APP), "my notes.txt")
    open(user_file, "w").write("mine\n")
    rc, r = run_quiet_uninstall(env, work)
    check(rc == 0, f"the quiet uninstall ends with 0 (got {rc})", r)
    left = machine.files()
    check(list(left) == [os.path.relpath(user_file, os.path.join(env.prefix, "drive_c"))],
          f"every file and shortcut is gone, the user's file remains: {sorted(left)}")
    check(machine.folders() == ["."], f"the destination remains only because of the user's file: {machine.folders()}")
    check(machine.registry() == {}, f"registry values, their emptied keys and the uninstall entry are gone: {machine.registry()}")
    groups = [dp for dp, _, _ in os.walk(os.path.join(env.prefix, "drive_c")) if os.path.basename(dp) == TITLE
              and "programs" in dp.lower()]
    check(groups == [], f"the emptied Start-menu group folder is gone: {groups}")
    os.remove(user_file)

    tampered_run(env, work, setup, machine)
    damaged_run(env, work, setup, machine)
    interactive_run(env, display, a, work, setup, machine)


def tampered_run(env, work, setup, machine):
    """An Uninstall.da1 rewritten to name files outside the destination, through "..", and a
    shortcut elsewhere: those stay; the rest of the installation goes."""
    install(env, setup, "tampered")
    outside = env.drive_c(OUTSIDE)
    os.makedirs(outside, exist_ok=True)
    victims = {"victim.txt": b"not the product's\n", "victim2.txt": b"neither\n", "victim.lnk": b"a link\n"}
    for n, data in victims.items():
        open(os.path.join(outside, n), "wb").write(data)
    da1 = os.path.join(env.drive_c(APP), "Uninstall.da1")
    xml = decode_package_data(open(da1, "rb").read()).decode("utf-8")
    def entry(dest, name):
        # Size and time as the installer would have recorded them, so that only where the file
        # lies can keep it.
        p = os.path.join(outside, name)
        days = (datetime.datetime.fromtimestamp(os.stat(p).st_mtime) - datetime.datetime(1899, 12, 30)).total_seconds() / 86400
        return f'<TSetupFile DestDir="{dest}" SourceMask="{name}" FileBytes="{os.path.getsize(p)}" LastWriteDate="{days!r}"/>'
    extra = (entry(OUTSIDE, "victim.txt") + entry("{app}\\..\\..\\Outside", "victim2.txt") +
             '<TSetupFile DestDir="C:\\" SourceMask="Outside" FileBytes="0"/>')
    xml = re.sub(r"(<FileList>\s*<Items>)", lambda m: m.group(1) + extra, xml, count=1)
    xml = re.sub(r"(<ShortCutList>\s*<Items>)", lambda m: m.group(1) +
                 f'<TSetupShortCut SaveDir="{OUTSIDE}" Name="victim" DstFile="x" WorkDir="x"/>', xml, count=1)
    check(xml.count("victim") == 3, "the tampered script names the files outside")
    open(da1, "wb").write(encode_package_data(xml.encode("utf-8")))
    rc, r = run_quiet_uninstall(env, work, "tampered.bat")
    check(rc == 0, f"the uninstall with a tampered Uninstall.da1 ends with 0 (got {rc})", r)
    for n, data in victims.items():
        p = os.path.join(outside, n)
        check(os.path.isfile(p) and open(p, "rb").read() == data, f"{OUTSIDE}\\{n} named by the tampered data stays")
    check(f"kept: {OUTSIDE}\\victim.txt (outside" in r.err and "victim2.txt (not a plain path)" in r.err,
          "the refused entries are named on standard error", r)
    check(not os.path.exists(env.drive_c(APP)), "the rest of the installation is gone")
    shutil.rmtree(outside)


def damaged_run(env, work, setup, machine):
    """A damaged or missing data file: a clear message, exit code 2, and nothing removed."""
    install(env, setup, "damaged")
    app = env.drive_c(APP)
    before_files, before_reg = machine.files(), machine.registry()
    da1, da2 = os.path.join(app, "Uninstall.da1"), os.path.join(app, "Uninstall.da2")
    good1, good2 = open(da1, "rb").read(), open(da2, "rb").read()
    cases = [
        ("Uninstall.da1 cut in half", lambda: open(da1, "wb").write(good1[:len(good1) // 2])),
        ("Uninstall.da1 missing", lambda: os.remove(da1)),
        ("Uninstall.da2 not a PNG", lambda: open(da2, "wb").write(encode_package_data(b"GIF89a"))),
        ("Uninstall.da2 missing", lambda: os.remove(da2)),
    ]
    for what, damage in cases:
        damage()
        before = machine.files()
        rc, r = run_quiet_uninstall(env, work, "damaged.bat")
        check(rc == 2, f"{what}: exit code 2 (got {rc})", r)
        name = what.split()[0]
        check("uninstall: error:" in r.err and name in r.err and "Nothing was removed" in r.err,
              f"{what}: the message names the file", r)
        check(machine.files() == before and machine.registry() == before_reg, f"{what}: nothing was removed")
        open(da1, "wb").write(good1)
        open(da2, "wb").write(good2)
    check(machine.files() == before_files, "the installation is whole again")


def interactive_run(env, display, a, work, setup, machine):
    """The entry's UninstallString, answered in its window: nothing happens before Uninstall is
    pressed, and Close ends it with 0. A taskkill.exe and a gdiplus.dll (which the window loads at
    run time) left in the destination are not used, and stay as files that are not the product's."""
    install(env, setup, "interactive")
    app = env.drive_c(APP)
    shutil.copy(a.planted_exe, os.path.join(app, "taskkill.exe"))
    shutil.copy(a.planted_dll, os.path.join(app, "gdiplus.dll"))
    # A file of the product that the user changed since: no longer the installer's.
    open(os.path.join(app, "docs", "renamed.txt"), "a").write("my own line\n")

    def click(wid, x, y):
        """A click at a point of the window's client area."""
        # Wine's window draws its own frame: the X window is the whole window. The button wants
        # to see the pointer arrive before it is pressed, and a press of some length.
        display.click(wid, x + 3, y + 22, settle=0.3, hold=0.2, after=0)

    # Wine would take its builtin gdiplus first anyway.
    run = env.start(os.path.join(env.drive_c(APP), "Uninstall.exe"), env={"WINEDLLOVERRIDES": "gdiplus=n,b"})
    wid = display.wait_window(f"Uninstall {TITLE}", timeout=180)
    if wid is None:
        r = env.finish(run, 5)
        check(False, f"the uninstaller's window appears, captioned with the product (ended: {r.rc})", r)
        return
    check(True, "the uninstaller's window appears, captioned with the product")
    time.sleep(1)
    display.shot(wid, os.path.join(work, "uninstall-window.png"))
    check(os.path.isfile(os.path.join(env.drive_c(APP), "readme.txt")), "nothing is removed while it asks")
    click(wid, 272 + 56, 250 + 17)  # Uninstall
    end = time.time() + 120
    while time.time() < end and os.path.exists(os.path.join(env.drive_c(APP), "readme.txt")):
        time.sleep(0.5)
    time.sleep(2)
    display.shot(wid, os.path.join(work, "uninstall-window-done.png"))
    click(wid, 392 + 56, 250 + 17)  # Close
    r = env.finish(run, 60)
    check(r.rc == 0, f"Close ends the interactive uninstall with 0 (got {r.rc})", r)
    left = sorted(os.path.basename(p) for p in machine.files())
    registry = machine.registry()  # read after the server has ended and written its files
    check(left == ["gdiplus.dll", "renamed.txt", "taskkill.exe"] and registry == {} and
          machine.folders() == [".", "docs"],
          f"the interactive uninstall removed the installation, not the changed file nor the planted ones, "
          f"which it never ran: {left} {machine.folders()} {registry}")


if __name__ == "__main__":
    sys.exit(main())
