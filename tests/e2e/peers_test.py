#!/usr/bin/python3
"""End-to-end tests of the real cfgsnap binary against Net-SNMP's snmpd and
tftpd-hpa: a stand-in switch that really uploads over TFTP.

Each run of this program makes its own private network and PID namespace
(only `lo`, 127.0.0.1), starts the peers of tools/stand_in_peers.py there,
runs the tests named on the command line (all by default) and leaves nothing
behind. snmpd serves the switch's TFTP group through
tools/switch_tftp_group.py; tftpd-hpa serves a fresh directory with file
creation enabled.

Usage: peers_test.py --cfgsnap PATH [unittest arguments, e.g. test names]
Exits 77 (skipped) when not root or the peers are not installed, except
under CI=true, where that is a failure.
"""

import argparse
import os
import pwd
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

CFGSNAP = None
# A run that ought to take about three seconds; a hang fails instead.
RUN_LIMIT_SECONDS = 60

AGENT = stand_in_peers.LOOPBACK
TFTP_SERVER = stand_in_peers.LOOPBACK
# Inside the namespace nothing listens here: every 127/8 address is local,
# but tftpd is bound to 127.0.0.1 only.
SILENT_TFTP_SERVER = "127.0.0.2"


def header(community, server, file_name):
    return ("Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n"
            "  Agent:\t%s\n  Community:\t%s\n  TFTP server:\t%s\n  Filename:\t%s\n"
            "\n  Sending request..." % (AGENT, community, server, file_name))


class PeersTest(unittest.TestCase):
    """One stand-in switch and TFTP server per test, in a directory of its own."""

    config = stand_in_peers.SAMPLE_CONFIG

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="cfgsnap-e2e-")
        self.addCleanup(shutil.rmtree, self.workdir, ignore_errors=True)
        self.peers = stand_in_peers.StandInPeers(self.workdir, config=self.config)
        self.peers.start()
        self.addCleanup(self.peers.stop)
        self.addCleanup(self.show_logs)
        with open(self.config, "rb") as source:
            self.sent = source.read()

    def show_logs(self):
        # ctest shows a test's output only when it fails, which is when the
        # peers' side of the story is wanted.
        for name in sorted(os.listdir(self.peers.log_dir)):
            with open(os.path.join(self.peers.log_dir, name), errors="replace") as log:
                print("--- %s\n%s" % (name, log.read()))

    def cfgsnap(self, *args):
        started = time.time()
        run = subprocess.run([CFGSNAP, AGENT] + list(args), stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=RUN_LIMIT_SECONDS, check=False)
        self.assertEqual(run.stderr, b"", "cfgsnap writes nothing on standard error")
        return run.returncode, run.stdout.decode("latin-1"), started

    def received(self, name):
        path = os.path.join(self.peers.tftp_root, name)
        with open(path, "rb") as saved:
            return saved.read()

    def files_saved(self):
        return sorted(os.listdir(self.peers.tftp_root))

    def uploads_started(self):
        with open(self.peers.switch_log, errors="replace") as log:
            return log.read().count(" uploading ")

    def assert_console(self, output, community, server, file_name, outcome):
        start = header(community, server, file_name)
        self.assertTrue(output.startswith(start), output)
        dots, _, rest = output[len(start):].partition(outcome)
        # One dot per poll; the switch takes 2.5 s, the tool polls every second.
        self.assertRegex(dots, r"^\.{2,4}$", output)
        self.assertEqual(rest, "", output)


class Success(PeersTest):
    def test_configuration_arrives_byte_for_byte(self):
        status, output, _ = self.cfgsnap("private", TFTP_SERVER, "sw1.cfg")
        self.assert_console(output, "private", TFTP_SERVER, "sw1.cfg",
                            "Configuration saved successfully\n")
        self.assertEqual(status, 0)
        self.assertEqual(self.files_saved(), ["sw1.cfg"])
        self.assertEqual(self.received("sw1.cfg"), self.sent)

    def test_log_style_prints_one_stamped_line(self):
        status, output, started = self.cfgsnap("private", TFTP_SERVER, "sw1-log.cfg", "-l")
        match = re.fullmatch(r"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d) Switch 127\.0\.0\.1 Config saved "
                             r"to TFTP server 127\.0\.0\.1 as sw1-log\.cfg\n", output)
        self.assertIsNotNone(match, output)
        # The stamp is the start of the run, not its end three seconds later.
        stamp = time.mktime(time.strptime(match.group(1), "%Y/%m/%d %H:%M:%S"))
        self.assertLessEqual(abs(stamp - int(started)), 1)
        self.assertEqual(status, 0)
        self.assertEqual(self.received("sw1-log.cfg"), self.sent)


class BinaryConfiguration(PeersTest):
    """Every octet value, 1024 octets: two full TFTP blocks and an empty last one."""

    config = None

    def setUp(self):
        handle, path = tempfile.mkstemp(prefix="cfgsnap-binary-config-")
        with os.fdopen(handle, "wb") as out:
            out.write(bytes(range(256)) * 4)
        self.addCleanup(os.unlink, path)
        self.config = path
        super().setUp()

    def test_every_octet_arrives_unchanged(self):
        status, output, _ = self.cfgsnap("private", TFTP_SERVER, "binary.cfg")
        self.assertEqual(status, 0, output)
        self.assertEqual(len(self.sent), 1024)
        self.assertEqual(self.received("binary.cfg"), self.sent)


class Failures(PeersTest):
    def test_tftp_refusals_give_their_sentence_and_exit_1(self):
        # An existing file that the server may write but that is not world
        # writable: tftpd-hpa answers ERROR 2, access violation.
        tftp = pwd.getpwnam("tftp" if self.peers.has_user("tftp") else "nobody")
        locked = os.path.join(self.peers.tftp_root, "locked.cfg")
        with open(locked, "wb"):
            pass
        os.chown(locked, tftp.pw_uid, tftp.pw_gid)
        os.chmod(locked, 0o644)
        cases = [
            # (file name, console sentence, log ending)
            ("no-such-dir/sw1.cfg", "File not found\n", "File not found"),
            ("locked.cfg", "Access Violation\n", "Access Violation"),
        ]
        for file_name, sentence, ending in cases:
            with self.subTest(file=file_name, style="console"):
                status, output, _ = self.cfgsnap("private", TFTP_SERVER, file_name)
                self.assert_console(output, "private", TFTP_SERVER, file_name, sentence)
                self.assertEqual(status, 1)
            with self.subTest(file=file_name, style="log"):
                status, output, _ = self.cfgsnap("private", TFTP_SERVER, file_name, "-l")
                self.assertRegex(output, r"^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d Switch 127\.0\.0\.1 "
                                 r"attempt to save config to TFTP server 127\.0\.0\.1 as " +
                                 re.escape(file_name) + ": " + re.escape(ending) + "\n$")
                self.assertEqual(status, 1)
        self.assertEqual(self.files_saved(), ["locked.cfg"])
        self.assertEqual(os.path.getsize(locked), 0)

    def test_silent_tftp_server(self):
        status, output, _ = self.cfgsnap("private", SILENT_TFTP_SERVER, "sw1.cfg")
        self.assert_console(output, "private", SILENT_TFTP_SERVER, "sw1.cfg",
                            "No response from TFTP server\n")
        self.assertEqual(status, 1)
        self.assertEqual(self.files_saved(), [])

    def test_read_only_community_is_refused(self):
        status, output, _ = self.cfgsnap("public", TFTP_SERVER, "sw1.cfg")
        self.assertEqual(output, header("public", TFTP_SERVER, "sw1.cfg") +
                         "ERROR: Community string or SNMP error\n")
        self.assertEqual(status, 1)
        self.assertEqual(self.files_saved(), [])
        self.assertEqual(self.uploads_started(), 0)


def main():
    global CFGSNAP
    parser = argparse.ArgumentParser()
    parser.add_argument("--cfgsnap", required=True, help="path to the cfgsnap binary")
    args, rest = parser.parse_known_args()
    CFGSNAP = os.path.abspath(args.cfgsnap)
    stand_in_peers.run_unittests_in_namespace(
        "the end-to-end tests against snmpd and tftpd-hpa",
        stand_in_peers.missing_requirements(), [sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
