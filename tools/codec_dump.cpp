// codec_dump: shows the SNMP codec's encodings and decodings to programs
// outside it, so that independent SNMP implementations can check them.
//
//   cfgsnap_codec_dump encode
//       writes one JSON object per line for every case of a fixed set: each
//       value type at its edge values, and every PDU kind in a message:
//       {"kind": "value"|"message", "name": ..., "hex": <encoding>, ...};
//       values also carry their "type" name and "text".
//   cfgsnap_codec_dump decode
//       reads lines "value HEX" or "message HEX" from standard input and
//       writes for each one JSON object with the accessor answers of what the
//       codec decoded ({"decoded": false} when it refused the octets).
//
// Texts are written with every octet outside 0x20..0x7E as \u00XX, so a
// reader that maps code points 0..255 back to octets gets them unchanged.
// Exit status: 0, or 2 for a usage error or a line that is not hex.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/integer_values.h"
#include "snmp/message.h"
#include "snmp/message_decoder.h"
#include "snmp/octet_values.h"
#include "snmp/var_bind.h"
#include "snmp/wire.h"

namespace {

using cfgsnap::snmp::BerReader;
using cfgsnap::snmp::decodeValue;
using cfgsnap::snmp::encodeMessage;
using cfgsnap::snmp::MessageDecoder;
using cfgsnap::snmp::SnmpCounter64;
using cfgsnap::snmp::SnmpInteger;
using cfgsnap::snmp::SnmpIpAddress;
using cfgsnap::snmp::SnmpMessage;
using cfgsnap::snmp::SnmpNumber;
using cfgsnap::snmp::SnmpNumber64;
using cfgsnap::snmp::SnmpOid;
using cfgsnap::snmp::SnmpString;
using cfgsnap::snmp::SnmpTimeTicks;
using cfgsnap::snmp::SnmpValue;
using cfgsnap::snmp::VarBind;
namespace wire = cfgsnap::snmp::wire;

std::string hexOf(std::span<const std::uint8_t> octets) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t octet : octets) {
    hex += kDigits[octet >> 4];
    hex += kDigits[octet & 0x0F];
  }
  return hex;
}

std::optional<std::vector<std::uint8_t>> octetsOf(std::string_view hex) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> octets;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]);
    const int low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    octets.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return octets;
}

// A JSON string whose code points are the text's octets.
std::string json(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto octet = static_cast<unsigned char>(c);
    if (octet == '"' || octet == '\\') {
      out += '\\';
      out += c;
    } else if (octet >= 0x20 && octet <= 0x7E) {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", octet);
      out += escaped;
    }
  }
  return out + "\"";
}

std::string jsonOrNull(const std::optional<std::string_view>& text) {
  return text ? json(*text) : "null";
}

// The values that have no constructor from a number (Counter, Gauge,
// Counter64, Opaque) are made the way the codec makes them: by decoding.
std::unique_ptr<SnmpValue> decoded(std::initializer_list<std::uint8_t> octets) {
  const std::vector<std::uint8_t> bytes(octets);
  BerReader reader(bytes);
  std::uint8_t tag = 0;
  if (!reader.readOctet(tag)) return nullptr;
  return decodeValue(tag, reader);
}

std::unique_ptr<SnmpValue> number32(std::uint8_t tag, std::int32_t n) {
  std::unique_ptr<SnmpValue> value = decoded({tag, 0x01, 0x00});
  static_cast<SnmpNumber&>(*value).setValue(n);
  return value;
}

std::unique_ptr<SnmpValue> counter64(std::uint64_t n) {
  std::unique_ptr<SnmpValue> value = decoded({wire::kCounter64, 0x01, 0x00});
  static_cast<SnmpNumber64&>(*value).setValue(n);
  return value;
}

std::unique_ptr<SnmpValue> octets(std::uint8_t tag, std::string_view content) {
  std::vector<std::uint8_t> bytes = {tag};
  // Long form with two octets covers every content used here.
  bytes.push_back(0x82);
  bytes.push_back(static_cast<std::uint8_t>(content.size() >> 8));
  bytes.push_back(static_cast<std::uint8_t>(content.size() & 0xFF));
  bytes.insert(bytes.end(), content.begin(), content.end());
  BerReader reader(bytes);
  std::uint8_t readTag = 0;
  if (!reader.readOctet(readTag)) return nullptr;
  return decodeValue(readTag, reader);
}

void printValue(std::string_view name, const SnmpValue& value) {
  std::cout << "{\"kind\": \"value\", \"name\": " << json(name)
            << ", \"hex\": " << json(hexOf(value.toBytes()))
            << ", \"type\": " << json(value.typeName()) << ", \"text\": " << json(value.toText())
            << "}\n";
}

void printMessage(std::string_view name, const SnmpMessage& message) {
  std::cout << "{\"kind\": \"message\", \"name\": " << json(name)
            << ", \"hex\": " << json(hexOf(encodeMessage(message))) << "}\n";
}

std::unique_ptr<SnmpMessage> message(std::uint8_t pduType, std::int32_t version,
                                     std::string_view community, std::int32_t requestId) {
  auto result = std::make_unique<SnmpMessage>(pduType, version);
  result->setCommunity(community);
  result->setRequestId(requestId);
  return result;
}

void bind(SnmpMessage& message, std::string_view name, std::unique_ptr<SnmpValue> value) {
  message.appendBinding(
      std::make_unique<VarBind>(std::make_unique<SnmpOid>(name), std::move(value)));
}

void encodeValues() {
  for (std::int32_t n : {0, 127, 128, 255, 256, 32768, 8388608, 2147483647, -1, -128, -129,
                         static_cast<std::int32_t>(-2147483647 - 1)}) {
    printValue("Integer(" + std::to_string(n) + ")", SnmpInteger(n));
  }
  for (std::int32_t n : {0, 1, 127, 128, 65535, 2147483647}) {
    printValue("Counter(" + std::to_string(n) + ")", *number32(wire::kCounter, n));
    printValue("Gauge(" + std::to_string(n) + ")", *number32(wire::kGauge, n));
  }
  printValue("Counter(decoded 41 05 00 ff ff ff ff)",
             *decoded({0x41, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  printValue("Gauge(decoded 42 05 00 ff ff ff ff)",
             *decoded({0x42, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  for (std::int32_t n : {0, 100, 128, 2147483647}) {
    printValue("TimeTicks(" + std::to_string(n) + ")", SnmpTimeTicks(n));
  }
  printValue("TimeTicks(decoded 43 05 00 ff ff ff ff)",
             *decoded({0x43, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  for (std::uint64_t n :
       {std::uint64_t{0}, std::uint64_t{127}, std::uint64_t{65536}, std::uint64_t{4294967296},
        std::uint64_t{0x7FFFFFFFFFFFFFFF}, std::uint64_t{128}, std::uint64_t{0x8000000000000000},
        std::uint64_t{0xFFFFFFFFFFFFFFFF}}) {
    printValue("Counter64(" + std::to_string(n) + ")", *counter64(n));
  }
  printValue("Counter64(decoded 46 09 00 ff ff ff ff ff ff ff ff)",
             *decoded({0x46, 0x09, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

  printValue("String()", SnmpString(""));
  printValue("String(abc)", SnmpString("abc"));
  printValue("String(200 x a)", SnmpString(std::string(200, 'a')));
  printValue("String(octets 00 41 ff)", SnmpString(std::string_view("\x00"
                                                                    "A\xFF",
                                                                    3)));
  for (const char* oid :
       {"1.3.6.1.4.1.9.5.1.5.1.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.4.1.311", "1.3.6.1.4.1.268435456",
        "1.3.4294967295", "0.39", "2.47.1", "1.3", "2.100.7"}) {
    printValue(std::string("OID(") + oid + ")", SnmpOid(oid));
  }
  for (const char* address : {"10.1.1.1", "192.168.0.1", "0.0.0.0", "255.255.255.255"}) {
    printValue(std::string("IpAddress(") + address + ")", SnmpIpAddress(address));
  }
  printValue("Opaque(octets 41 00 ff 7e)", *octets(wire::kOpaque, std::string_view("A\0\xFF~", 4)));
  printValue("Opaque(200 x b)", *octets(wire::kOpaque, std::string(200, 'b')));
}

constexpr std::string_view kTftpHost = "1.3.6.1.4.1.9.5.1.5.1.0";
constexpr std::string_view kTftpFile = "1.3.6.1.4.1.9.5.1.5.2.0";
constexpr std::string_view kTftpModule = "1.3.6.1.4.1.9.5.1.5.3.0";
constexpr std::string_view kTftpAction = "1.3.6.1.4.1.9.5.1.5.4.0";
constexpr std::string_view kTftpResult = "1.3.6.1.4.1.9.5.1.5.5.0";

void encodeMessages() {
  {
    auto set = message(wire::kSetRequest, 0, "", 123);
    bind(*set, kTftpHost, std::make_unique<SnmpString>("10.0.0.5"));
    bind(*set, kTftpFile, std::make_unique<SnmpString>("sw1.cfg"));
    bind(*set, kTftpModule, std::make_unique<SnmpInteger>(1));
    bind(*set, kTftpAction, std::make_unique<SnmpInteger>(3));
    printMessage("SetRequest(save)", *set);
  }
  {
    auto get = message(wire::kGetRequest, 0, "", 234);
    bind(*get, kTftpResult, nullptr);
    printMessage("GetRequest(poll)", *get);
  }
  {
    auto next = message(wire::kGetNextRequest, 0, "public", 7);
    bind(*next, "1.3.6.1.2.1.1", nullptr);
    bind(*next, "1.3.6.1.2.1.2.2.1.1", nullptr);
    printMessage("GetNextRequest", *next);
  }
  {
    auto response = message(wire::kGetResponse, 0, "private", 234);
    bind(*response, kTftpResult, std::make_unique<SnmpInteger>(2));
    printMessage("GetResponse(result 2)", *response);
  }
  {
    auto response = message(wire::kGetResponse, 0, "private", 123);
    response->setErrorStatus(2);
    response->setErrorIndex(1);
    bind(*response, kTftpHost, std::make_unique<SnmpString>("10.0.0.5"));
    printMessage("GetResponse(noSuchName)", *response);
  }
  {
    auto response = message(wire::kGetResponse, 0, "public", 2147483647);
    bind(*response, "1.3.6.1.2.1.1.1.0", std::make_unique<SnmpString>("stand-in switch"));
    bind(*response, "1.3.6.1.2.1.1.2.0", std::make_unique<SnmpOid>("1.3.6.1.4.1.9.1.1"));
    bind(*response, "1.3.6.1.2.1.1.3.0", std::make_unique<SnmpTimeTicks>(123456));
    bind(*response, "1.3.6.1.2.1.2.2.1.10.1", number32(wire::kCounter, 2147483647));
    bind(*response, "1.3.6.1.2.1.2.2.1.5.1", number32(wire::kGauge, 100000000));
    bind(*response, "1.3.6.1.2.1.4.20.1.1.10.1.1.1", std::make_unique<SnmpIpAddress>("10.1.1.1"));
    bind(*response, "1.3.6.1.4.1.2021.10.1.100.1", std::make_unique<SnmpInteger>(-5));
    bind(*response, "1.3.6.1.4.1.99.1.0",
         octets(wire::kOpaque, std::string_view("\x9f\x78\x04", 3)));
    printMessage("GetResponse(every SNMPv1 type)", *response);
  }
  {
    auto response = message(wire::kGetResponse, 1, "public", 99);
    bind(*response, "1.3.6.1.2.1.31.1.1.1.6.1", counter64(0x7FFFFFFFFFFFFFFF));
    printMessage("GetResponse(version 1, Counter64)", *response);
  }
  {
    auto trap = message(wire::kTrap, 0, "public", 0);
    trap->setEnterprise("1.3.6.1.4.1.9");
    trap->setAgentAddress("10.1.1.1");
    trap->setGenericTrap(6);
    trap->setSpecificTrap(3);
    trap->setTimestamp(100);
    bind(*trap, "1.3.6.1.2.1.2.2.1.1.1", std::make_unique<SnmpInteger>(1));
    printMessage("Trap(enterprise specific)", *trap);
  }
  {
    auto trap = message(wire::kTrap, 0, "public", 0);
    trap->setEnterprise("1.3.6.1.4.1.9.1.1");
    trap->setAgentAddress("192.168.0.1");
    trap->setGenericTrap(3);
    trap->setSpecificTrap(0);
    trap->setTimestamp(2147483647);
    bind(*trap, "1.3.6.1.2.1.2.2.1.1.2", std::make_unique<SnmpInteger>(2));
    printMessage("Trap(linkUp)", *trap);
  }
  for (std::int32_t generic : {0, 3, 6}) {
    auto trap = message(wire::kV2Trap, 1, "public", 4242);
    bind(*trap, "1.3.6.1.2.1.2.2.1.1.1", std::make_unique<SnmpInteger>(1));
    trap->addV2TrapBindings(100, "1.3.6.1.4.1.9", generic, 3);
    printMessage("V2Trap(generic " + std::to_string(generic) + ")", *trap);
  }
  {
    // One binding whose contents are 127 octets: name 10, value 2 + 115.
    auto response = message(wire::kGetResponse, 0, "public", 5);
    bind(*response, "1.3.6.1.2.1.1.1.0", std::make_unique<SnmpString>(std::string(115, 'd')));
    printMessage("GetResponse(binding contents 127)", *response);
  }
  // Lengths around the end of the short form: the message SEQUENCE holds
  // 126, 127 and 256 octets.
  for (std::uint32_t contents : {126u, 127u, 256u}) {
    auto sized = message(wire::kGetRequest, 0, "", 1);
    // The community grows until the contents reach the wanted size.
    std::string community;
    while (sized->contentSize() < contents) {
      community += 'c';
      sized->setCommunity(community);
    }
    printMessage("GetRequest(message contents " + std::to_string(sized->contentSize()) + ")",
                 *sized);
  }
}

void printDecodedValue(std::span<const std::uint8_t> octets) {
  BerReader reader(octets);
  std::uint8_t tag = 0;
  std::unique_ptr<SnmpValue> value;
  if (reader.readOctet(tag)) value = decodeValue(tag, reader);
  if (!value) {
    std::cout << "{\"decoded\": false}\n";
    return;
  }
  std::cout << "{\"decoded\": true, \"type\": " << json(value->typeName())
            << ", \"text\": " << json(value->toText()) << ", \"length\": " << value->length()
            << ", \"consumed\": " << (octets.size() - reader.remaining())
            << ", \"hex\": " << json(hexOf(value->toBytes())) << "}\n";
}

void printDecodedMessage(std::span<const std::uint8_t> octets) {
  std::unique_ptr<SnmpMessage> decodedMessage = MessageDecoder(octets).release();
  if (!decodedMessage) {
    std::cout << "{\"decoded\": false}\n";
    return;
  }
  const SnmpMessage& m = *decodedMessage;
  std::string version = "null";
  try {
    version = std::to_string(m.version());
  } catch (int) {
    // No version element: shown as null.
  }
  std::cout << "{\"decoded\": true, \"version\": " << version
            << ", \"community\": " << jsonOrNull(m.communityText())
            << ", \"pduTag\": " << static_cast<unsigned>(m.pduTag())
            << ", \"requestId\": " << m.requestId() << ", \"errorStatus\": " << m.errorStatus()
            << ", \"errorIndex\": " << m.errorIndex() << ", \"genericTrap\": " << m.genericTrap()
            << ", \"specificTrap\": " << m.specificTrap() << ", \"timestamp\": " << m.timestamp()
            << ", \"agentAddress\": " << jsonOrNull(m.agentAddressText())
            << ", \"enterprise\": " << jsonOrNull(m.enterpriseText()) << ", \"bindings\": [";
  for (std::int32_t i = 1; i <= m.bindingCount(); ++i) {
    std::cout << (i > 1 ? ", " : "") << "{\"name\": " << json(m.nameText(i))
              << ", \"type\": " << json(m.valueTypeName(i))
              << ", \"text\": " << json(m.valueText(i)) << "}";
  }
  std::cout << "]}\n";
}

int decodeLines() {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line.empty()) continue;
    const std::size_t space = line.find(' ');
    const std::string_view kind = std::string_view(line).substr(0, space);
    const std::optional<std::vector<std::uint8_t>> bytes =
        space == std::string::npos ? std::nullopt
                                   : octetsOf(std::string_view(line).substr(space + 1));
    if (!bytes || (kind != "value" && kind != "message")) {
      std::cerr << "codec_dump: expected 'value HEX' or 'message HEX', got: " << line << "\n";
      return 2;
    }
    if (kind == "value") {
      printDecodedValue(*bytes);
    } else {
      printDecodedMessage(*bytes);
    }
    std::cout.flush();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc == 2 ? argv[1] : "";
  if (mode == "encode") {
    encodeValues();
    encodeMessages();
    return 0;
  }
  if (mode == "decode") return decodeLines();
  std::cerr << "usage: cfgsnap_codec_dump encode | decode < lines\n";
  return 2;
}
