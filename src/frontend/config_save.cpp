#include "frontend/config_save.h"

#include <memory>
#include <string_view>

#include "frontend/output.h"
#include "frontend/pause.h"
#include "frontend/save_result.h"
#include "snmp/integer_values.h"
#include "snmp/message.h"
#include "snmp/octet_values.h"
#include "snmp/var_bind.h"
#include "snmp/wire.h"
#include "transport/agent_channel.h"
#include "transport/platform.h"

namespace cfgsnap::frontend {

namespace {

using snmp::SnmpMessage;

// The switch's TFTP group, instance 0 of each object.
constexpr std::string_view kTftpHost = "1.3.6.1.4.1.9.5.1.5.1.0";
constexpr std::string_view kTftpFile = "1.3.6.1.4.1.9.5.1.5.2.0";
constexpr std::string_view kTftpModule = "1.3.6.1.4.1.9.5.1.5.3.0";
constexpr std::string_view kTftpAction = "1.3.6.1.4.1.9.5.1.5.4.0";
constexpr std::string_view kTftpResult = "1.3.6.1.4.1.9.5.1.5.5.0";

constexpr std::int32_t kModuleValue = 1;
constexpr std::int32_t kActionCopyUp = 3;
constexpr std::int32_t kSetRequestId = 123;
constexpr std::int32_t kPollRequestId = 234;

enum class PollAnswer { kDefinite, kInProgress, kNone };

void appendBinding(SnmpMessage& message, std::string_view name,
                   std::unique_ptr<snmp::SnmpValue> value) {
  message.appendBinding(
      std::make_unique<snmp::VarBind>(std::make_unique<snmp::SnmpOid>(name), std::move(value)));
}

std::unique_ptr<SnmpMessage> buildSetRequest(const RunContext& context) {
  auto message = std::make_unique<SnmpMessage>(snmp::wire::kSetRequest, snmp::wire::kVersion1);
  message->setCommunity(context.community);
  message->setRequestId(kSetRequestId);
  appendBinding(*message, kTftpHost, std::make_unique<snmp::SnmpString>(context.tftpServer));
  appendBinding(*message, kTftpFile, std::make_unique<snmp::SnmpString>(context.fileName));
  appendBinding(*message, kTftpModule, std::make_unique<snmp::SnmpInteger>(kModuleValue));
  appendBinding(*message, kTftpAction, std::make_unique<snmp::SnmpInteger>(kActionCopyUp));
  return message;
}

std::unique_ptr<SnmpMessage> buildPoll(const RunContext& context) {
  auto message = std::make_unique<SnmpMessage>(snmp::wire::kGetRequest, snmp::wire::kVersion1);
  message->setCommunity(context.community);
  message->setRequestId(kPollRequestId);
  // No value: the binding goes out as NULL (RFC 1157 4.1.2).
  appendBinding(*message, kTftpResult, nullptr);
  return message;
}

std::unique_ptr<transport::AgentChannel> openChannel(const RunContext& context,
                                                     const ConfigSaveSettings& settings) {
  auto channel = std::make_unique<transport::AgentChannel>(settings.agentPort, context.agent);
  channel->setTimeout(settings.receiveTimeoutSeconds);
  return channel;
}

// One poll on a channel of its own: its local port differs from the
// SetRequest's, so a late answer to an earlier request cannot be taken for
// this one.
PollAnswer poll(const RunContext& context, const ConfigSaveSettings& settings,
                std::int32_t& result) {
  const auto request = buildPoll(context);
  const auto channel = openChannel(context, settings);
  channel->send(*request);
  const auto reply = channel->receive();
  if (!context.logStyle) emit(context.out, ".");
  if (!reply || reply->requestId() != kPollRequestId || reply->errorStatus() != 0) {
    return PollAnswer::kNone;
  }
  result = readResultValue(reply->valueText(1));
  return result == kResultInProgress ? PollAnswer::kInProgress : PollAnswer::kDefinite;
}

void printNoAnswer(const RunContext& context) {
  if (context.logStyle) {
    emit(context.out, "%s %s Switch %s error communicating with the agent Quoll\n",
         context.dateText.c_str(), context.timeText.c_str(), context.agent.c_str());
  } else {
    emit(context.out, "ERROR: Error communicating with the agent\n");
  }
}

void printRefused(const RunContext& context) {
  if (context.logStyle) {
    emit(context.out, "%s %s Switch %s community string error\n", context.dateText.c_str(),
         context.timeText.c_str(), context.agent.c_str());
  } else {
    emit(context.out, "ERROR: Community string or SNMP error\n");
  }
}

void printOutcome(const RunContext& context, const char* consoleText, const char* logEnding) {
  if (!context.logStyle) {
    emit(context.out, "%s", consoleText);
    return;
  }
  emit(context.out, "%s %s Switch %s attempt to save config to TFTP server %s as %s: %s\n",
       context.dateText.c_str(), context.timeText.c_str(), context.agent.c_str(),
       context.tftpServer.c_str(), context.fileName.c_str(), logEnding);
}

void printResult(const RunContext& context, std::int32_t result) {
  if (result == kResultSaved && context.logStyle) {
    emit(context.out, "%s %s Switch %s Config saved to TFTP server %s as %s\n",
         context.dateText.c_str(), context.timeText.c_str(), context.agent.c_str(),
         context.tftpServer.c_str(), context.fileName.c_str());
    return;
  }
  const ResultTexts texts = resultTexts(result);
  printOutcome(context, texts.console, texts.logEnding);
}

}  // namespace

int runConfigSave(const RunContext& context, const ConfigSaveSettings& settings) {
  transport::startNetworking();

  // Declared in this order so that they are released reply first, then the
  // channel, then the request.
  const auto request = buildSetRequest(context);
  const auto channel = openChannel(context, settings);
  if (!context.logStyle) emit(context.out, "\n  Sending request...");
  channel->send(*request);
  const auto reply = channel->receive();

  // An answer to some other request is no answer to this one.
  if (!reply || reply->requestId() != kSetRequestId) {
    printNoAnswer(context);
    return 1;
  }
  if (reply->errorStatus() != 0) {
    printRefused(context);
    return 1;
  }

  const auto accepted = std::chrono::steady_clock::now();
  std::int32_t result = 0;
  PollAnswer answer = PollAnswer::kNone;
  for (;;) {
    sleepMilliseconds(settings.pause.count());
    answer = poll(context, settings, result);
    if (answer == PollAnswer::kDefinite) break;
    if (std::chrono::steady_clock::now() - accepted >= settings.pollingBound) break;
  }

  switch (answer) {
    case PollAnswer::kDefinite:
      printResult(context, result);
      return result == kResultSaved ? 0 : 1;
    case PollAnswer::kInProgress:
      printOutcome(context, "Configuration save still in progress\n", "Still in progress");
      return 1;
    case PollAnswer::kNone:
      break;
  }
  printOutcome(context, "Results of save not confirmed\n", "Not confirmed");
  return 1;
}

}  // namespace cfgsnap::frontend
