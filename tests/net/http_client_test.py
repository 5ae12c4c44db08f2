#!/usr/bin/env python3
"""Runs the HTTP client's test program under wine64 against the servers of servers.py: starts
them, makes their test CA trusted in the given Wine prefix, and passes their addresses to the
program in LUSETUP_NET_* variables. Arguments after -- go to the test program."""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from servers import TestServers, winpath  # noqa: E402


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--wine-run", required=True)
    p.add_argument("--prefix", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--trust", required=True)
    p.add_argument("--test", required=True)
    p.add_argument("rest", nargs="*")
    a = p.parse_args()

    wine = [a.wine_run, "--prefix=" + os.path.abspath(a.prefix)]
    with TestServers(a.work) as s:
        s.trust_in_wine(wine, a.trust)
        env = dict(os.environ)
        env.update(s.environment())
        for key in ("LUSETUP_NET_PROXY_LOG", "LUSETUP_NET_AUTH_PROXY_LOG", "LUSETUP_NET_CA_DER"):
            env[key] = winpath(env[key])
        # A proxy in the environment must not be used: point it at the proxy whose log the
        # test reads, so that any use of it shows.
        for key in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"):
            env[key] = f"http://127.0.0.1:{s.proxy_port}"
        return subprocess.run(wine + [a.test] + a.rest, env=env, timeout=240).returncode


if __name__ == "__main__":
    sys.exit(main())
