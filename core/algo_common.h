// Hub of the processing pipeline: the configuration records, a pool of two
// worker threads and the two long-lived stage loops that run on it
// (correction, then post-processing), connected by the queues of
// ImageBufferManager:
//
//   caller -> raw queue -> correction -> correction queue -> post-processing
//          -> output queue -> caller
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "algo_config.h"
#include "image_buffer.h"

namespace OrynSdk {

/// Fixed number of threads running queued tasks; a task is a callable that
/// receives the index of the worker that runs it.
class thread_pool {
 public:
  explicit thread_pool(size_t numThreads);
  /// Drops queued tasks and joins the workers after their current task.
  ~thread_pool();
  thread_pool(const thread_pool&) = delete;
  thread_pool& operator=(const thread_pool&) = delete;

  size_t size() const;
  /// Tasks queued and not yet taken by a worker.
  size_t queued() const;

  /// Queues f and wakes one idle worker. The future carries f's result; it
  /// reports std::future_errc::broken_promise when the task is dropped
  /// (clear_queue, stop) before it ran, or pushed after stop.
  template <typename F>
  auto push(F&& f) -> std::future<std::invoke_result_t<std::decay_t<F>&, int>> {
    using R = std::invoke_result_t<std::decay_t<F>&, int>;
    auto task = std::make_shared<std::packaged_task<R(int)>>(std::forward<F>(f));
    std::future<R> result = task->get_future();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (done_) {
        return result;  // task destroyed unrun: broken promise
      }
      tasks_.emplace_back([task](int id) { (*task)(id); });
    }
    cv_.notify_one();
    return result;
  }

  /// Drops every task not yet started.
  void clear_queue();

  /// Marks the pool done and wakes all workers. wait: the workers first run
  /// every queued task; otherwise queued tasks are dropped. Joins every
  /// worker after its current task, then forgets the threads. Harmless when
  /// repeated. Must not be called from one of the pool's own workers.
  void stop(bool wait);

 private:
  void WorkerLoop(int id);

  std::vector<std::thread> threads_;
  std::deque<std::function<void(int)>> tasks_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
};

/// The process-wide pipeline object. It holds the configuration records and
/// their readers (AlgoConfig), owns the two worker threads and runs the
/// correction and post-processing loops on them once startAlg is called.
/// What one loop iteration does is the stage's business: the stage drivers
/// register one step function per stage (SetStageSteps) that processes one
/// frame, blocking in the stage's input queue.
class algoCommon : public AlgoConfig {
 public:
  static constexpr int kNumThreads = 2;

  /// One frame of a stage: pops its input queue, processes, pushes its
  /// output; returns the frame's result code.
  using StageStep = std::function<int()>;

  /// The process-wide instance.
  static algoCommon* GetInstance();

  /// A pipeline whose stages use the queues of buffers. Tests build their
  /// own; the SDK uses GetInstance() with the process-wide manager.
  explicit algoCommon(ImageBufferManager* buffers = ImageBufferManager::GetInstance());
  /// Stops the workers (clear) if they still run.
  ~algoCommon();
  algoCommon(const algoCommon&) = delete;
  algoCommon& operator=(const algoCommon&) = delete;

  /// Sets the per-frame steps of the correction and post-processing loops.
  /// STATUS_BUSY while the loops run; STATUS_INVALID_ARGUMENT for an empty
  /// step. Contract that lets clear() end the loops: a correction step pops
  /// the raw queue and a post-processing step the correction queue, each at
  /// most once per call, blocks nowhere else, and returns at once for a
  /// record without planes.
  Status SetStageSteps(StageStep caliStep, StageStep ppStep);

  /// Submits the two stage loops once. STATUS_OK when they run (a second call
  /// submits nothing); STATUS_UNAVAILABLE after clear (no workers remain) or
  /// when no stage steps are set.
  Status startAlg();

  /// Stops both stage loops, wherever their workers wait, and joins them.
  /// Afterwards no record is taken from a queue by this pipeline. Harmless
  /// when repeated. The path buffers named by tofConfig stay valid. Not to
  /// be called from a stage step (it joins the workers).
  Status clear();

  /// Hands the calibration blob to the correction stage
  /// (CaliAlgo::setCaliData) and returns its result.
  unsigned setCaliData(unsigned char* data, unsigned size);

  /// Raw frames per depth map; 0 for an unsupported mode.
  static unsigned CalcFrameNumPerDepth(TofWorkMode workMode, TofFrameWorkMode subWorkMode);

  /// The two stage loops: run the stage's step until the pipeline stops and
  /// return the last frame result.
  int ProcCaliAlgo(int id);
  int ProcPpAlgo(int id);

  bool IsRunning() const { return running.load(); }
  bool IsStarted() const;
  /// Stage tasks submitted and not yet taken by a worker.
  size_t QueuedTasks() const;
  ImageBufferManager* Buffers() const { return buffers_; }

 private:
  // Lets a worker blocked in its input queue see that the pipeline stops.
  void WakeStageQueues();
  int RunStageLoop(const char* name, const StageStep& step);

  std::unique_ptr<thread_pool> pool;  // null after clear
  std::atomic<bool> running;          // read by the workers every iteration
  bool started = false;

  ImageBufferManager* buffers_;
  StageStep caliStep_;
  StageStep ppStep_;
  mutable std::mutex lifecycle_;  // startAlg, clear, SetStageSteps

  // Targets of tofConfig.eepromPath and tofConfig.configDirCopy. Copies of
  // tofConfig travel to the stage drivers, so these live as long as the
  // pipeline object (the whole process for the SDK's instance), not only
  // until clear.
  std::unique_ptr<char[]> eepromPathBuf_;
  std::unique_ptr<char[]> configDirBuf_;
};

}  // namespace OrynSdk
