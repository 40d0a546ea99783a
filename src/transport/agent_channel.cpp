#include "transport/agent_channel.h"

namespace cfgsnap::transport {

AgentChannel::AgentChannel(std::int32_t port, std::string_view hostName)
    : UdpEndpoint(port, kDefaultTimeoutSeconds) {
  setHost(hostName);
}

void AgentChannel::setHost(std::string_view hostName) {
  hostName_ = hostName;
  resolveAndBind();
}

void AgentChannel::resolveAndBind() {
  std::optional<std::uint32_t> address = dottedAddress(hostName_);
  if (!address) address = lookUpName(hostName_);
  if (!address) {
    recordError();
    return;
  }
  setRemoteAddress(*address);
  bindAndMarkReady();
}

std::int32_t AgentChannel::send(const snmp::SnmpMessage& message) {
  if (!ready()) return 0;
  return sendMessage(message, remoteAddress());
}

std::unique_ptr<snmp::SnmpMessage> AgentChannel::receive() {
  if (!ready()) return nullptr;
  return receiveMessage();
}

}  // namespace cfgsnap::transport
