#include "tests/host/tirdex/tirdex_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/temp_base.h"

namespace tir::test {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

pid_t Start(const std::string& tirdex, const std::vector<std::string>& args, const std::string& out,
            const std::string& err) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(o, STDOUT_FILENO);
  ::dup2(e, STDERR_FILENO);
  std::vector<char*> argv{const_cast<char*>(tirdex.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(tirdex.c_str(), argv.data());
  ::_exit(127);
}

TirdexRun Finish(pid_t pid, const std::string& out, const std::string& err, double timeoutS) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::duration<double>(Clock::now() - start).count() > timeoutS) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  TirdexRun run;
  run.secondsToStop = std::chrono::duration<double>(Clock::now() - start).count();
  run.rc = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = Slurp(out);
  run.err = Slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return run;
}

}  // namespace

TirdexRun RunTirdex(const std::string& tirdex, const std::vector<std::string>& args) {
  const std::string out = TempPath(".out");
  const std::string err = TempPath(".err");
  return Finish(Start(tirdex, args, out, err), out, err, 300);
}

TirdexRun InterruptTirdex(const std::string& tirdex, const std::vector<std::string>& args,
                          const std::string& ready, int delayMs, int signal, double timeoutS) {
  const std::string out = TempPath(".out");
  const std::string err = TempPath(".err");
  const pid_t pid = Start(tirdex, args, out, err);
  for (int i = 0; i < 6000; ++i) {  // up to a minute for the sign
    if ((Slurp(out) + Slurp(err)).find(ready) != std::string::npos) break;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {  // ended before the sign
      TirdexRun run;
      run.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      run.out = Slurp(out);
      run.err = Slurp(err) + "\n(ended before \"" + ready + "\")";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  ::kill(pid, signal);
  return Finish(pid, out, err, timeoutS);
}

TirdexProcess StartTirdex(const std::string& tirdex, const std::vector<std::string>& args) {
  TirdexProcess process{-1, TempPath(".out"), TempPath(".err")};
  process.pid = Start(tirdex, args, process.out, process.err);
  return process;
}

std::string TirdexStdout(const TirdexProcess& process) { return Slurp(process.out); }

TirdexRun StopTirdex(const TirdexProcess& process, int signal, double timeoutS) {
  ::kill(process.pid, signal);
  return Finish(process.pid, process.out, process.err, timeoutS);
}

}  // namespace tir::test
