#!/usr/bin/env python3
"""End-to-end tests of the installer under wine64: build a package from a small fixture with the
builder, install it with /Silent, and read back what a user would find on the machine."""
import argparse, datetime, os, re, shutil, struct, sys, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2elib import (Display, Wine, check, decode_package_data, png_bytes, reg_text, summary,  # noqa: E402
                    winpath)

GUID = "{6B1F0C2A-3D4E-4F50-8A61-7B8C9DA0B1C2}"
TITLE = "E2E Product"
APP = "C:\\Program Files\\E2E Product"


def make_fixture(work, a, log_win):
    files = os.path.join(work, "files")
    os.makedirs(os.path.join(files, "sub", "deep"))
    open(os.path.join(files, "readme.txt"), "w").write("read me\n")
    open(os.path.join(files, "empty.txt"), "w").close()
    open(os.path.join(files, "sub", "deep", "data.bin"), "wb").write(bytes(range(256)) * 3)
    open(os.path.join(files, "original.txt"), "w").write("renamed on install\n")
    shutil.copy(a.logger, os.path.join(files, "e2e-logger.exe"))
    shutil.copy(a.logger, os.path.join(files, "e2e-sleeper.exe"))  # a package program left running
    # Distinct, fixed last-write times (2021-03-04 05:06:07 + n hours, local).
    base = time.mktime((2021, 3, 4, 5, 6, 7, 0, 0, -1))
    for n, rel in enumerate(["readme.txt", "sub/deep/data.bin", "original.txt", "e2e-logger.exe"]):
        os.utime(os.path.join(files, rel), (base + 3600 * n, base + 3600 * n))
    open(os.path.join(work, "logo.png"), "wb").write(png_bytes())
    logger = "{app}\\e2e-logger.exe"
    script = f'''<?xml version="1.0" encoding="utf-8"?>
<TSetupScript>
  <BaseInfo GUID="{GUID}" AppTitleCHS="{TITLE}" AppTitleENG="{TITLE}" Version="1.2.3.4" DefInstallPath="{{pf}}\\{TITLE}"
            IconFile="logo.png" ProductName="E2E" CompanyName="LuSetup Tests" CompanyUrl="http://example.invalid/"
            FullSetupFile="e2e-setup.exe"/>
  <FileList><Items>
    <TSetupFile SourcePath="files" SourceMask="readme.txt" DestDir="{{app}}"/>
    <TSetupFile SourcePath="files" SourceMask="empty.txt" DestDir="{{app}}"/>
    <TSetupFile SourcePath="files\\sub\\deep" SourceMask="data.bin" DestDir="{{app}}\\sub\\deep"/>
    <TSetupFile SourcePath="files" SourceMask="original.txt" NewFileName="renamed.txt" DestDir="{{app}}\\docs"/>
    <TSetupFile SourcePath="files" SourceMask="e2e-logger.exe" DestDir="{{app}}"/>
    <TSetupFile SourcePath="files" SourceMask="e2e-sleeper.exe" DestDir="{{app}}"/>
  </Items></FileList>
  <RegList><Items>
    <TSetupReg RootKey="rrkCurrentUser" SubKey="Software\\LuSetupE2E\\Sub\\Deep" ValueName="Path" ValueData="{{app}}" ValueType="rvtString"/>
    <TSetupReg RootKey="rrkCurrentUser" SubKey="\\Software\\LuSetupE2E\\Sub\\Deep" ValueName="Num" ValueData="42" ValueType="rvtDWord"/>
    <TSetupReg RootKey="rrkCurrentUser" SubKey="Software\\LuSetupE2E" ValueName="" ValueData="default {{AppTitle}}" ValueType="rvtString"/>
    <TSetupReg RootKey="rrkLocalMachine" SubKey="Software\\LuSetupE2E\\Machine" ValueName="Count" ValueData="-7" ValueType="rvtDWord"/>
    <TSetupReg RootKey="rrkLocalMachine" SubKey="Software\\LuSetupE2E\\Machine" ValueName="Title" ValueData="{{AppTitle}}" ValueType="rvtString"/>
  </Items></RegList>
  <ShortCutList><Items>
    <TSetupShortCut SaveDir="{{app}}" Name="App Link" DstFile="{logger}" WorkDir="{{app}}\\sub"/>
    <TSetupShortCut SaveDir="{{desktop}}" Name="{{AppTitle}}" DstFile="{{app}}\\readme.txt" WorkDir="{{app}}"/>
    <TSetupShortCut SaveDir="{{group}}" Name="Group Link" DstFile="{{app}}\\readme.txt" WorkDir="{{app}}"/>
  </Items></ShortCutList>
  <RunList><Items>
    <TSetupRun FileName="{logger}" Params="{log_win} nowait" WorkDir="{{app}}" Wait="False"/>
    <TSetupRun FileName="{logger}" Params="{log_win} wait" WorkDir="{{app}}" Wait="True"/>
  </Items></RunList>
</TSetupScript>
'''
    path = os.path.join(work, "e2e.xml")
    open(path, "w", encoding="utf-8").write(script)
    return path


def main():
    ap = argparse.ArgumentParser()
    for n in ("source", "build", "stub", "uninstaller", "builder", "logger", "probe", "planted-exe", "planted-dll"):
        ap.add_argument("--" + n, required=True)
    a = ap.parse_args()
    work = os.path.join(a.build, "e2e-work")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    display = Display(log_dir=work)
    env = Wine(os.path.join(a.build, "wineprefix-e2e"), display)
    try:
        checks(env, a, work)
    finally:
        env.close()
        display.close()
    return summary()


def checks(env, a, work):
    log = os.path.join(work, "programs.log")
    script = make_fixture(work, a, winpath(log))
    out = os.path.join(work, "out")
    r = env.run(a.builder, "build", winpath(script), "-o", winpath(out), "--arch", "x64",
                "--stub", winpath(a.stub), "--uninstaller", winpath(a.uninstaller), "--quiet")
    check(r.rc == 0, f"builder made the package (rc {r.rc})", r)
    setup = os.path.join(out, "e2e-setup.exe")
    if r.rc != 0:
        return

    # ---- First run: a fresh machine --------------------------------------------------------------
    start = time.time()
    first = env.run(setup, "/Silent")
    check(first.rc == 0, f"/Silent run ends with exit code 0 (got {first.rc})", first)
    files = os.path.join(work, "files")
    expected = [("readme.txt", "readme.txt"), ("sub/deep/data.bin", "sub/deep/data.bin"),
                ("docs/renamed.txt", "original.txt"), ("e2e-logger.exe", "e2e-logger.exe"),
                ("e2e-sleeper.exe", "e2e-sleeper.exe")]
    for target, source in expected:
        t = os.path.join(env.drive_c(APP), *target.split("/"))
        s = os.path.join(files, *source.split("/"))
        ok = os.path.isfile(t) and open(t, "rb").read() == open(s, "rb").read()
        check(ok, f"file {target} holds its content")
        if ok:
            check(abs(os.stat(t).st_mtime - os.stat(s).st_mtime) < 2.5, f"file {target} has its last-write time")
    e = os.path.join(env.drive_c(APP), "empty.txt")
    check(os.path.isfile(e) and os.path.getsize(e) == 0, "an empty entry gives an empty file")
    check(not os.path.exists(os.path.join(env.drive_c(APP), "original.txt")), "NewFileName replaces the source name")
    leftovers = [n for n in os.listdir(env.drive_c(APP)) if n.startswith("{")]
    check(not leftovers, "the write test leaves no file behind")

    system = env.hive("system.reg")
    user = env.hive("user.reg")
    deep = user.get("software\\lusetupe2e\\sub\\deep", {})
    check(deep.get("path") == ("REG_SZ", APP + "\\"), f"HKCU REG_SZ with {{app}} expanded: {deep.get('path')}")
    check(deep.get("num") == ("REG_DWORD", 42), f"HKCU REG_DWORD 42 in a created key path: {deep.get('num')}")
    top = user.get("software\\lusetupe2e", {})
    check(top.get("") == ("REG_SZ", "default " + TITLE), f"default value: {top.get('')}")
    machine = system.get("software\\lusetupe2e\\machine", {})
    check(machine.get("count") == ("REG_DWORD", 0xFFFFFFF9), f"HKLM REG_DWORD -7: {machine.get('count')}")
    check(machine.get("title") == ("REG_SZ", TITLE), f"HKLM REG_SZ: {machine.get('title')}")

    # Shortcuts read back through the shell-link object.
    lnk = APP + "\\App Link.lnk"
    probe = env.run(a.probe, lnk)
    check(probe.rc == 0 and probe.out.lower() == (APP + "\\e2e-logger.exe|" + APP + "\\sub").lower(),
          f"shortcut target and working folder: {probe.out!r}", probe)
    desktop = [os.path.join(dp, f) for dp, _, fs in os.walk(os.path.join(env.prefix, "drive_c", "users"))
               for f in fs if f == TITLE + ".lnk"]
    check(len(desktop) == 1 and "desktop" in desktop[0].lower(), f"desktop shortcut named after the title: {desktop}")
    # The Start-menu group folder does not exist before the first installation; it is created.
    group = [os.path.join(dp, f) for dp, _, fs in os.walk(os.path.join(env.prefix, "drive_c"))
             for f in fs if f == "Group Link.lnk"]
    check(len(group) == 1 and os.path.basename(os.path.dirname(group[0])) == TITLE and "programs" in group[0].lower(),
          f"Start-menu shortcut in the product's group folder: {group}")

    # The uninstall entry: nineteen values with their types.
    key = system.get(("software\\microsoft\\windows\\currentversion\\uninstall\\" + GUID + "_zd").lower(), {})
    today = datetime.date.today().strftime("%Y%m%d")
    want = {
        "displayname": ("REG_SZ", TITLE + " Version 1.2.3.4"), "displayversion": ("REG_SZ", "1.2.3.4"),
        "helplink": ("REG_SZ", "http://example.invalid/"), "installlocation": ("REG_SZ", APP + "\\"),
        "installlanguage": ("REG_SZ", "ENG"), "majorversion": ("REG_DWORD", 1), "minorversion": ("REG_DWORD", 2),
        "nomodify": ("REG_DWORD", 1), "norepair": ("REG_DWORD", 1), "publisher": ("REG_SZ", "LuSetup Tests"),
        "quietuninstallstring": ("REG_SZ", f'"{APP}\\Uninstall.exe" /SILENT'),
        "uninstallstring": ("REG_SZ", f'"{APP}\\Uninstall.exe"'), "urlinfoabout": ("REG_SZ", "http://example.invalid/"),
        "urlupdateinfo": ("REG_SZ", "http://example.invalid/"), "versionmajor": ("REG_DWORD", 1),
        "versionminor": ("REG_DWORD", 2),
    }
    for name, value in want.items():
        check(key.get(name) == value, f"uninstall value {name}: {key.get(name)}")
    # The builder adds the uninstaller that the entry names.
    uninstaller = os.path.join(env.drive_c(APP), "Uninstall.exe")
    check(os.path.isfile(uninstaller), "the package delivered Uninstall.exe")
    total = sum(os.path.getsize(os.path.join(files, s)) for _, s in expected) + os.path.getsize(uninstaller)
    check(key.get("estimatedsize") == ("REG_DWORD", total // 1024), f"EstimatedSize: {key.get('estimatedsize')}")
    check(key.get("installdate") in (("REG_SZ", today), ("REG_SZ", datetime.date.fromtimestamp(start).strftime("%Y%m%d"))),
          f"InstallDate: {key.get('installdate')}")
    idt = key.get("installdatetime")
    if idt and idt[0] == "REG_BINARY" and len(idt[1]) == 8:
        days = struct.unpack("<d", idt[1])[0]
        stamp = (datetime.datetime(1899, 12, 30) + datetime.timedelta(days=days)).timestamp()
        check(start - 5 <= stamp <= time.time() + 5, "InstallDateTime is the local time of the install")
    else:
        check(False, f"InstallDateTime is 8 binary bytes: {idt}")
    check(len(key) == 19, f"the uninstall key holds exactly 19 values ({len(key)})")

    da1 = os.path.join(env.drive_c(APP), "Uninstall.da1")
    da2 = os.path.join(env.drive_c(APP), "Uninstall.da2")
    try:
        xml = decode_package_data(open(da1, "rb").read()).decode("utf-8")
        check("<TSetupScript" in xml and GUID in xml and "{app}" in xml, "Uninstall.da1 decodes to the script XML, unexpanded")
    except Exception as ex:  # noqa: BLE001
        check(False, f"Uninstall.da1 decodes: {ex}")
    try:
        check(decode_package_data(open(da2, "rb").read()) == png_bytes(), "Uninstall.da2 decodes to the icon PNG")
    except Exception as ex:  # noqa: BLE001
        check(False, f"Uninstall.da2 decodes: {ex}")

    lines = open(log).read().split() if os.path.exists(log) else []
    check(lines == ["wait", "nowait"], f"Wait program during the install, the other at the end: {lines}")

    # ---- Exit codes of the ends the installer decides itself ---------------------------------------
    r = env.run(a.stub, "/Silent")
    check(r.rc == 4, f"an executable without a setup script ends with 4 (got {r.rc})", r)

    second_run(env, a, work, setup, log)
    planted_run(env, a, work, setup)
    write_failure_run(env, work, setup)
    crash_run(env, a, work)


UNINSTALL = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
OLD_APP = "C:\\Old Place\\E2E"


def second_run(env, a, work, setup, log):
    """The same package again over an earlier installation: the earlier installation's quiet
    uninstall commands run first (the foreign _is1 key's, then ours), the destination is the one the
    earlier installation recorded, and a running copy of a package program is ended."""
    logger = f'"{winpath(a.logger)}" {winpath(log)}'
    old_location = reg_text(OLD_APP + "\\")
    reg = os.path.join(work, "earlier.reg")
    lines = ["Windows Registry Editor Version 5.00", "",
             f"[{UNINSTALL}{GUID}_is1]", f'"QuietUninstallString"={reg_text(logger + " is1")}', "",
             f"[{UNINSTALL}{GUID}_zd]", f'"QuietUninstallString"={reg_text(logger + " zd")}',
             f'"InstallLocation"={old_location}', ""]
    open(reg, "w", encoding="utf-16", newline="\r\n").write("\n".join(lines))
    r = env.run("regedit", "/S", winpath(reg))
    check(r.rc == 0, f"earlier installation planted (rc {r.rc})", r)
    os.remove(log)
    # One Wine session: the sleeper must still run when the installer looks for it.
    bat = os.path.join(work, "second.bat")
    open(bat, "w", newline="\r\n").write("\n".join([
        "@echo off",
        f'start "" "{APP}\\e2e-sleeper.exe" {winpath(log)} running 60',
        f'"{winpath(setup)}" /Silent',
        "echo setup-exit=%errorlevel%",
        # Ends with 0 only when it finds a process of that name still running.
        "%SystemRoot%\\system32\\taskkill.exe /F /IM e2e-sleeper.exe >nul 2>nul",
        "echo sleeper-found=%errorlevel%", ""]))
    r = env.run("cmd", "/c", winpath(bat))
    m = re.search(r"setup-exit=(\d+)", r.out)
    check(m is not None and m.group(1) == "0", f"second /Silent run ends with 0: {r.out.strip()[:200]!r}", r)
    m = re.search(r"sleeper-found=(\d+)", r.out)
    check(m is not None and m.group(1) != "0", f"the running copy of e2e-sleeper.exe was ended: {r.out.strip()[-400:]!r}", r)
    got = open(log).read().split() if os.path.exists(log) else []
    check("running" in got, f"the sleeper was running before the install: {got}")
    check([t for t in got if t != "running"] == ["is1", "zd", "wait", "nowait"],
          f"the _is1 then the _zd uninstall command ran before the install's programs: {got}")
    old = env.drive_c(OLD_APP)
    check(os.path.isfile(os.path.join(old, "readme.txt")) and os.path.isfile(os.path.join(old, "sub", "deep", "data.bin")),
          "files went to the earlier installation's destination")
    key = env.hive("system.reg").get(
        ("software\\microsoft\\windows\\currentversion\\uninstall\\" + GUID + "_zd").lower(), {})
    check(key.get("installlocation") == ("REG_SZ", OLD_APP + "\\"), f"InstallLocation kept: {key.get('installlocation')}")


def planted_run(env, a, work, setup):
    """An installer started from a folder holding a taskkill.exe and a gdiplus.dll (a DLL the
    installer loads at run time) uses neither, even when Wine is told to prefer a native copy."""
    folder = os.path.join(work, "downloads")
    os.makedirs(folder)
    shutil.copy(setup, folder)
    shutil.copy(a.planted_exe, os.path.join(folder, "taskkill.exe"))
    shutil.copy(a.planted_dll, os.path.join(folder, "gdiplus.dll"))
    # Control: the planted program leaves its marker when it does run.
    r = env.run(os.path.join(folder, "taskkill.exe"), cwd=folder)
    marker = os.path.join(folder, "planted-taskkill.exe.txt")
    check(r.rc == 0 and os.path.exists(marker), "the planted taskkill.exe leaves a marker when run", r)
    if os.path.exists(marker):
        os.remove(marker)
    r = env.run(os.path.join(folder, os.path.basename(setup)), "/Silent", cwd=folder,
                env={"WINEDLLOVERRIDES": "gdiplus=n,b"}, timeout=180)
    check(r.rc == 0, f"/Silent from a folder with planted files ends with 0 (got {r.rc})", r)
    planted = sorted(n for n in os.listdir(folder) if n.startswith("planted-"))
    check(not planted, f"neither the planted taskkill.exe nor gdiplus.dll was used: {planted}")


def write_failure_run(env, work, setup):
    """A /Silent run that cannot write a file ends as Exit Setup does, instead of waiting for an
    answer nobody can give, and records no installation."""
    r = env.run("reg", "delete", UNINSTALL + GUID + "_zd", "/f")
    check(r.rc == 0, f"the earlier installation's key removed (rc {r.rc})", r)
    app = env.drive_c(APP)
    for n in ("Uninstall.da1", "Uninstall.da2"):
        if os.path.exists(os.path.join(app, n)):
            os.remove(os.path.join(app, n))
    # A folder where the file should go: a target that cannot be written whoever runs the tests
    # (a read-only attribute is only Unix permissions under Wine, which do not stop root).
    target = os.path.join(app, "readme.txt")
    os.remove(target)
    os.makedirs(target)
    r = env.run(setup, "/Silent", timeout=180)
    check(r.rc == 2, f"an unwritable target in /Silent ends with 2 (got {r.rc})", r)
    check("readme.txt" in r.err, "the failed path is on standard error", r)
    key = env.hive("system.reg").get(
        ("software\\microsoft\\windows\\currentversion\\uninstall\\" + GUID + "_zd").lower())
    check(key is None, f"no uninstall key written: {key}")
    check(not any(os.path.exists(os.path.join(app, n)) for n in ("Uninstall.da1", "Uninstall.da2")),
          "no uninstall data files written")


def crash_run(env, a, work):
    """An error that stops the install run of a /Silent run goes to standard error and ends the
    process with 1 at once: a message box would wait for an answer nobody can give."""
    script = os.path.join(work, "crash.xml")
    open(script, "w", encoding="utf-8").write(f'''<?xml version="1.0" encoding="utf-8"?>
<TSetupScript>
  <BaseInfo GUID="{{9C1E0D2B-3A4F-4B5C-8D6E-7F8091A2B3C4}}" AppTitleENG="Crash" DefInstallPath="{{pf}}\\Crash"
            IconFile="logo.png" FullSetupFile="crash-setup.exe"/>
  <RegList><Items>
    <TSetupReg RootKey="rrkCurrentUser" SubKey="Software\\LuSetupCrash" ValueName="N" ValueData="not a number" ValueType="rvtDWord"/>
  </Items></RegList>
  <VarList><Items/></VarList>
</TSetupScript>
''')
    out = os.path.join(work, "crash-out")
    r = env.run(a.builder, "build", winpath(script), "-o", winpath(out), "--arch", "x64",
                "--stub", winpath(a.stub), "--uninstaller", winpath(a.uninstaller), "--quiet")
    check(r.rc == 0, f"builder made the crash package (rc {r.rc})", r)
    if r.rc != 0:
        return
    r = env.run(os.path.join(out, "crash-setup.exe"), "/Silent", timeout=120)
    check(r.rc == 1, f"an error in a /Silent install run ends with 1 (got {r.rc})", r)
    check("setup: error:" in r.err and "not a number" in r.err, "the error is on standard error", r)


if __name__ == "__main__":
    sys.exit(main())
