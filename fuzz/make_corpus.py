#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus: the protocol's wire examples, the
codec's test vectors, and one input per malformed class that has broken BER
readers before. Run it from anywhere; it rewrites fuzz/corpus/."""
import pathlib
import shutil

HERE = pathlib.Path(__file__).resolve().parent
OUT = HERE / "corpus"


def h(text):
    return bytes.fromhex(text.replace(" ", ""))


SET_REQUEST = h(
    "30 67 02 01 00 04 00 A3 60 02 01 7B 02 01 00 02 01 00 30 55 30 17 06 0B 2B 06 01 04 01 09"
    " 05 01 05 01 00 04 08 31 30 2E 30 2E 30 2E 35 30 16 06 0B 2B 06 01 04 01 09 05 01 05 02 00"
    " 04 07 73 77 31 2E 63 66 67 30 10 06 0B 2B 06 01 04 01 09 05 01 05 03 00 02 01 01 30 10 06"
    " 0B 2B 06 01 04 01 09 05 01 05 04 00 02 01 03")
GET_REQUEST = h("30 24 02 01 00 04 00 A0 1D 02 02 00 EA 02 01 00 02 01 00 30 11 30 0F 06 0B 2B 06 01"
                " 04 01 09 05 01 05 05 00 05 00")
GET_RESPONSE = h("30 25 02 01 00 04 00 A2 1E 02 02 00 EA 02 01 00 02 01 00 30 12 30 10 06 0B 2B 06"
                 " 01 04 01 09 05 01 05 05 00 02 01 02")
TRAP_FIELDS = h("06 06 2B 06 01 04 01 09 40 04 0A 01 01 01 02 01 06 02 01 03 43 01 64")


def message(pdu_tag, pdu_body, community=b"public"):
    """A message SEQUENCE around a PDU body, short-form lengths only."""
    inner = b"\x02\x01\x00" + b"\x04" + bytes([len(community)]) + community
    inner += bytes([pdu_tag, len(pdu_body)]) + pdu_body
    return b"\x30" + bytes([len(inner)]) + inner


def get_response(value):
    """The 39-octet reply with another value element in binding 1."""
    name = h("06 0B 2B 06 01 04 01 09 05 01 05 05 00")
    binding = b"\x30" + bytes([len(name) + len(value)]) + name + value
    blist = b"\x30" + bytes([len(binding)]) + binding
    return message(0xA2, h("02 02 00 EA 02 01 00 02 01 00") + blist, b"")


decoder = {
    "set_request": SET_REQUEST,
    "get_request": GET_REQUEST,
    "get_response": GET_RESPONSE,
    "trap_v1": message(0xA4, TRAP_FIELDS + h("30 00")),
    "v2_trap": message(0xA7, h("02 01 01 02 01 00 02 01 00") + h(
        "30 1A 30 0D 06 08 2B 06 01 02 01 01 03 00 43 01 64 30 09 06 03 2B 06 01 06 02 2B 06")),
    "value_counter64": get_response(h("46 09 00 FF FF FF FF FF FF FF FF")),
    "value_ipaddress": get_response(h("40 04 0A 01 01 01")),
    "value_opaque_null": get_response(h("05 00")),
    "value_unknown_tag": get_response(h("80 00")),
    "value_string": get_response(h("04 03 61 62 63")),
    "value_counter": get_response(h("41 05 00 FF FF FF FF")),
    "value_gauge": get_response(h("42 01 07")),
    "value_timeticks": get_response(h("43 02 01 00")),
    # Malformed classes.
    "length_past_end": GET_RESPONSE[:1] + b"\x7F" + GET_RESPONSE[2:],
    "long_form_zero_octets": h("30 80 02 01 00"),
    "long_form_five_octets": h("30 85 00 00 00 00 25") + GET_RESPONSE[2:],
    "indefinite_value": get_response(h("02 80 01 00 00")),
    "length_near_2_32": get_response(h("04 84 FF FF FF FF 41")),
    "length_near_2_63": get_response(h("04 88 7F FF FF FF FF FF FF FF 41")),
    "zero_length_integer": get_response(h("02 00")),
    "integer_over_4_octets": get_response(h("02 09 01 02 03 04 05 06 07 08 09")),
    "oid_trailing_continuation": get_response(h("06 03 2B 86 F7")),
    "oid_arc_over_32_bits": get_response(h("06 07 2B 90 80 80 80 80 00")),
    "oid_many_arcs": get_response(b"\x06\x81\xC8" + b"\x2B" + b"\x01" * 199),
    "ipaddress_not_4": get_response(h("40 06 0A 01 01 01 02 03")),
    "null_with_contents": get_response(h("05 02 41 42")),
    "trap_empty_enterprise": message(0xA4, h("06 00 40 04 0A 01 01 01 02 01 06 02 01 03 43 01 64 30 00")),
    "trap_long_enterprise": message(0xA4, b"\x06\x40" + b"\x2B" + b"\x81\x80\x80\x80\x00" * 12 + b"\x82\x37\x01" + h(
        "40 04 0A 01 01 01 02 01 06 02 01 03 43 01 64 30 00")),
    "trap_generic_max": message(0xA4, h("06 06 2B 06 01 04 01 09 40 04 0A 01 01 01 02 04 7F FF FF FF 02 01 03 43 01 64 30 00")),
    "binding_list_past_end": GET_RESPONSE[:20] + b"\x7F" + GET_RESPONSE[21:],
    "name_only_binding": message(0xA2, h("02 01 01 02 01 00 02 01 00 30 05 30 03 06 01 2B"), b""),
    "unknown_pdu_tag": message(0xA5, h("02 01 01 02 01 00 02 01 00 30 00")),
    "deep_nesting": b"\x30\x7E" + b"\x30\x7C" * 63,
}

values = {
    "integer": h("02 01 03"),
    "integer_234": h("02 02 00 EA"),
    "integer_zero_length": h("02 00"),
    "counter_5_octets": h("41 05 00 FF FF FF FF"),
    "timeticks": h("43 02 01 00"),
    "counter64_max": h("46 09 00 FF FF FF FF FF FF FF FF"),
    "counter64_2_32": h("46 05 01 00 00 00 00"),
    "string": h("04 03 61 62 63"),
    "string_nul": h("04 03 61 00 62"),
    "oid": h("06 0B 2B 06 01 04 01 09 05 01 05 05 00"),
    "oid_large_arc": h("06 08 2B 06 01 8F FF FF FF 7F"),
    "oid_trailing_continuation": h("06 02 2B 86"),
    "oid_overflow": h("06 07 2B 90 80 80 80 80 00"),
    "ipaddress": h("40 04 C0 A8 00 01"),
    "ipaddress_6": h("40 06 0A 01 01 01 02 03"),
    "opaque": h("44 04 41 00 FF 7E"),
    "opaque_long": b"\x44\x81\xC8" + bytes(range(200)),
    "null_default": h("05 00"),
    "indefinite": h("04 80"),
    "length_5_octets": h("04 85 00 00 00 00 01 41"),
    "length_over_16_bits": h("04 83 01 00 00"),
}

dotted = {
    "set_oid": b"1.3.6.1.4.1.9.5.1.5.1.0",
    "max_arc": b"1.3.4294967295",
    "wrap_arc": b"1.3.4294967296.-1",
    "first_arcs_wrap": b"7.300.1",
    "two_one_hundred": b"2.100.7",
    "dots": b"..1..3..",
    "empty": b"",
    "atoi": b" 7.+3.-1.abc.12abc",
    "ip": b"192.168.0.1",
    "ip_many": b"10.1.1.1.9.9",
    "long": b"1.3" + b".4294967295" * 900,
}

shutil.rmtree(OUT, ignore_errors=True)
for target, seeds in (("message_decoder_fuzzer", decoder), ("value_fuzzer", values),
                      ("dotted_text_fuzzer", dotted)):
    folder = OUT / target
    folder.mkdir(parents=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)
print("wrote", sum(len(s) for s in (decoder, values, dotted)), "seeds to", OUT)
