// Process-wide logger of the SDK layer.
//
// Every diagnostic of the SDK layer goes through the one spdlog logger named
// "Mainlog" that Logger owns: a colour console logger on standard output, or
// (when the very first level change asks for it) an asynchronous logger that
// appends to ./log/Mainlog.log. Statements are written with the ORYN_LOG_*
// macros below, which take an fmt format string with "{}" placeholders:
//
//   ORYN_LOG_INFO("load {} success", path);
//   ORYN_LOG_DEBUG("buffer id {:08x}", id);
//
// Pass enumerations as their unsigned value (static_cast<uint32_t>(e)).
#pragma once

#include <memory>
#include <string>

#include <spdlog/spdlog.h>

class Logger {
 public:
  /// Name of the logger in spdlog's registry.
  static constexpr const char* kLoggerName = "Mainlog";
  /// Directory and file of the file mode, relative to the working directory.
  static constexpr const char* kLogDir = "./log";
  /// Line layout: local time with milliseconds, tag, level, file:line, text.
  static constexpr const char* kPattern = "%Y-%m-%d %H:%M:%S.%e [ORYN-IN] [%l] [%s:%#] %v";

  /// The process-wide instance, created on first use. It is never destroyed,
  /// so destructors of other singletons may still log during process exit.
  static Logger* GetInstance();

  /// Copy of the logger pointer; null only when creating the logger failed.
  std::shared_ptr<spdlog::logger> GetLogger();

  /// Creates the logger if none exists yet (console when toConsole, else the
  /// asynchronous file logger), renews its pattern and sets its level and
  /// flush level from the text: "trace", "debug", "info", "warn", "error",
  /// "critical", "off"; any other text selects info. A creation failure of
  /// the logging library is reported on standard output and leaves the level
  /// untouched.
  void SetLogLevel(std::string level, bool toConsole);

  /// Level for a level text (case-sensitive; unknown text gives info).
  static spdlog::level::level_enum LevelFromText(const std::string& level);

  /// Creates and registers the "Mainlog" logger in spdlog's registry, either
  /// the colour console logger or the asynchronous file logger (which first
  /// announces its path on standard output). Throws spdlog::spdlog_ex when
  /// the library refuses (name taken, file not writable).
  static std::shared_ptr<spdlog::logger> CreateLogger(bool toConsole);

  /// Drops every logger from spdlog's registry. Only runs for instances other
  /// than the process-wide one.
  ~Logger();

  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

 private:
  Logger();

  std::shared_ptr<spdlog::logger> logger_;
};

// One log statement: the level test comes first, so a statement below the
// level costs the pointer copy and one atomic comparison. Without a logger
// (creation failed) the statement does nothing.
#define ORYN_LOG(lvl, ...)                                                                   \
  do {                                                                                       \
    std::shared_ptr<spdlog::logger> oryn_log_ptr_ = Logger::GetInstance()->GetLogger();     \
    if (oryn_log_ptr_ && oryn_log_ptr_->should_log(lvl)) {                                  \
      oryn_log_ptr_->log(spdlog::source_loc{__FILE__, __LINE__, SPDLOG_FUNCTION}, lvl,      \
                         __VA_ARGS__);                                                       \
    }                                                                                        \
  } while (0)

#define ORYN_LOG_TRACE(...) ORYN_LOG(spdlog::level::trace, __VA_ARGS__)
#define ORYN_LOG_DEBUG(...) ORYN_LOG(spdlog::level::debug, __VA_ARGS__)
#define ORYN_LOG_INFO(...) ORYN_LOG(spdlog::level::info, __VA_ARGS__)
#define ORYN_LOG_WARN(...) ORYN_LOG(spdlog::level::warn, __VA_ARGS__)
#define ORYN_LOG_ERROR(...) ORYN_LOG(spdlog::level::err, __VA_ARGS__)
#define ORYN_LOG_CRITICAL(...) ORYN_LOG(spdlog::level::critical, __VA_ARGS__)
