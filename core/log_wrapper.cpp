#include "log_wrapper.h"

#include <cstdio>

#include <spdlog/async.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>

Logger* Logger::GetInstance() {
  // Deliberately leaked: a function-local static object would be destroyed
  // at exit before singletons created earlier, whose destructors still log.
  static Logger* const loggerIns = new Logger();
  return loggerIns;
}

Logger::Logger() : logger_(nullptr) { SetLogLevel("info", true); }

Logger::~Logger() {
  spdlog::drop_all();
  logger_.reset();
}

std::shared_ptr<spdlog::logger> Logger::GetLogger() { return std::atomic_load(&logger_); }

spdlog::level::level_enum Logger::LevelFromText(const std::string& level) {
  if (level == "trace") return spdlog::level::trace;
  if (level == "debug") return spdlog::level::debug;
  if (level == "info") return spdlog::level::info;
  if (level == "warn") return spdlog::level::warn;
  if (level == "error") return spdlog::level::err;
  if (level == "critical") return spdlog::level::critical;
  if (level == "off") return spdlog::level::off;
  return spdlog::level::info;
}

std::shared_ptr<spdlog::logger> Logger::CreateLogger(bool toConsole) {
  if (toConsole) {
    return spdlog::stdout_color_mt(kLoggerName, spdlog::color_mode::automatic);
  }
  const std::string path = std::string(kLogDir) + "/" + kLoggerName + ".log";
  std::printf("Save log to file%s\n", path.c_str());
  std::fflush(stdout);
  return spdlog::basic_logger_mt<spdlog::async_factory_impl<spdlog::async_overflow_policy::block>>(
      kLoggerName, path);
}

void Logger::SetLogLevel(std::string level, bool toConsole) {
  std::shared_ptr<spdlog::logger> current = std::atomic_load(&logger_);
  try {
    if (!current) {
      current = CreateLogger(toConsole);
      std::atomic_store(&logger_, current);
    }
    current->set_formatter(
        std::make_unique<spdlog::pattern_formatter>(kPattern, spdlog::pattern_time_type::local, "\n"));
  } catch (const spdlog::spdlog_ex& ex) {
    std::printf("Log initialization failed: %s\n", ex.what());
    std::fflush(stdout);
    return;
  }
  const spdlog::level::level_enum lvl = LevelFromText(level);
  current->set_level(lvl);
  current->flush_on(lvl);
}
