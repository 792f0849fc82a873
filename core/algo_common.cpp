#include "algo_common.h"

#include <chrono>
#include <cstdio>

#include "algo_share.h"
#include "cali_algo.h"
#include "log_wrapper.h"

namespace OrynSdk {

// ---------------------------------------------------------------- thread_pool

thread_pool::thread_pool(size_t numThreads) {
  threads_.reserve(numThreads);
  for (size_t i = 0; i < numThreads; ++i) {
    threads_.emplace_back([this, i] { WorkerLoop(static_cast<int>(i)); });
  }
}

thread_pool::~thread_pool() { stop(false); }

size_t thread_pool::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return threads_.size();
}

size_t thread_pool::queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tasks_.size();
}

void thread_pool::clear_queue() {
  std::deque<std::function<void(int)>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    dropped.swap(tasks_);
  }
  // Destroyed outside the lock: a dropped task's promise breaks here.
}

void thread_pool::stop(bool wait) {
  std::vector<std::thread> threads;
  std::deque<std::function<void(int)>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    if (!wait) {
      dropped.swap(tasks_);
    }
    threads.swap(threads_);
  }
  cv_.notify_all();
  for (std::thread& t : threads) {
    if (t.joinable()) {
      t.join();
    }
  }
  std::deque<std::function<void(int)>> rest;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rest.swap(tasks_);
  }
  // dropped and rest are destroyed here, outside the lock: their promises
  // break.
}

void thread_pool::WorkerLoop(int id) {
  for (;;) {
    std::function<void(int)> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait(lock, [this] { return done_ || !tasks_.empty(); });
      if (tasks_.empty()) {
        return;  // done and nothing left to run
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task(id);
  }
}

// ----------------------------------------------------------------- algoCommon

algoCommon* algoCommon::GetInstance() {
  static algoCommon impl;
  return &impl;
}

algoCommon::algoCommon(ImageBufferManager* buffers)
    : running(true),
      buffers_(buffers),
      eepromPathBuf_(new char[kConfigPathBytes]()),
      configDirBuf_(new char[kConfigPathBytes]()) {
  // Singletons the workers use are created first, so they are destroyed
  // after this object has joined its workers.
  Logger::GetInstance();
  AlgoShare::GetInstance();
  CaliAlgo::GetInstance();
  tofConfig.eepromPath = eepromPathBuf_.get();
  tofConfig.configDirCopy = configDirBuf_.get();
  std::printf("number of threads: %d\n", kNumThreads);
  std::fflush(stdout);
  pool = std::make_unique<thread_pool>(kNumThreads);
}

algoCommon::~algoCommon() { clear(); }

Status algoCommon::SetStageSteps(StageStep caliStep, StageStep ppStep) {
  if (!caliStep || !ppStep) {
    ORYN_LOG_ERROR("stage steps must not be empty");
    return STATUS_INVALID_ARGUMENT;
  }
  std::lock_guard<std::mutex> lock(lifecycle_);
  if (started) {
    ORYN_LOG_ERROR("stage steps cannot change while the pipeline runs");
    return STATUS_BUSY;
  }
  caliStep_ = std::move(caliStep);
  ppStep_ = std::move(ppStep);
  return STATUS_OK;
}

bool algoCommon::IsStarted() const {
  std::lock_guard<std::mutex> lock(lifecycle_);
  return started;
}

size_t algoCommon::QueuedTasks() const {
  std::lock_guard<std::mutex> lock(lifecycle_);
  return pool ? pool->queued() : 0;
}

Status algoCommon::startAlg() {
  std::lock_guard<std::mutex> lock(lifecycle_);
  ORYN_LOG_INFO("open thread pool {}", started);
  printSensorCfg(tofConfig);
  if (!pool) {
    ORYN_LOG_ERROR("pipeline threads were stopped, the pipeline cannot start again");
    return STATUS_UNAVAILABLE;
  }
  if (!started) {
    if (!caliStep_ || !ppStep_) {
      ORYN_LOG_ERROR("no stage steps set, the pipeline cannot start");
      return STATUS_UNAVAILABLE;
    }
    running.store(true);
    pool->push([this](int id) { return ProcCaliAlgo(id); });
    pool->push([this](int id) { return ProcPpAlgo(id); });
    started = true;
  }
  running.store(true);
  return STATUS_OK;
}

int algoCommon::RunStageLoop(const char* name, const StageStep& step) {
  ORYN_LOG_INFO("open thread: {}", name);
  if (!step) {
    return STATUS_UNAVAILABLE;
  }
  int result = 0;
  while (running.load()) {
    result = step();
    // Only yields between frames; the step itself blocks in its queue.
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return result;
}

int algoCommon::ProcCaliAlgo(int) { return RunStageLoop("ProcCaliAlgo", caliStep_); }

int algoCommon::ProcPpAlgo(int) { return RunStageLoop("ProcPpAlgo", ppStep_); }

void algoCommon::WakeStageQueues() {
  // Called after running was cleared. A worker blocked in Pop takes this
  // empty record ("no data"), returns from its step and sees running false.
  // When a push fails the queue is full, so its single consumer cannot block
  // there before it looks at running again.
  const ImageBuffer empty{};
  buffers_->WaitAndPush_raw(empty);
  buffers_->WaitAndPush_cali(empty);
}

Status algoCommon::clear() {
  std::lock_guard<std::mutex> lock(lifecycle_);
  if (started) {
    running.store(false);
    ORYN_LOG_WARN("clear_queue...");
    pool->clear_queue();
    WakeStageQueues();
    pool->stop(true);
    pool.reset();
    started = false;
  }
  ORYN_LOG_INFO("algoCommon clear success");
  return STATUS_OK;
}

unsigned algoCommon::setCaliData(unsigned char* data, unsigned size) {
  return CaliAlgo::GetInstance()->setCaliData(data, size);
}

unsigned algoCommon::CalcFrameNumPerDepth(TofWorkMode workMode, TofFrameWorkMode subWorkMode) {
  const uint32_t mode = static_cast<uint32_t>(workMode);
  const uint32_t sub = static_cast<uint32_t>(subWorkMode);
  if (mode == 7 || mode == 8) {
    return 1;
  }
  if (mode > 3) {
    ORYN_LOG_ERROR("unsupported work mode");
    return 0;
  }
  switch (sub) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 7:
    case 8:
    case 9:
      return 1;
    case 4:
    case 5:
    case 10:
    case 11:
      return 2;
    case 6:
      return 8;
    case 12:
    case 13:
    case 16:
    case 17:
      return 4;
    case 14:
    case 15:
      return 3;
    default:
      return 0;
  }
}

}  // namespace OrynSdk
