// message_answers.h: MessageAnswers, every answer a message gives through its
// accessors, captured as plain data so two messages can be compared.
//
// capture() calls every accessor of the message, including the three texts of
// every binding and of the indexes just outside the list, so a fuzz input
// that makes any accessor misbehave is caught under the sanitizers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "snmp/message.h"

namespace cfgsnap::fuzz {

struct MessageAnswers {
  std::optional<std::int32_t> version;  // Absent when version() throws.
  std::optional<std::string> community;
  std::int32_t bindingCount = 0;
  std::vector<std::string> bindingTexts;  // name, type, value per index 0..count+1
  std::int32_t requestId = 0;
  std::int32_t errorIndex = 0;
  std::int32_t errorStatus = 0;
  std::int32_t genericTrap = 0;
  std::int32_t specificTrap = 0;
  std::uint32_t timestamp = 0;
  std::optional<std::string> agentAddress;
  std::optional<std::string> enterprise;
  std::uint8_t pduTag = 0;

  friend bool operator==(const MessageAnswers&, const MessageAnswers&) = default;

  static MessageAnswers capture(const snmp::SnmpMessage& message) {
    auto text = [](std::optional<std::string_view> view) -> std::optional<std::string> {
      if (!view) return std::nullopt;
      return std::string(*view);
    };
    MessageAnswers answers;
    try {
      answers.version = message.version();
    } catch (int thrown) {
      if (thrown != 0) std::abort();
    }
    answers.community = text(message.communityText());
    answers.bindingCount = message.bindingCount();
    for (std::int32_t i = 0; i <= answers.bindingCount + 1; ++i) {
      answers.bindingTexts.emplace_back(message.nameText(i));
      answers.bindingTexts.emplace_back(message.valueTypeName(i));
      answers.bindingTexts.emplace_back(message.valueText(i));
    }
    answers.requestId = message.requestId();
    answers.errorIndex = message.errorIndex();
    answers.errorStatus = message.errorStatus();
    answers.genericTrap = message.genericTrap();
    answers.specificTrap = message.specificTrap();
    answers.timestamp = message.timestamp();
    answers.agentAddress = text(message.agentAddressText());
    answers.enterprise = text(message.enterpriseText());
    answers.pduTag = message.pduTag();
    return answers;
  }
};

}  // namespace cfgsnap::fuzz
