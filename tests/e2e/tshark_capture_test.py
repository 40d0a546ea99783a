#!/usr/bin/python3
"""tshark, an SNMP dissector nobody here wrote, reads a full cfgsnap run.

In a private network namespace with the stand-in switch and TFTP server of
tools/stand_in_peers.py, tshark captures everything on `lo` while cfgsnap
saves a configuration: the SetRequest, its reply, the polls and their
replies, and the switch's TFTP upload. The capture must dissect without any
malformed-packet or warning entry, and show the SetRequest's four bindings
with the right names and values.

As a control that the malformed check can fail, one broken SetRequest is
sent to the agent after the run; it must be the only frame flagged.

Usage: tshark_capture_test.py --cfgsnap PATH
Exits 77 (skipped) when not root, or the peers or tshark are missing, except
under CI=true, where that is a failure.
"""

import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import stand_in_peers  # noqa: E402

TSHARK = "/usr/bin/tshark"
CFGSNAP = None

TFTP_GROUP = "1.3.6.1.4.1.9.5.1.5"
GET_REQUEST, GET_RESPONSE, SET_REQUEST = 0, 2, 3  # snmp.data choices
# Expert severities as tshark numbers them; warning and above fail the run.
EXPERT_WARNING = 0x00600000
PROBLEMS = "_ws.malformed or _ws.expert.severity >= %d" % EXPERT_WARNING


def tshark(*args):
    return subprocess.run([TSHARK] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=True, text=True).stdout


MARKER_PORT = 9  # discard: nothing listens, the datagrams only mark the capture


def send(payload, port):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.sendto(payload, ("127.0.0.1", port))


class Capture:
    """One cfgsnap run captured on lo, made once for all the tests."""
    done = False

    @classmethod
    def make(cls):
        if cls.done:
            return cls
        cls.workdir = tempfile.mkdtemp(prefix="cfgsnap-capture-")
        cls.pcap = os.path.join(cls.workdir, "run.pcapng")
        with stand_in_peers.StandInPeers(cls.workdir) as peers:
            # -P prints each packet as it is captured, so the test can see
            # when the capture is live and when it has everything.
            capture = subprocess.Popen([TSHARK, "-i", "lo", "-l", "-P", "-w", cls.pcap],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                       text=True)
            seen = []
            reader = threading.Thread(target=lambda: seen.extend(capture.stdout), daemon=True)
            reader.start()
            try:
                cls.wait_for_marker(seen, b"start")
                run = subprocess.run([CFGSNAP, "127.0.0.1", "private", "127.0.0.1", "sw1.cfg"],
                                     stdout=subprocess.PIPE, timeout=60, check=False)
                cls.status, cls.output = run.returncode, run.stdout.decode("latin-1")
                with open(os.path.join(peers.tftp_root, "sw1.cfg"), "rb") as saved:
                    cls.saved = saved.read()
                send(PLANTED, 161)
                cls.wait_for_marker(seen, b"end of capture")
            finally:
                capture.send_signal(signal.SIGINT)
                capture.wait(timeout=20)
                reader.join(timeout=5)
        cls.frames = ElementTree.fromstring(tshark("-r", cls.pcap, "-T", "pdml"))
        cls.problems = tshark("-r", cls.pcap, "-Y", PROBLEMS, "-T", "fields",
                              "-e", "frame.number", "-e", "_ws.expert.message").splitlines()
        cls.done = True
        return cls

    @staticmethod
    def wait_for_marker(seen, payload):
        # Sent until tshark reports it: a marker of its own length each time.
        pattern = "Len=%d" % len(payload)
        deadline = time.monotonic() + 20
        while not any(pattern in line and (" %d " % MARKER_PORT) in line for line in seen):
            if time.monotonic() > deadline:
                raise RuntimeError("tshark did not capture the marker %r" % payload)
            send(payload, MARKER_PORT)
            time.sleep(0.1)


# A SetRequest whose last INTEGER claims five content octets and has one:
# an SNMP datagram that any dissector must call malformed.
PLANTED = bytes.fromhex(
    "30670201000400a36002017b02010002010030553017060b2b06010401090501050100040831302e"
    "302e302e353016060b2b0601040109050105020004077377312e6366673010060b2b0601040109"
    "05010503000201013010060b2b06010401090501050400020503")


def field(element, name):
    found = element.find(".//field[@name='%s']" % name)
    return None if found is None else found.get("show")


def snmp_frames(frames):
    """(frame number, source port, snmp proto element) of every SNMP frame."""
    result = []
    for packet in frames.findall("packet"):
        snmp = packet.find("proto[@name='snmp']")
        if snmp is None:
            continue
        number = int(field(packet.find("proto[@name='frame']"), "frame.number"))
        port = int(field(packet.find("proto[@name='udp']"), "udp.srcport"))
        result.append((number, port, snmp))
    return result


def bindings(snmp):
    """(name, kind, value) per binding, in wire order; values as tshark shows them."""
    result = []
    for binding in snmp.findall(".//field[@name='snmp.variable_bindings']/field"):
        name = field(binding, "snmp.name")
        for kind in ("octets", "int", "null"):
            value = binding.find("field[@name='snmp.value.%s']" % kind)
            if value is not None:
                shown = bytes.fromhex(value.get("value")).decode("latin-1") \
                    if kind == "octets" else value.get("show")
                result.append((name, kind, shown if kind != "null" else None))
                break
        else:
            result.append((name, "other", None))
    return result


class TsharkCapture(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.capture = Capture.make()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.capture.workdir, ignore_errors=True)

    def test_the_run_saved_the_configuration(self):
        self.assertEqual(self.capture.status, 0, self.capture.output)
        with open(stand_in_peers.SAMPLE_CONFIG, "rb") as sent:
            self.assertEqual(self.capture.saved, sent.read())

    def test_only_the_planted_frame_is_malformed_or_warned(self):
        flagged = {int(line.split("\t")[0]) for line in self.capture.problems}
        planted = [int(field(p, "frame.number")) for p in self.capture.frames.findall("packet")
                   if field(p, "udp.dstport") == "161"
                   and field(p, "udp.length") == str(8 + len(PLANTED))]
        self.assertEqual(len(planted), 1)
        self.assertEqual(flagged, set(planted), "\n".join(self.capture.problems))

    def test_set_request_shows_the_four_bindings(self):
        number, port, snmp = snmp_frames(self.capture.frames)[0]
        self.assertEqual(field(snmp, "snmp.version"), "0")
        self.assertEqual(field(snmp, "snmp.community"), "private")
        self.assertEqual(field(snmp, "snmp.data"), str(SET_REQUEST))
        self.assertEqual(field(snmp, "snmp.request_id"), "123")
        self.assertEqual(field(snmp, "snmp.error_status"), "0")
        self.assertEqual(field(snmp, "snmp.error_index"), "0")
        self.assertEqual(bindings(snmp), [
            (TFTP_GROUP + ".1.0", "octets", "127.0.0.1"),
            (TFTP_GROUP + ".2.0", "octets", "sw1.cfg"),
            (TFTP_GROUP + ".3.0", "int", "1"),
            (TFTP_GROUP + ".4.0", "int", "3"),
        ])
        # The switch's answer echoes them, with no error.
        _, reply_port, reply = snmp_frames(self.capture.frames)[1]
        self.assertEqual(field(reply, "snmp.data"), str(GET_RESPONSE))
        self.assertEqual(field(reply, "snmp.request_id"), "123")
        self.assertEqual(field(reply, "snmp.error_status"), "0")
        self.assertEqual(bindings(reply), bindings(snmp))
        self.assertEqual(reply_port, 161)
        self.assertNotEqual(port, 161)

    def test_polls_and_replies(self):
        exchange = [f for f in snmp_frames(self.capture.frames)[2:]
                    if field(f[2], "snmp.data") != str(SET_REQUEST)]
        polls, replies = exchange[0::2], exchange[1::2]
        self.assertEqual(len(polls), len(replies))
        # One dot per poll on the console.
        progress = self.capture.output.partition("Sending request...")[2]
        self.assertEqual(len(polls), len(progress) - len(progress.lstrip(".")))
        ports = []
        for (_, port, poll), (_, _, reply) in zip(polls, replies):
            self.assertEqual(field(poll, "snmp.data"), str(GET_REQUEST))
            self.assertEqual(field(poll, "snmp.request_id"), "234")
            self.assertEqual(bindings(poll), [(TFTP_GROUP + ".5.0", "null", None)])
            self.assertEqual(field(reply, "snmp.data"), str(GET_RESPONSE))
            self.assertEqual(field(reply, "snmp.request_id"), "234")
            ports.append(port)
        results = [bindings(reply)[0][2] for _, _, reply in replies]
        self.assertGreaterEqual(len(results), 2)
        self.assertEqual(results[:-1], ["1"] * (len(results) - 1))
        self.assertEqual(results[-1], "2")
        # Every poll goes out on a channel, and so a port, of its own.
        self.assertEqual(len(set(ports)), len(ports))

    def test_tftp_upload_is_dissected(self):
        requests = [p for p in self.capture.frames.findall("packet")
                    if field(p, "tftp.opcode") == "2"]
        self.assertEqual(len(requests), 1)
        self.assertEqual(field(requests[0], "tftp.destination_file"), "sw1.cfg")
        self.assertEqual(field(requests[0], "tftp.type"), "octet")


def main():
    global CFGSNAP
    parser = argparse.ArgumentParser()
    parser.add_argument("--cfgsnap", required=True, help="path to the cfgsnap binary")
    args, rest = parser.parse_known_args()
    CFGSNAP = os.path.abspath(args.cfgsnap)
    problem = stand_in_peers.missing_requirements()
    if not os.access(TSHARK, os.X_OK):
        problem = "; ".join(filter(None, [problem, "not installed: " + TSHARK]))
    stand_in_peers.run_unittests_in_namespace("the tshark check of a cfgsnap run", problem,
                                              [sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
