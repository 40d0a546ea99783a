// config_save.h: runConfigSave, the procedure that makes the switch copy its
// configuration to the TFTP server.
//
// One SNMPv1 SetRequest (request-id 123) writes the switch's TFTP host, file,
// module (1) and action (3, copy the configuration up) objects. Once the
// switch accepts it, the procedure polls the TFTP result object with a
// GetRequest (request-id 234), each on a channel and local port of its own
// after a pause, until the switch reports a value other than 1 (in
// progress) or the polling bound has passed since the acceptance. It prints
// one outcome in the context's style and returns the exit code:
//
//   0  the switch reported the configuration saved (result 2);
//   1  everything else: no usable answer to the SetRequest (none in time, an
//      undecodable one, another request-id, an unresolvable agent), an SNMP
//      error in its answer, any failure or unknown result, and a save still
//      in progress or unconfirmed when the bound passed.
//
// The procedure owns every message and channel it creates; it keeps the
// SetRequest's channel open until it returns. Failures are reported only
// through the texts and the exit code, never raised.
#pragma once

#include <chrono>
#include <cstdint>

#include "frontend/run_context.h"

namespace cfgsnap::frontend {

// The constants of the procedure. The program always uses these defaults;
// tests shorten them.
struct ConfigSaveSettings {
  std::int32_t agentPort = 161;
  // Receive timeout of every channel, in whole seconds.
  std::int32_t receiveTimeoutSeconds = 30;
  // Pause before each poll.
  std::chrono::milliseconds pause{1000};
  // Polling ends without a definite result once this much time has passed
  // on a monotonic clock since the SetRequest was accepted; it is checked
  // after each poll.
  std::chrono::milliseconds pollingBound{std::chrono::seconds(300)};
};

int runConfigSave(const RunContext& context, const ConfigSaveSettings& settings = {});

}  // namespace cfgsnap::frontend
