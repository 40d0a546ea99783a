#!/usr/bin/python3
"""End-to-end tests of the Windows build: cfgsnap.exe under Wine against the
scripted fake agent (the Linux cfgsnap_fake_agent) on 127.0.0.1:161, each
scenario run with the Linux cfgsnap as well, so that the two builds can be
held to the same output, exit code and datagrams.

The program re-runs itself in a private network and PID namespace (only
`lo`), with a Wine server of its own started there: Wine's sockets live in
its server, so a server left running outside would carry the traffic out of
the namespace. Any server of the prefix is stopped before the namespace is
entered, and the test refuses to run when none of its own is found inside.

Usage: windows_e2e_test.py --exe CFGSNAP.EXE --cfgsnap LINUX_CFGSNAP
           --fake-agent LINUX_FAKE_AGENT --wineprefix DIR [unittest arguments]

Line ends: the Windows C runtime writes standard output in text mode, so
every line end is CR LF there. The tests require Windows output to equal the
Linux output with each LF written as CR LF, and nothing else different.

Exits 77 (skipped) when not root or unshare or Wine is missing, except under
CI=true, where that is a failure.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import stand_in_peers  # noqa: E402

SKIP = 77
ARGS = None
RUN_LIMIT_SECONDS = 60
# Local time of the log-style stamp: a zone with a quarter-hour offset from
# UTC, so that a stamp in UTC or in a whole-hour zone cannot pass.
ZONE = "Asia/Kathmandu"
STAMP = re.compile(rb"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d) ")

STANDARD = ["127.0.0.1", "", "10.0.0.5", "sw1.cfg"]
HEADER = (b"Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n  Agent:\t127.0.0.1\n"
          b"  Community:\t\n  TFTP server:\t10.0.0.5\n  Filename:\tsw1.cfg\n\n"
          b"  Sending request...")


def wine_environment():
    return dict(os.environ, WINEPREFIX=ARGS.wineprefix, WINEDEBUG="-all", TZ=ZONE)


def wine(*words, **options):
    return subprocess.run(["wine"] + list(words), env=wine_environment(),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=RUN_LIMIT_SECONDS, **options)


def wineserver(*flags):
    subprocess.run(["wineserver"] + list(flags), env=wine_environment(),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=RUN_LIMIT_SECONDS, check=False)


def visible_wineservers():
    """PIDs of the Wine servers in this PID namespace."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                first = cmdline.read().split(b"\0")[0]
        except OSError:
            continue
        if os.path.basename(first).startswith(b"wineserver"):
            found.append(int(entry))
    return found


class Run:
    """What one run of cfgsnap printed and sent."""

    def __init__(self, completed, started, finished, datagrams):
        self.out = completed.stdout
        self.err = completed.stderr
        self.status = completed.returncode
        self.started = started
        self.finished = finished
        self.datagrams = datagrams  # [(source port, octets)]


class FakeAgent:
    """cfgsnap_fake_agent on 127.0.0.1:161 with a script, recording."""

    def __init__(self, workdir, script):
        self.record = os.path.join(workdir, "record-%d" % time.monotonic_ns())
        self.process = subprocess.Popen(
            [ARGS.fake_agent, "--port", "161", "--record", self.record] + list(script),
            stdout=subprocess.PIPE)
        line = self.process.stdout.readline()
        if line != b"ready 161\n":
            self.stop()
            raise RuntimeError("the fake agent did not start: %r" % line)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()

    def datagrams(self):
        received = []
        if os.path.exists(self.record):
            with open(self.record) as record:
                for line in record:
                    port, _, octets = line.rstrip("\n").partition(" ")
                    received.append((int(port), bytes.fromhex(octets)))
        return received


class BothBuilds(unittest.TestCase):
    """Each test runs one scenario with the Linux and the Windows build."""

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="cfgsnap-win-e2e-")
        self.addCleanup(shutil.rmtree, self.workdir, ignore_errors=True)

    def run_with_agent(self, script, command, env, executable=None, cwd=None):
        agent = FakeAgent(self.workdir, script)
        try:
            started = time.time()
            completed = subprocess.run(command, executable=executable, stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, env=env, cwd=cwd,
                                       timeout=RUN_LIMIT_SECONDS, check=False)
            finished = time.time()
        finally:
            agent.stop()
        return Run(completed, started, finished, agent.datagrams())

    def linux(self, script, words, shown_name="cfgsnap"):
        # The name typed goes in as argv[0], as a shell would pass it.
        return self.run_with_agent(script, [shown_name] + words, dict(os.environ, TZ=ZONE),
                                   executable=ARGS.cfgsnap)

    def windows(self, script, words):
        return self.run_with_agent(script, ["wine", ARGS.exe] + words, wine_environment())

    def windows_typed(self, script, typed):
        """Runs a command line typed at cmd.exe in a directory holding
        Tools\\CfgSnap.exe, so that argv[0] is the name as typed."""
        tools = os.path.join(self.workdir, "Tools")
        os.makedirs(tools, exist_ok=True)
        shutil.copy(ARGS.exe, os.path.join(tools, "CfgSnap.exe"))
        return self.run_with_agent(script, ["wine", "cmd", "/c", typed], wine_environment(),
                                   cwd=self.workdir)

    def assert_same(self, linux, windows):
        """Same exit code and datagrams; the same output but for the line ends."""
        self.assertNotIn(b"\r", linux.out)
        self.assertEqual(windows.out, linux.out.replace(b"\n", b"\r\n"))
        self.assertEqual(linux.err, b"")
        self.assertEqual(windows.err, b"")
        self.assertEqual(windows.status, linux.status)
        self.assertEqual([octets for _, octets in windows.datagrams],
                         [octets for _, octets in linux.datagrams])
        if windows.datagrams:
            set_request_port = windows.datagrams[0][0]
            for port, _ in windows.datagrams[1:]:
                self.assertNotEqual(port, set_request_port, "a poll used the SetRequest's port")

    def assert_stamp_in_run(self, run):
        """The line starts with the local date and time at which the run
        started, in the zone of the test."""
        match = STAMP.match(run.out)
        self.assertIsNotNone(match, run.out)
        previous = os.environ.get("TZ")
        os.environ["TZ"] = ZONE
        time.tzset()
        try:
            earliest = time.strftime("%Y/%m/%d %H:%M:%S", time.localtime(int(run.started)))
            latest = time.strftime("%Y/%m/%d %H:%M:%S", time.localtime(run.finished))
        finally:
            if previous is None:
                del os.environ["TZ"]
            else:
                os.environ["TZ"] = previous
            time.tzset()
        stamp = match.group(1).decode()
        self.assertGreaterEqual(stamp, earliest)
        self.assertLessEqual(stamp, latest)
        return len(match.group(0))


class Scenarios(BothBuilds):
    def test_success(self):
        linux = self.linux(["ok", "1", "2"], STANDARD)
        windows = self.windows(["ok", "1", "2"], STANDARD)
        self.assertEqual(linux.out, HEADER + b"..Configuration saved successfully\n")
        self.assertEqual(linux.status, 0)
        self.assertEqual(len(windows.datagrams), 3)
        self.assert_same(linux, windows)

    def test_failure_result(self):
        linux = self.linux(["ok", "13"], STANDARD)
        windows = self.windows(["ok", "13"], STANDARD)
        self.assertEqual(linux.out, HEADER + b".File not found\n")
        self.assertEqual(linux.status, 1)
        self.assert_same(linux, windows)

    def test_refused_set_request(self):
        linux = self.linux(["ok:err=2"], STANDARD)
        windows = self.windows(["ok:err=2"], STANDARD)
        self.assertEqual(linux.out, HEADER + b"ERROR: Community string or SNMP error\n")
        self.assertEqual(linux.status, 1)
        self.assertEqual(len(windows.datagrams), 1, "no poll after a refusal")
        self.assert_same(linux, windows)

    def test_unresolvable_agent(self):
        words = ["switch.invalid"] + STANDARD[1:]
        linux = self.linux(["ok", "2"], words)
        windows = self.windows(["ok", "2"], words)
        self.assertTrue(linux.out.endswith(b"ERROR: Error communicating with the agent\n"))
        self.assertEqual(linux.status, 1)
        self.assertEqual(windows.datagrams, [])
        self.assertLess(windows.finished - windows.started, 10)
        self.assert_same(linux, windows)

    def test_usage_shows_the_name_as_typed_in_upper_case(self):
        for typed_name, arguments in (("Tools\\CfgSnap", "127.0.0.1 x 10.0.0.5"),
                                      ("tools\\cfgsnap.exe", "127.0.0.1 x 10.0.0.5 f /l"),
                                      ("Tools\\cfgSnap", "127.0.0.1 x 10.0.0.5 f -l extra")):
            with self.subTest(typed_name=typed_name):
                linux = self.linux(["ok", "2"], arguments.split(), shown_name=typed_name)
                windows = self.windows_typed(["ok", "2"], typed_name + " " + arguments)
                self.assertIn(b"\nUsage:\t\t" + typed_name.upper().encode()
                              + b" ipAddress community", linux.out)
                self.assertEqual(linux.status, 1)
                self.assertEqual(windows.datagrams, [])
                self.assert_same(linux, windows)

    def test_log_style(self):
        for option, script, ending in (
                ("-l", ["ok", "1", "2"],
                 b"Switch 127.0.0.1 Config saved to TFTP server 10.0.0.5 as sw1.cfg\n"),
                ("-L", ["ok", "20"],
                 b"Switch 127.0.0.1 attempt to save config to TFTP server 10.0.0.5 as "
                 b"sw1.cfg: Insufficient DRAM sizer\n"),
                ("-l", ["ok:err=2"], b"Switch 127.0.0.1 community string error\n")):
            with self.subTest(option=option, script=script):
                linux = self.linux(script, STANDARD + [option])
                windows = self.windows(script, STANDARD + [option])
                linux_stamp = self.assert_stamp_in_run(linux)
                windows_stamp = self.assert_stamp_in_run(windows)
                self.assertEqual(linux.out[linux_stamp:], ending)
                # Everything after the stamp is compared as a whole run.
                linux.out = linux.out[linux_stamp:]
                windows.out = windows.out[windows_stamp:]
                self.assert_same(linux, windows)


def start_own_wineserver():
    """A persistent Wine server inside this namespace, or an error text."""
    wineserver("-p")
    deadline = time.monotonic() + 20
    while not visible_wineservers():
        if time.monotonic() > deadline:
            return "no Wine server of this namespace runs (is another one still serving the prefix?)"
        time.sleep(0.1)
    # The prefix's programs start with the first client; a first run pays
    # that cost here rather than inside a timed test.
    wine("cmd", "/c", "exit", check=False)
    return ""


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--cfgsnap", required=True)
    parser.add_argument("--fake-agent", required=True)
    parser.add_argument("--wineprefix", required=True)
    ARGS, rest = parser.parse_known_args()
    for name in ("exe", "cfgsnap", "fake_agent", "wineprefix"):
        setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))

    missing = []
    if os.geteuid() != 0:
        missing.append("not root (a private network namespace needs root)")
    for tool in ("unshare", "ip", "wine", "wineserver"):
        if shutil.which(tool) is None:
            missing.append(tool + " is not installed")
    if missing:
        print("%s: %s" % ("FAILED" if os.environ.get("CI") == "true" else "SKIPPED",
                          "; ".join(missing)))
        return 1 if os.environ.get("CI") == "true" else SKIP

    if os.environ.get(stand_in_peers.INSIDE_MARK) is None:
        # A server running outside would hold the prefix, and with it every
        # socket that cfgsnap.exe opens.
        wineserver("-k")
        wineserver("-w")
    stand_in_peers.enter_private_namespace()
    problem = start_own_wineserver()
    try:
        if problem:
            print("FAILED: " + problem)
            return 1
        program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
        return 0 if program.result.wasSuccessful() else 1
    finally:
        wineserver("-k")


if __name__ == "__main__":
    sys.exit(main())
