// Collects the SDK log messages written while it lives (level trace and up),
// so tests can check the pipeline's log lines.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <spdlog/sinks/base_sink.h>

#include "log_wrapper.h"

namespace pipeline_test {

struct LogLine {
  spdlog::level::level_enum level;
  std::string text;
};

class CaptureSink : public spdlog::sinks::base_sink<std::mutex> {
 public:
  std::vector<LogLine> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    lines_.push_back({msg.level, std::string(msg.payload.data(), msg.payload.size())});
  }
  void flush_() override {}

 private:
  std::vector<LogLine> lines_;
};

// Attach before any thread under test logs and destroy after they stopped:
// the logger's sink list itself is not guarded.
class LogCapture {
 public:
  LogCapture() : logger_(Logger::GetInstance()->GetLogger()), sink_(std::make_shared<CaptureSink>()) {
    previous_ = logger_->level();
    // Keep the console quiet while capturing at trace level.
    for (auto& sink : logger_->sinks()) {
      sinkLevels_.push_back(sink->level());
      sink->set_level(spdlog::level::off);
    }
    logger_->sinks().push_back(sink_);
    logger_->set_level(spdlog::level::trace);
  }
  ~LogCapture() {
    auto& sinks = logger_->sinks();
    sinks.erase(std::remove(sinks.begin(), sinks.end(), sink_), sinks.end());
    for (size_t i = 0; i < sinks.size() && i < sinkLevels_.size(); ++i) {
      sinks[i]->set_level(sinkLevels_[i]);
    }
    logger_->set_level(previous_);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<LogLine> Lines() const { return sink_->Lines(); }

  /// Number of lines with exactly this text at this level.
  int Count(spdlog::level::level_enum level, const std::string& text) const {
    int n = 0;
    for (const LogLine& line : Lines()) {
      if (line.level == level && line.text == text) ++n;
    }
    return n;
  }
  bool Has(spdlog::level::level_enum level, const std::string& text) const { return Count(level, text) > 0; }
  /// True when some line at this level starts with prefix.
  bool HasPrefix(spdlog::level::level_enum level, const std::string& prefix) const {
    for (const LogLine& line : Lines()) {
      if (line.level == level && line.text.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
  }

 private:
  std::shared_ptr<spdlog::logger> logger_;
  std::shared_ptr<CaptureSink> sink_;
  spdlog::level::level_enum previous_;
  std::vector<spdlog::level::level_enum> sinkLevels_;
};

}  // namespace pipeline_test
