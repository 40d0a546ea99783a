#!/usr/bin/python3
"""stand_in_peers.py: a stand-in switch and a TFTP server on loopback.

Brings up, inside a private network namespace that has nothing but `lo`:

- Net-SNMP's snmpd on 127.0.0.1:161, with a configuration and a state
  directory of its own (no system configuration is read), community
  "private" read-write and "public" read-only, and the switch's TFTP group
  served by tools/switch_tftp_group.py;
- tftpd-hpa on 127.0.0.1:69, in the foreground, serving a fresh directory
  with file creation enabled.

Used two ways:

    stand_in_peers.py [options] -- COMMAND [ARG...]
        makes the namespace, starts the peers, runs COMMAND in the namespace
        with the environment below, stops the peers and exits with COMMAND's
        status. Needs root (for unshare) and the peer packages.

    from stand_in_peers import StandInPeers   (tests)
        with StandInPeers(workdir) as peers: ...   inside a namespace made by
        enter_private_namespace().

COMMAND's environment: STAND_IN_AGENT (127.0.0.1), STAND_IN_RW_COMMUNITY,
STAND_IN_RO_COMMUNITY, STAND_IN_TFTP_SERVER (127.0.0.1), STAND_IN_TFTP_ROOT
(the served directory), STAND_IN_CONFIG (the configuration the switch
uploads), STAND_IN_LOG_DIR (the peers' logs).

The namespace is also a PID namespace whose first process is this program:
when it ends, however it ends, the kernel ends every peer with it, and the
network namespace goes away with its last process.
"""

import argparse
import ctypes
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

TOOLS = os.path.dirname(os.path.abspath(__file__))
HANDLER = os.path.join(TOOLS, "switch_tftp_group.py")
SAMPLE_CONFIG = os.path.join(TOOLS, "sample-running-config.txt")
PYTHON = "/usr/bin/python3"
SNMPD = "/usr/sbin/snmpd"
TFTPD = "/usr/sbin/in.tftpd"
SNMPGET = "/usr/bin/snmpget"
REQUIRED = (PYTHON, SNMPD, TFTPD, SNMPGET, "/usr/bin/unshare", "/usr/sbin/ip")

LOOPBACK = "127.0.0.1"
RW_COMMUNITY = "private"
RO_COMMUNITY = "public"
RESULT_OID = ".1.3.6.1.4.1.9.5.1.5.5.0"
INSIDE_MARK = "STAND_IN_PEERS_NAMESPACE"


def missing_requirements():
    """What keeps the peers from running here, as text; empty when nothing."""
    reasons = []
    if os.geteuid() != 0:
        reasons.append("not root (a private network namespace needs root)")
    absent = [path for path in REQUIRED if not os.access(path, os.X_OK)]
    if absent:
        reasons.append("not installed: " + " ".join(absent) + " (run tools/install-test-peers)")
    return "; ".join(reasons)


def run_unittests_in_namespace(description, problem, argv):
    """Runs this module's unit tests next to the peers, in a private namespace.

    When `problem` names what is missing, the tests cannot run: outside CI
    that is a skip (exit status 77, which CTest reports as skipped), in CI
    (CI=true) a failure, since CI installs the peers. Does not return.
    """
    if problem:
        if os.environ.get("CI") == "true":
            print("FAILED: %s must run in CI, but: %s" % (description, problem))
            sys.exit(1)
        print("SKIPPED: %s: %s" % (description, problem))
        sys.exit(77)
    enter_private_namespace()
    unittest.main(module="__main__", argv=argv, verbosity=2)


def enter_private_namespace(argv=None):
    """Re-runs this process in a new network and PID namespace, once.

    Returns in the namespace (with `lo` up); the original process waits for
    the namespace's first process and exits with its status. Stopping the
    original process (SIGINT, SIGTERM, SIGHUP) asks the namespace to stop
    and, failing that within five seconds, ends it; if the original process
    is killed outright, the kernel ends the namespace all the same.
    """
    mark = os.environ.get(INSIDE_MARK)
    if mark == "inside":
        return
    if mark is None:
        sys.exit(run_in_namespace(argv or [sys.executable] + sys.argv))
    os.environ[INSIDE_MARK] = "inside"
    # PID 1 of a namespace ignores every signal it has no handler for: these
    # become a normal exit, so that `with` blocks stop the peers.
    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, lambda received, _: sys.exit(128 + received))
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)


class Stop(Exception):
    pass


def run_in_namespace(argv):
    env = dict(os.environ, **{INSIDE_MARK: "entering"})
    # unshare ignores SIGINT and SIGTERM while it waits; --kill-child makes
    # its own end kill the namespace's first process, and so the namespace.
    # --mount-proc gives the namespace a /proc of its own PIDs: tools that
    # read /proc/<pid> (LeakSanitizer among them) would otherwise find the
    # host's processes there.
    command = ["unshare", "--net", "--pid", "--fork", "--mount-proc", "--kill-child", "--"] + argv
    child = subprocess.Popen(command, env=env, preexec_fn=die_with_parent)

    def stop(received, _):
        raise Stop(received)

    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        if signal.getsignal(number) is not signal.SIG_IGN:
            signal.signal(number, stop)
    try:
        return child.wait()
    except (Stop, KeyboardInterrupt) as stopped:
        received = stopped.args[0] if isinstance(stopped, Stop) else signal.SIGINT
        for pid in children_of(child.pid):
            os.kill(pid, signal.SIGTERM)
        try:
            child.wait(timeout=5)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
        return 128 + received


def die_with_parent():
    # PR_SET_PDEATHSIG: unshare gets SIGKILL if this process dies first.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)


def children_of(pid):
    children = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            children.append(int(entry))
    return children


def wait_until(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise RuntimeError("timed out waiting for " + what)
        time.sleep(0.05)


class StandInPeers:
    """snmpd with the TFTP group handler, and tftpd-hpa, in one directory."""

    def __init__(self, workdir, config=SAMPLE_CONFIG, upload_seconds=2.5):
        self.workdir = os.path.abspath(workdir)
        self.config = os.path.abspath(config)
        self.upload_seconds = upload_seconds
        self.tftp_root = os.path.join(self.workdir, "tftp")
        self.log_dir = os.path.join(self.workdir, "log")
        self.snmpd_log = os.path.join(self.log_dir, "snmpd.log")
        self.tftpd_log = os.path.join(self.log_dir, "tftpd.log")
        self.switch_log = os.path.join(self.log_dir, "switch.log")
        self.processes = []

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def environment(self):
        return {
            "STAND_IN_AGENT": LOOPBACK,
            "STAND_IN_RW_COMMUNITY": RW_COMMUNITY,
            "STAND_IN_RO_COMMUNITY": RO_COMMUNITY,
            "STAND_IN_TFTP_SERVER": LOOPBACK,
            "STAND_IN_TFTP_ROOT": self.tftp_root,
            "STAND_IN_CONFIG": self.config,
            "STAND_IN_LOG_DIR": self.log_dir,
        }

    def start(self):
        os.makedirs(self.log_dir, exist_ok=True)
        self.start_tftpd()
        self.start_snmpd()

    def start_tftpd(self):
        os.makedirs(self.tftp_root, exist_ok=True)
        # tftpd-hpa drops to this user after its chroot into the directory.
        user = "tftp" if self.has_user("tftp") else "nobody"
        entry = pwd.getpwnam(user)
        os.chown(self.tftp_root, entry.pw_uid, entry.pw_gid)
        os.chmod(self.tftp_root, 0o755)
        # In listen mode tftpd-hpa looks its address up and gives up when only
        # loopback exists, telling nobody but syslog. So the socket is bound
        # here and handed over as standard input, the way inetd does it; -t
        # keeps the server waiting for further requests for an hour.
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.bind((LOOPBACK, 69))
        with sock, open(self.tftpd_log, "ab") as log:
            process = subprocess.Popen(
                [TFTPD, "-t", "3600", "--create", "--secure",
                 "--user", user, "--verbose", self.tftp_root],
                stdin=sock.fileno(), stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)

    def start_snmpd(self):
        state = os.path.join(self.workdir, "snmpd-state")
        os.makedirs(state, exist_ok=True)
        conf = os.path.join(self.workdir, "snmpd.conf")
        handler = " ".join([PYTHON, HANDLER, "--config", self.config,
                            "--upload-seconds", str(self.upload_seconds),
                            "--log", self.switch_log])
        with open(conf, "w") as out:
            out.write("\n".join([
                "# Stand-in switch: only the TFTP group, on loopback.",
                "agentaddress udp:%s:161" % LOOPBACK,
                "rwcommunity %s default" % RW_COMMUNITY,
                "rocommunity %s default" % RO_COMMUNITY,
                "pass_persist .1.3.6.1.4.1.9.5.1.5 " + handler,
                "",
            ]))
        env = dict(os.environ, SNMP_PERSISTENT_DIR=state, MIBS="", MIBDIRS=state)
        log = open(self.snmpd_log, "ab")
        with log:
            process = subprocess.Popen(
                [SNMPD, "-f", "-C", "-c", conf, "-Lf", self.snmpd_log, "-r",
                 "-p", os.path.join(self.workdir, "snmpd.pid")],
                env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        wait_until(self.snmpd_answers, 10, "snmpd to answer on %s:161" % LOOPBACK)

    @staticmethod
    def has_user(name):
        try:
            pwd.getpwnam(name)
            return True
        except KeyError:
            return False

    def snmpd_answers(self):
        for process in self.processes:
            if process.poll() is not None:
                raise RuntimeError("%s exited with status %d; see %s" %
                                   (process.args[0], process.returncode, self.log_dir))
        probe = subprocess.run(
            [SNMPGET, "-v1", "-c", RO_COMMUNITY, "-t", "0.3", "-r", "0", "-On",
             LOOPBACK, RESULT_OID],
            env=dict(os.environ, MIBS="", SNMPCONFPATH=self.workdir),
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False)
        return probe.returncode == 0

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in reversed(self.processes):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.processes = []


def main():
    parser = argparse.ArgumentParser(
        description="Runs COMMAND next to a stand-in switch and TFTP server, in a "
        "private network namespace.")
    parser.add_argument("--config", default=SAMPLE_CONFIG,
                        help="configuration the switch uploads (default: the sample)")
    parser.add_argument("--upload-seconds", type=float, default=2.5,
                        help="least time an upload takes (default 2.5)")
    parser.add_argument("--workdir", help="directory for the peers' files (default: a "
                        "temporary directory, removed afterwards)")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no COMMAND given")
    problem = missing_requirements()
    if problem:
        sys.exit("stand_in_peers: cannot run: " + problem)
    enter_private_namespace()
    workdir = args.workdir or tempfile.mkdtemp(prefix="cfgsnap-peers-")
    try:
        with StandInPeers(workdir, args.config, args.upload_seconds) as peers:
            env = dict(os.environ, **peers.environment())
            env.pop(INSIDE_MARK, None)
            status = subprocess.run(command, env=env, check=False).returncode
    finally:
        if not args.workdir:
            shutil.rmtree(workdir, ignore_errors=True)
    sys.exit(status)


if __name__ == "__main__":
    main()
