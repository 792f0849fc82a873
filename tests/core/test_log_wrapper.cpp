#include "log_wrapper.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct RunResult {
  int exitCode;
  std::string output;  // standard output and error
};

// Runs log_scenarios with `mode` in the directory `dir`.
RunResult RunScenario(const std::string& mode, const std::string& dir) {
  const std::string cmd = "cd '" + dir + "' && '" LOG_SCENARIOS_PATH "' " + mode + " 2>&1";
  RunResult r{-1, ""};
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string MakeTempDir() {
  std::string tmpl = testing::TempDir() + "logXXXXXX";
  char* d = mkdtemp(tmpl.data());
  return d != nullptr ? std::string(d) : std::string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Lines the logger writes: "2026-01-31 12:34:56.789 [ORYN-IN] [level] [file:line] text".
const char* const kLine = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[ORYN-IN\] \[%s\] \[%s:\d+\] %s)";

std::string LineRegex(const std::string& level, const std::string& file, const std::string& text) {
  char buf[512];
  std::snprintf(buf, sizeof buf, kLine, level.c_str(), file.c_str(), text.c_str());
  return buf;
}

// Minimal count-down latch (the project is C++17).
class Latch {
 public:
  explicit Latch(int count) : count_(count) {}
  void CountDown() {
    std::lock_guard<std::mutex> lock(m_);
    if (--count_ <= 0) cv_.notify_all();
  }
  void ArriveAndWait() {
    std::unique_lock<std::mutex> lock(m_);
    if (--count_ <= 0) {
      cv_.notify_all();
      return;
    }
    cv_.wait(lock, [this] { return count_ <= 0; });
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int count_;
};

// Captures standard output around a block of log statements.
template <typename F>
std::string Captured(F&& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

TEST(LoggerLevels, TextMapsToLevel) {
  struct Case {
    const char* text;
    spdlog::level::level_enum level;
  } const cases[] = {
      {"trace", spdlog::level::trace}, {"debug", spdlog::level::debug}, {"info", spdlog::level::info},
      {"warn", spdlog::level::warn},   {"error", spdlog::level::err},   {"critical", spdlog::level::critical},
      {"off", spdlog::level::off},     {"INFO", spdlog::level::info},   {"Debug", spdlog::level::info},
      {"", spdlog::level::info},       {"warning", spdlog::level::info}, {"err", spdlog::level::info},
      {"OFF", spdlog::level::info},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Logger::LevelFromText(c.text), c.level) << '"' << c.text << '"';
    Logger::GetInstance()->SetLogLevel(c.text, true);
    auto logger = Logger::GetInstance()->GetLogger();
    ASSERT_TRUE(logger);
    EXPECT_EQ(logger->level(), c.level) << '"' << c.text << '"';
    EXPECT_EQ(logger->flush_level(), c.level) << '"' << c.text << '"';
  }
  EXPECT_EQ(static_cast<int>(Logger::LevelFromText("warn")), 3);
}

TEST(LoggerOutput, ConsoleLoggerIsMainlogWithPattern) {
  auto logger = Logger::GetInstance()->GetLogger();
  ASSERT_TRUE(logger);
  EXPECT_EQ(logger->name(), "Mainlog");
  EXPECT_EQ(spdlog::get("Mainlog"), logger);

  Logger::GetInstance()->SetLogLevel("warn", true);
  const std::string out = Captured([] {
    ORYN_LOG_INFO("hidden info");
    ORYN_LOG_WARN("buffer {:08x} of {}", 0xbeefu, "raw");
  });
  EXPECT_THAT(out, Not(HasSubstr("hidden info")));
  EXPECT_TRUE(std::regex_match(out, std::regex(LineRegex("warning", "test_log_wrapper\\.cpp", "buffer 0000beef of raw") + "\n")))
      << out;
}

TEST(LoggerOutput, ErrorLevelSkipsWarningsAndWritesErrors) {
  Logger::GetInstance()->SetLogLevel("error", true);
  const std::string out = Captured([] {
    ORYN_LOG_WARN("a warning");
    ORYN_LOG_ERROR("an error {}", 5);
    ORYN_LOG_CRITICAL("a critical");
  });
  EXPECT_THAT(out, Not(HasSubstr("a warning")));
  EXPECT_TRUE(std::regex_search(out, std::regex(LineRegex("error", "test_log_wrapper\\.cpp", "an error 5"))))
      << out;
  EXPECT_TRUE(std::regex_search(out, std::regex(LineRegex("critical", "test_log_wrapper\\.cpp", "a critical"))))
      << out;
}

TEST(LoggerOutput, OffWritesNothing) {
  Logger::GetInstance()->SetLogLevel("off", true);
  const std::string out = Captured([] {
    ORYN_LOG_TRACE("t");
    ORYN_LOG_DEBUG("d");
    ORYN_LOG_INFO("i");
    ORYN_LOG_WARN("w");
    ORYN_LOG_ERROR("e");
    ORYN_LOG_CRITICAL("c");
  });
  EXPECT_EQ(out, "");
}

TEST(LoggerOutput, FileRequestAfterCreationKeepsConsole) {
  const std::string out = Captured([] {
    Logger::GetInstance()->SetLogLevel("info", false);
    ORYN_LOG_INFO("still on the console");
  });
  EXPECT_THAT(out, Not(HasSubstr("Save log to file")));
  EXPECT_THAT(out, HasSubstr("[info] [test_log_wrapper.cpp:"));
  EXPECT_THAT(out, HasSubstr("still on the console"));
  Logger::GetInstance()->SetLogLevel("off", true);
}

// Level changes from one thread while others log: the level and flush
// level are atomics and the formatter is swapped under the sinks' locks.
TEST(LoggerConcurrency, LevelChangesWhileThreadsLog) {
  Logger::GetInstance()->SetLogLevel("info", true);
  std::atomic<bool> stop{false};
  Latch started(3);
  std::atomic<int> written{0};
  const std::string out = Captured([&] {
    std::vector<std::thread> workers;
    for (int t = 0; t < 2; ++t) {
      workers.emplace_back([&, t] {
        started.CountDown();
        while (!stop.load()) {
          ORYN_LOG_INFO("worker {} frame", t);
          written.fetch_add(1);
        }
      });
    }
    started.ArriveAndWait();
    for (int i = 0; i < 200; ++i) {
      Logger::GetInstance()->SetLogLevel(i % 2 == 0 ? "debug" : "info", true);
    }
    while (written.load() < 100) std::this_thread::yield();
    stop.store(true);
    for (auto& w : workers) w.join();
  });
  Logger::GetInstance()->SetLogLevel("off", true);
  // Every line is whole: concurrent statements never interleave.
  std::istringstream lines(out);
  std::string line;
  int count = 0;
  const std::regex whole(LineRegex("info", "test_log_wrapper\\.cpp", "worker [01] frame"));
  while (std::getline(lines, line)) {
    ASSERT_TRUE(std::regex_match(line, whole)) << line;
    ++count;
  }
  EXPECT_GE(count, 100);
}

TEST(LoggerProcess, DestructorsLoggingAtExitAreSafe) {
  const RunResult r = RunScenario("exit", MakeTempDir());
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("running"));
  EXPECT_TRUE(std::regex_search(r.output, std::regex(LineRegex("info", "log_scenarios\\.cpp", "destructor logged at exit 42"))))
      << r.output;
  EXPECT_THAT(r.output, Not(HasSubstr("LOG ERROR")));
}

TEST(LoggerProcess, DestructorsLoggingAtExitInFileModeAreSafe) {
  const std::string dir = MakeTempDir();
  const RunResult r = RunScenario("exit-file", dir);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  // Everything logged before exit reached the file.
  EXPECT_THAT(ReadFile(dir + "/log/Mainlog.log"), HasSubstr("] running in file mode\n"));
}

TEST(LoggerProcess, CreationFailureIsReportedAndStatementsAreNoOps) {
  const RunResult r = RunScenario("name-taken", MakeTempDir());
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("Log initialization failed: logger with name 'Mainlog' already exists\n"));
  EXPECT_THAT(r.output, HasSubstr("logger absent\nLog initialization failed: "));
  EXPECT_THAT(r.output, Not(HasSubstr("must not appear")));
  EXPECT_THAT(r.output, Not(HasSubstr("logger present")));
  // The failed call did not apply "debug" to anything.
  EXPECT_THAT(r.output, HasSubstr("other level 2\n"));
}

TEST(LoggerProcess, FileModeAppendsToLogMainlog) {
  const std::string dir = MakeTempDir();
  for (int run = 1; run <= 2; ++run) {
    const RunResult r = RunScenario("file", dir);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_THAT(r.output, HasSubstr("Save log to file./log/Mainlog.log\n"));
    EXPECT_THAT(r.output, Not(HasSubstr("written to file")));
  }
  const std::string log = ReadFile(dir + "/log/Mainlog.log");
  const std::string written = LineRegex("warning", "log_scenarios\\.cpp", "written to file 7") + "\n";
  const std::string still = LineRegex("info", "log_scenarios\\.cpp", "still in the file") + "\n";
  // Two runs appended, nothing below the level.
  EXPECT_TRUE(std::regex_match(log, std::regex(written + still + written + still))) << log;
  EXPECT_THAT(log, Not(HasSubstr("below the level")));
}

}  // namespace
