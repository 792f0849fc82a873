// Logging scenarios that need a fresh process: what happens at exit, when
// the logger cannot be created, and the file mode. test_log_wrapper runs
// this program and checks its output.
#include <cstdio>
#include <cstring>

#include <spdlog/sinks/stdout_color_sinks.h>

#include "log_wrapper.h"

namespace {

// A singleton of another unit that logs from its destructor at exit. It is
// created before the logger, so it is destroyed after anything the logger
// created.
struct LogsAtExit {
  ~LogsAtExit() { ORYN_LOG_INFO("destructor logged at exit {}", 42); }
};

int runExit() {
  static LogsAtExit early;
  (void)early;
  Logger::GetInstance()->SetLogLevel("info", true);
  ORYN_LOG_INFO("running");
  return 0;
}

// Another logger already holds the name "Mainlog": creation fails, the
// logger stays absent and every statement is a no-op.
int runNameTaken() {
  auto other = spdlog::stdout_color_mt(Logger::kLoggerName);
  Logger* logger = Logger::GetInstance();
  std::printf("logger %s\n", logger->GetLogger() ? "present" : "absent");
  ORYN_LOG_ERROR("must not appear {}", 1);
  logger->SetLogLevel("debug", true);
  std::printf("logger %s\n", logger->GetLogger() ? "present" : "absent");
  std::printf("other level %d\n", static_cast<int>(other->level()));
  std::fflush(stdout);
  return 0;
}

// The file mode is chosen only by the call that creates the logger: let
// the instance's own console creation fail, free the name, then ask for
// the file logger.
int runFile() {
  spdlog::stdout_color_mt(Logger::kLoggerName);
  Logger* logger = Logger::GetInstance();
  spdlog::drop(Logger::kLoggerName);
  logger->SetLogLevel("warn", false);
  ORYN_LOG_INFO("below the level");
  ORYN_LOG_WARN("written to file {}", 7);
  logger->SetLogLevel("info", true);  // the logger exists: stays in the file
  ORYN_LOG_INFO("still in the file");
  return 0;  // exit drains the asynchronous queue
}

// The same in file mode: by the time the early singleton is destroyed the
// logging library may have stopped its asynchronous worker; the statement
// must still return normally.
int runExitFile() {
  static LogsAtExit early;
  (void)early;
  spdlog::stdout_color_mt(Logger::kLoggerName);
  Logger* logger = Logger::GetInstance();
  spdlog::drop(Logger::kLoggerName);
  logger->SetLogLevel("info", false);
  ORYN_LOG_INFO("running in file mode");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "exit") == 0) return runExit();
  if (std::strcmp(argv[1], "name-taken") == 0) return runNameTaken();
  if (std::strcmp(argv[1], "file") == 0) return runFile();
  if (std::strcmp(argv[1], "exit-file") == 0) return runExitFile();
  return 2;
}
