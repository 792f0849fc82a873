// Small synchronisation helpers for the threaded pipeline tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace pipeline_test {

// Counts events and lets a thread wait until a number of them happened.
class Counter {
 public:
  void Add(int n = 1) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      count_ += n;
    }
    cv_.notify_all();
  }
  void WaitFor(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return count_ >= n; });
  }
  int Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  int count_ = 0;
};

// A gate that threads wait at until the test opens it.
class Gate {
 public:
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    cv_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

// Runs fn on its own thread. A scenario that has not finished within the
// limit is a hang: the test program reports it and ends at once instead of
// blocking the test run. The limit only bounds a failure; passing runs take
// milliseconds.
inline void RunBounded(const char* what, std::function<void()> fn,
                       std::chrono::seconds limit = std::chrono::seconds(60)) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread runner([fn = std::move(fn), done] {
    fn();
    done->set_value();
  });
  if (finished.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "HANG: %s did not finish within %lld s\n", what,
                 static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::_Exit(3);
  }
  runner.join();
}

}  // namespace pipeline_test
