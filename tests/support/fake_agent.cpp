#include "support/fake_agent.h"

#include <charconv>
#include <chrono>
#include <memory>
#include <span>
#include <stdexcept>
#include <string_view>

#include "snmp/integer_values.h"
#include "snmp/message.h"
#include "snmp/message_decoder.h"
#include "snmp/octet_values.h"
#include "snmp/var_bind.h"
#include "snmp/wire.h"

namespace cfgsnap::testing {

namespace {

using snmp::SnmpMessage;

constexpr std::size_t kOversizeTarget = 5000;
// A SEQUENCE that claims 4096 content octets in a 9-octet datagram.
constexpr std::uint8_t kGarbage[] = {0x30, 0x82, 0x10, 0x00, 0x02, 0x01, 0x00, 0x04, 0x00};

bool parseNumber(std::string_view text, std::int32_t& out) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [rest, status] = std::from_chars(text.data(), end, out);
  return status == std::errc() && rest == end;
}

std::optional<ReplySpec> parseDatagram(std::string_view token, std::string& error) {
  ReplySpec planned;
  const std::size_t colon = token.find(':');
  const std::string_view body = token.substr(0, colon);
  if (body == "ok") {
    planned.kind = ReplySpec::Kind::kEcho;
  } else if (body == "null") {
    planned.kind = ReplySpec::Kind::kNull;
  } else if (body == "string") {
    planned.kind = ReplySpec::Kind::kEmptyString;
  } else if (body == "nobind") {
    planned.kind = ReplySpec::Kind::kNoBinding;
  } else if (body == "garbage") {
    planned.kind = ReplySpec::Kind::kGarbage;
  } else if (body == "oversize") {
    planned.kind = ReplySpec::Kind::kOversize;
  } else if (body == "empty") {
    planned.kind = ReplySpec::Kind::kEmpty;
  } else if (!parseNumber(body, planned.value)) {
    error = "unknown reply '" + std::string(body) + "'";
    return std::nullopt;
  }
  std::string_view options = colon == std::string_view::npos ? "" : token.substr(colon + 1);
  while (colon != std::string_view::npos) {
    const std::size_t next = options.find(':');
    const std::string_view option = options.substr(0, next);
    std::int32_t number = 0;
    if (option == "other") {
      planned.fromOtherPort = true;
    } else if (option.starts_with("id=") && parseNumber(option.substr(3), number)) {
      planned.requestId = number;
    } else if (option.starts_with("err=") && parseNumber(option.substr(4), number)) {
      planned.errorStatus = number;
    } else if (option.starts_with("delay=") && parseNumber(option.substr(6), number) &&
               number >= 0) {
      planned.delayMilliseconds = number;
    } else {
      error = "unknown option '" + std::string(option) + "'";
      return std::nullopt;
    }
    if (next == std::string_view::npos) break;
    options = options.substr(next + 1);
  }
  return planned;
}

std::unique_ptr<snmp::SnmpValue> copyValue(const snmp::SnmpValue& value) {
  const std::vector<std::uint8_t> octets = value.toBytes();
  snmp::BerReader reader(std::span<const std::uint8_t>(octets).subspan(1));
  auto copy = snmp::decodeValue(octets[0], reader);
  return reader.ok() ? std::move(copy) : nullptr;
}

std::unique_ptr<snmp::SnmpValue> firstName(const SnmpMessage* request) {
  const std::string_view name =
      request != nullptr && request->bindingCount() > 0 ? request->nameText(1) : "1.3";
  return std::make_unique<snmp::SnmpOid>(name);
}

std::vector<std::uint8_t> buildReply(const ReplySpec& planned, const SnmpMessage* request) {
  using Kind = ReplySpec::Kind;
  if (planned.kind == Kind::kGarbage) return {std::begin(kGarbage), std::end(kGarbage)};
  if (planned.kind == Kind::kEmpty) return {};

  SnmpMessage reply(snmp::wire::kGetResponse, snmp::wire::kVersion1);
  std::string community;
  if (request != nullptr && request->communityText()) community = *request->communityText();
  reply.setCommunity(community);
  reply.setRequestId(planned.requestId.value_or(request != nullptr ? request->requestId() : 0));
  reply.setErrorStatus(planned.errorStatus);
  reply.setErrorIndex(planned.errorStatus != 0 ? 1 : 0);
  switch (planned.kind) {
    case Kind::kValue:
      reply.appendBinding(std::make_unique<snmp::VarBind>(
          firstName(request), std::make_unique<snmp::SnmpInteger>(planned.value)));
      break;
    case Kind::kEcho:
      if (request != nullptr) {
        for (const snmp::VarBind* b = request->bindings().head(); b != nullptr; b = b->next()) {
          reply.appendBinding(
              std::make_unique<snmp::VarBind>(b->name() ? copyValue(*b->name()) : nullptr,
                                              b->value() ? copyValue(*b->value()) : nullptr));
        }
      }
      break;
    case Kind::kNull:
      reply.appendBinding(std::make_unique<snmp::VarBind>(firstName(request), nullptr));
      break;
    case Kind::kEmptyString:
      reply.appendBinding(std::make_unique<snmp::VarBind>(firstName(request),
                                                          std::make_unique<snmp::SnmpString>("")));
      break;
    case Kind::kOversize: {
      // A reply that would read as a confirmed save, were it taken at all.
      reply.appendBinding(std::make_unique<snmp::VarBind>(firstName(request),
                                                          std::make_unique<snmp::SnmpInteger>(2)));
      const std::size_t padding = kOversizeTarget - reply.encodedSize();
      reply.appendBinding(std::make_unique<snmp::VarBind>(
          std::make_unique<snmp::SnmpOid>("1.3.6.1.2.1.1.1.0"),
          std::make_unique<snmp::SnmpString>(std::string(padding, 'x'))));
      break;
    }
    case Kind::kNoBinding:
    case Kind::kGarbage:
    case Kind::kEmpty:
      break;
  }
  return snmp::encodeMessage(reply);
}

std::uint32_t addressOrThrow(const std::string& address) {
  const auto parsed = UdpTestSocket::parseAddress(address);
  if (!parsed) throw std::runtime_error("fake agent: bad address " + address);
  return *parsed;
}

AgentScript parseOrThrow(const std::vector<std::string>& tokens) {
  std::string error;
  auto script = parseAgentScript(tokens, error);
  if (!script) throw std::runtime_error("fake agent: " + error);
  return std::move(*script);
}

}  // namespace

std::optional<AgentScript> parseAgentScript(const std::vector<std::string>& tokens,
                                            std::string& error) {
  AgentScript script;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    std::string_view token = tokens[i];
    if (token.ends_with('*')) {
      if (i + 1 != tokens.size()) {
        error = "only the last answer may repeat";
        return std::nullopt;
      }
      script.repeatLast = true;
      token.remove_suffix(1);
    }
    Answer answer;
    if (token != "silent") {
      while (true) {
        const std::size_t plus = token.find('+');
        auto planned = parseDatagram(token.substr(0, plus), error);
        if (!planned) return std::nullopt;
        answer.push_back(*planned);
        if (plus == std::string_view::npos) break;
        token = token.substr(plus + 1);
      }
    }
    script.answers.push_back(std::move(answer));
  }
  return script;
}

FakeAgent::FakeAgent(AgentScript script, const std::string& address, std::uint16_t port)
    : script_(std::move(script)),
      socket_(addressOrThrow(address), port),
      otherSocket_(addressOrThrow(address), 0) {}

FakeAgent::FakeAgent(const std::vector<std::string>& tokens, const std::string& address,
                     std::uint16_t port)
    : FakeAgent(parseOrThrow(tokens), address, port) {}

FakeAgent::~FakeAgent() {
  stop();
}

void FakeAgent::setRecorder(std::function<void(const ReceivedDatagram&)> recorder) {
  recorder_ = std::move(recorder);
}

void FakeAgent::start() {
  thread_ = std::thread([this] { serve(stopRequested_); });
}

void FakeAgent::stop() {
  stopRequested_ = true;
  if (thread_.joinable()) thread_.join();
  while (receiveOne()) {
  }
}

void FakeAgent::serve(const std::atomic<bool>& stopRequested) {
  while (!stopRequested) {
    if (socket_.waitReadable(std::chrono::milliseconds(20))) receiveOne();
  }
}

std::vector<ReceivedDatagram> FakeAgent::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

// Receives one datagram, records it and, unless the agent is stopping,
// answers it. False when nothing was waiting.
bool FakeAgent::receiveOne() {
  auto got = socket_.receiveNow();
  if (!got) return false;
  ReceivedDatagram datagram{std::move(got->octets), got->sourcePort};
  if (recorder_) recorder_(datagram);
  {
    std::lock_guard lock(mutex_);
    received_.push_back(datagram);
  }
  if (!stopRequested_) answer(datagram.octets, got->sourceAddress, datagram.sourcePort);
  return true;
}

void FakeAgent::answer(const std::vector<std::uint8_t>& request, std::uint32_t address,
                       std::uint16_t port) {
  const std::size_t index = requestsSeen_++;
  const Answer* answer = nullptr;
  if (index < script_.answers.size()) {
    answer = &script_.answers[index];
  } else if (script_.repeatLast && !script_.answers.empty()) {
    answer = &script_.answers.back();
  }
  if (answer == nullptr) return;

  const std::unique_ptr<SnmpMessage> decoded = snmp::MessageDecoder(request).release();
  for (const ReplySpec& planned : *answer) {
    if (planned.delayMilliseconds > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(planned.delayMilliseconds));
    }
    const std::vector<std::uint8_t> reply = buildReply(planned, decoded.get());
    (planned.fromOtherPort ? otherSocket_ : socket_).sendTo(address, port, reply);
  }
}

}  // namespace cfgsnap::testing
