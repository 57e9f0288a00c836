#pragma once

#include <string>
#include <vector>

namespace tir::test {

// tirdex run as a program (no shell): its exit code (-1 when a signal ended it) and output.
struct TirdexRun {
  int rc = -1;
  std::string out;
  std::string err;
  double secondsToStop = 0;  // InterruptTirdex: from the signal to the exit
};

TirdexRun RunTirdex(const std::string& tirdex, const std::vector<std::string>& args);

// Starts tirdex and, once `ready` shows in its stdout or stderr, waits `delayMs` and sends
// `signal`. A run still going `timeoutS` seconds after the signal is killed (rc -1).
TirdexRun InterruptTirdex(const std::string& tirdex, const std::vector<std::string>& args,
                          const std::string& ready, int delayMs, int signal, double timeoutS);

// A tirdex left running in the background (a service): started, read while it runs, stopped.
struct TirdexProcess {
  int pid = -1;
  std::string out, err;  // files receiving its stdout and stderr
};
TirdexProcess StartTirdex(const std::string& tirdex, const std::vector<std::string>& args);
std::string TirdexStdout(const TirdexProcess& process);
// Sends `signal` and waits up to `timeoutS` seconds (then kills it; rc -1).
TirdexRun StopTirdex(const TirdexProcess& process, int signal, double timeoutS);

}  // namespace tir::test
