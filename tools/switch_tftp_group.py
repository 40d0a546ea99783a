#!/usr/bin/python3
"""switch_tftp_group.py: a stand-in switch's TFTP group for Net-SNMP's snmpd.

snmpd runs this program as a pass_persist handler (snmpd.conf(5)) for the
subtree 1.3.6.1.4.1.9.5.1.5 and talks to it over stdin/stdout:

    PING                      -> PONG
    get / <oid>               -> <oid> / <type> / <value>, or NONE
    getnext / <oid>           -> the next instance the same way, or NONE
    set / <oid> / <type> <v>  -> DONE, or not-writable / wrong-type /
                                 wrong-value

The group holds five scalars, instance 0 each:

    .1.0 host     string   read-write   TFTP server to upload to
    .2.0 file     string   read-write   file name on that server
    .3.0 module   integer  read-write   which module's configuration
    .4.0 action   integer  read-write   writing 3 starts the upload
    .5.0 result   integer  read-only    1 while an upload runs, then its outcome

Writing action 3 uploads the sample running configuration with a real TFTP
write request (RFC 1350, octet mode) to the host and file last written. The
upload is paced to take at least --upload-seconds so that a client polls the
result a few times while it is 1. It ends as 2 (saved), 13 (TFTP "file not
found"), 16 ("access violation"), 3 (the server did not answer), 14 (the host
is not a loopback address or does not resolve: the stand-in uploads only on
loopback) or 10 (any other error).

Diagnostics go to the file named by --log, never to standard error: snmpd
hands the handler the same pipe for both, and a stray line there would be
taken as an answer.
"""

import argparse
import io
import ipaddress
import socket
import struct
import sys
import threading
import time

GROUP = (1, 3, 6, 1, 4, 1, 9, 5, 1, 5)
HOST, FILE, MODULE, ACTION, RESULT = 1, 2, 3, 4, 5
ACTION_UPLOAD_CONFIG = 3

RESULT_IN_PROGRESS = 1
RESULT_SAVED = 2
RESULT_NO_RESPONSE = 3
RESULT_SERVER_ERROR = 10
RESULT_FILE_NOT_FOUND = 13
RESULT_INVALID_HOST = 14
RESULT_ACCESS_VIOLATION = 16

# TFTP (RFC 1350) opcodes and the error codes the switch tells apart.
OP_WRQ, OP_DATA, OP_ACK, OP_ERROR = 2, 3, 4, 5
TFTP_FILE_NOT_FOUND, TFTP_ACCESS_VIOLATION = 1, 2
TFTP_PORT = 69
BLOCK_SIZE = 512


LOG = None


def log(text):
    if LOG is not None:
        LOG.write(time.strftime("%H:%M:%S ") + text + "\n")
        LOG.flush()


class TftpFailure(Exception):
    def __init__(self, result, reason):
        super().__init__(reason)
        self.result = result


def tftp_put(host, port, name, data, timeout, attempts):
    """Sends `data` as `name` to host:port with a TFTP write request."""
    try:
        infos = socket.getaddrinfo(host, port, socket.AF_INET, socket.SOCK_DGRAM)
    except (socket.gaierror, UnicodeError) as error:
        raise TftpFailure(RESULT_INVALID_HOST, "host does not resolve: %s" % error)
    server = infos[0][4]
    if not ipaddress.ip_address(server[0]).is_loopback:
        raise TftpFailure(RESULT_INVALID_HOST, "not a loopback address: " + server[0])

    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        request = struct.pack("!H", OP_WRQ) + name.encode("latin-1") + b"\0octet\0"
        # The server answers from a new port of its own (its transfer ID);
        # block 0's ACK tells which, and the DATA blocks go there.
        peer = exchange(sock, request, server, None, 0, timeout, attempts)
        block = 1
        offset = 0
        while True:
            chunk = data[offset:offset + BLOCK_SIZE]
            packet = struct.pack("!HH", OP_DATA, block & 0xFFFF) + chunk
            exchange(sock, packet, peer, peer, block & 0xFFFF, timeout, attempts)
            offset += len(chunk)
            # A block shorter than 512 octets, possibly empty, ends the file.
            if len(chunk) < BLOCK_SIZE:
                return
            block += 1


def exchange(sock, packet, destination, peer, block, timeout, attempts):
    """Sends `packet` until the ACK of `block` arrives; returns its sender."""
    for _ in range(attempts):
        sock.sendto(packet, destination)
        deadline = time.monotonic() + timeout
        while (remaining := deadline - time.monotonic()) > 0:
            sock.settimeout(remaining)
            try:
                reply, sender = sock.recvfrom(4 + BLOCK_SIZE)
            except (socket.timeout, ConnectionRefusedError):
                # Silence, or port unreachable: nothing answers there.
                break
            if sender[0] != destination[0] or (peer is not None and sender != peer):
                continue
            if len(reply) < 4:
                continue
            opcode, number = struct.unpack("!HH", reply[:4])
            if opcode == OP_ERROR:
                message = reply[4:].split(b"\0", 1)[0].decode("latin-1", "replace")
                result = {
                    TFTP_FILE_NOT_FOUND: RESULT_FILE_NOT_FOUND,
                    TFTP_ACCESS_VIOLATION: RESULT_ACCESS_VIOLATION,
                }.get(number, RESULT_SERVER_ERROR)
                raise TftpFailure(result, "TFTP error %d: %s" % (number, message))
            if opcode == OP_ACK and number == block:
                return sender
    raise TftpFailure(RESULT_NO_RESPONSE, "no answer from %s:%d" % destination)


class TftpGroup:
    def __init__(self, config, upload_seconds, tftp_port, tftp_timeout, tftp_attempts):
        self.config = config
        self.upload_seconds = upload_seconds
        self.tftp_port = tftp_port
        self.tftp_timeout = tftp_timeout
        self.tftp_attempts = tftp_attempts
        self.lock = threading.Lock()
        self.values = {HOST: "", FILE: "", MODULE: 1, ACTION: 0, RESULT: 0}

    def get(self, column):
        with self.lock:
            value = self.values[column]
        if isinstance(value, str):
            return "string", value
        return "integer", str(value)

    def set(self, column, kind, text):
        """Answers DONE or one of the error words of snmpd.conf(5)."""
        if column == RESULT:
            return "not-writable"
        if column in (HOST, FILE):
            if kind not in ("string", "octet"):
                return "wrong-type"
            value = text
        else:
            if kind != "integer":
                return "wrong-type"
            try:
                value = int(text)
            except ValueError:
                return "wrong-value"
        with self.lock:
            if column == ACTION:
                if value != ACTION_UPLOAD_CONFIG:
                    return "wrong-value"
                if self.values[RESULT] == RESULT_IN_PROGRESS:
                    return "inconsistent-value"
                host, name = self.values[HOST], self.values[FILE]
                # Result 1 before DONE, so no poll can see the old result.
                self.values[RESULT] = RESULT_IN_PROGRESS
                self.values[ACTION] = value
                threading.Thread(target=self.upload, args=(host, name), daemon=True).start()
            else:
                self.values[column] = value
        return "DONE"

    def upload(self, host, name):
        started = time.monotonic()
        log("uploading %d octets to %s as %r" % (len(self.config), host, name))
        try:
            tftp_put(host, self.tftp_port, name, self.config, self.tftp_timeout,
                     self.tftp_attempts)
            result, reason = RESULT_SAVED, "saved"
        except TftpFailure as failure:
            result, reason = failure.result, str(failure)
        except Exception as error:  # A switch reports every other failure as one code.
            result, reason = RESULT_SERVER_ERROR, "%s: %s" % (type(error).__name__, error)
        rest = self.upload_seconds - (time.monotonic() - started)
        if rest > 0:
            time.sleep(rest)
        log("upload ended with result %d (%s)" % (result, reason))
        with self.lock:
            self.values[RESULT] = result


def parse_oid(text):
    try:
        return tuple(int(arc) for arc in text.strip().strip(".").split("."))
    except ValueError:
        return ()


def column_of(oid):
    """The column of an exact instance GROUP.column.0, or None."""
    if len(oid) == len(GROUP) + 2 and oid[:len(GROUP)] == GROUP and oid[-1] == 0:
        if HOST <= oid[len(GROUP)] <= RESULT:
            return oid[len(GROUP)]
    return None


def next_column(oid):
    """The first instance of the group that follows `oid`, or None."""
    for column in range(HOST, RESULT + 1):
        if (GROUP + (column, 0)) > oid:
            return column
    return None


def parse_set_value(text):
    """Splits snmpd's '<type> <value>' line; strings come in double quotes."""
    kind, _, value = text.partition(" ")
    if kind in ("string", "octet") and len(value) >= 2 and value[0] == value[-1] == '"':
        value = value[1:-1]
    if kind == "octet":
        # Non-printable strings arrive as hex octets.
        try:
            value = bytes.fromhex(value).decode("latin-1")
        except ValueError:
            pass
    return kind, value


def serve(group, reader, writer):
    def answer(*lines):
        writer.write("".join(line + "\n" for line in lines))
        writer.flush()

    def answer_value(column):
        kind, value = group.get(column)
        # One line per field: a value may not carry a line break.
        value = value.replace("\n", " ").replace("\r", " ")
        answer("." + ".".join(map(str, GROUP + (column, 0))), kind, value)

    while True:
        line = reader.readline()
        if not line:
            return
        command = line.strip()
        if command == "PING":
            answer("PONG")
        elif command == "get":
            column = column_of(parse_oid(reader.readline()))
            if column is None:
                answer("NONE")
            else:
                answer_value(column)
        elif command == "getnext":
            column = next_column(parse_oid(reader.readline()))
            if column is None:
                answer("NONE")
            else:
                answer_value(column)
        elif command == "set":
            column = column_of(parse_oid(reader.readline()))
            kind, value = parse_set_value(reader.readline().rstrip("\n"))
            if column is None:
                answer("not-writable")
            else:
                answer(group.set(column, kind, value))
        # Anything else, such as the empty line that follows a set, is ignored.


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--config", required=True,
                        help="the running configuration to upload")
    parser.add_argument("--upload-seconds", type=float, default=2.5,
                        help="least time an upload takes, whatever its outcome")
    parser.add_argument("--tftp-port", type=int, default=TFTP_PORT)
    parser.add_argument("--tftp-timeout", type=float, default=1.0,
                        help="seconds to wait for each answer")
    parser.add_argument("--log", help="file to append diagnostics to")
    parser.add_argument("--tftp-attempts", type=int, default=3,
                        help="sends of a packet before giving up")
    args = parser.parse_args()
    global LOG
    if args.log:
        LOG = open(args.log, "a", encoding="utf-8")
    with open(args.config, "rb") as source:
        config = source.read()
    group = TftpGroup(config, args.upload_seconds, args.tftp_port, args.tftp_timeout,
                      args.tftp_attempts)
    # Latin-1 both ways: every octet of a string value passes unchanged,
    # whatever the locale.
    reader = io.TextIOWrapper(sys.stdin.buffer, encoding="latin-1", newline="\n")
    writer = io.TextIOWrapper(sys.stdout.buffer, encoding="latin-1", newline="\n")
    log("handler started")
    serve(group, reader, writer)
    log("handler ends: snmpd closed the pipe")


if __name__ == "__main__":
    main()
