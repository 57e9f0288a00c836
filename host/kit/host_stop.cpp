#include "host/kit/host_stop.h"

#include <csignal>

namespace tir::hostkit {
namespace {

std::atomic<bool> gStop{false};

extern "C" void OnStopSignal(int) { gStop.store(true); }

}  // namespace

const std::atomic<bool>& StopRequested() { return gStop; }

void InstallStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

}  // namespace tir::hostkit
