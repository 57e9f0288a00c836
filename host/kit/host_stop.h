#pragma once

#include <atomic>

namespace tir::hostkit {

// Set by SIGINT and SIGTERM once InstallStopSignals ran; long-running commands poll it.
const std::atomic<bool>& StopRequested();
void InstallStopSignals();

}  // namespace tir::hostkit
