// Building the channel zelctl talks through: from the LINK options, or from the connection
// saved in default.xcfg beside the program when none is given.
#pragma once

#include <memory>
#include <string>

#include "comm/connection.h"
#include "zelctl_options.h"

struct LinkChoice {
    std::unique_ptr<XCConnection> channel;  // null when no channel can be built
    int station = 1;
    std::string description;  // "Modbus TCP 127.0.0.1:502", for messages
    std::string error;        // why there is no channel
};

// The channel for `options`, closed. Without a LINK, reads `programDir` + "default.xcfg" as
// the desktop tool does (which also fills in and saves that file's defaults); its station
// number then replaces `options.station` unless --station was given (`stationGiven`).
LinkChoice MakeLink(const ZelctlOptions& options, bool stationGiven, const std::string& programDir);
