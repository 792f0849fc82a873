// The worker pool, the two stage loops of algoCommon and their shutdown.
// Stage steps here are test bodies registered through SetStageSteps, the
// same hook the correction and post-processing drivers use.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "algo_common.h"
#include "cali_algo.h"
#include "log_capture.h"
#include "sync_util.h"

namespace {

using namespace OrynSdk;
using pipeline_test::Counter;
using pipeline_test::Gate;
using pipeline_test::LogCapture;
using pipeline_test::RunBounded;

// ------------------------------------------------------------ thread_pool

TEST(ThreadPool, RunsTasksOnItsWorkersAndReturnsResults) {
  thread_pool pool(2);
  EXPECT_EQ(pool.size(), 2u);
  std::vector<std::future<int>> results;
  for (int i = 0; i < 20; ++i) results.push_back(pool.push([i](int id) { return i * 10 + id; }));
  std::set<int> workers;
  for (int i = 0; i < 20; ++i) {
    const int r = results[i].get();
    EXPECT_EQ(r / 10, i);
    workers.insert(r % 10);
  }
  for (int id : workers) EXPECT_TRUE(id == 0 || id == 1) << id;
}

TEST(ThreadPool, ClearQueueDropsTasksNotYetStarted) {
  RunBounded("clear_queue", [] {
    thread_pool pool(2);
    Gate gate;
    Counter running;
    auto busy1 = pool.push([&](int) { running.Add(); gate.Wait(); });
    auto busy2 = pool.push([&](int) { running.Add(); gate.Wait(); });
    running.WaitFor(2);  // both workers are held
    std::atomic<bool> ran{false};
    auto dropped = pool.push([&](int) { ran = true; });
    EXPECT_EQ(pool.queued(), 1u);
    pool.clear_queue();
    EXPECT_EQ(pool.queued(), 0u);
    gate.Open();
    busy1.get();
    busy2.get();
    EXPECT_THROW(dropped.get(), std::future_error);
    pool.stop(true);
    EXPECT_FALSE(ran);
  });
}

TEST(ThreadPool, StopWaitingRunsQueuedTasksThenJoins) {
  thread_pool pool(2);
  std::atomic<int> ran{0};
  std::vector<std::future<void>> f;
  for (int i = 0; i < 50; ++i) f.push_back(pool.push([&](int) { ++ran; }));
  pool.stop(true);
  EXPECT_EQ(ran.load(), 50);
  EXPECT_EQ(pool.size(), 0u);
  pool.stop(true);  // again: harmless
  auto late = pool.push([](int) { return 1; });
  EXPECT_THROW(late.get(), std::future_error);
}

TEST(ThreadPool, StopWithoutWaitingDropsQueuedTasks) {
  RunBounded("stop without waiting", [] {
    thread_pool pool(1);
    Gate gate;
    Counter started;
    auto busy = pool.push([&](int) { started.Add(); gate.Wait(); });
    started.WaitFor(1);
    std::atomic<bool> ran{false};
    auto queued = pool.push([&](int) { ran = true; });
    std::thread stopper([&] { pool.stop(false); });
    // The worker is held, so only stop can empty the queue.
    while (pool.queued() != 0) std::this_thread::yield();
    gate.Open();
    stopper.join();
    busy.get();
    EXPECT_THROW(queued.get(), std::future_error);
    EXPECT_FALSE(ran);
  });
}

// ------------------------------------------------------------ frames per depth map

TEST(CalcFrameNumPerDepth, Table) {
  struct Case {
    uint32_t mode, sub, frames;
  } cases[] = {{1, 11, 2}, {0, 2, 1},  {0, 6, 8},  {2, 14, 3}, {8, 99, 1}, {7, 0, 1},  {3, 0, 1},
               {0, 3, 1},  {0, 9, 1},  {1, 4, 2},  {1, 5, 2},  {1, 10, 2}, {3, 12, 4}, {3, 13, 4},
               {3, 16, 4}, {3, 17, 4}, {2, 15, 3}, {0, 18, 0}, {1, 20, 0}, {5, 1, 0},  {4, 11, 0},
               {6, 2, 0},  {9, 1, 0},  {11, 11, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(algoCommon::CalcFrameNumPerDepth(static_cast<TofWorkMode>(c.mode),
                                               static_cast<TofFrameWorkMode>(c.sub)),
              c.frames)
        << c.mode << "/" << c.sub;
  }
}

TEST(CalcFrameNumPerDepth, UnsupportedWorkModeLogsError) {
  LogCapture log;
  EXPECT_EQ(algoCommon::CalcFrameNumPerDepth(HDR, SINGLE_FREQ_4PHASE), 0u);
  EXPECT_EQ(log.Count(spdlog::level::err, "unsupported work mode"), 1);
  EXPECT_EQ(algoCommon::CalcFrameNumPerDepth(SINGLE_FREQ, FRAME_BG_OUTDOOR), 0u);
  EXPECT_EQ(log.Count(spdlog::level::err, "unsupported work mode"), 1);
}

// ------------------------------------------------------------ stage loops

// Test stage bodies that behave like the drivers: pop the stage's input
// queue, treat a record without planes as "no data", write the stage's
// output plane from its input plane and push the record on.
struct TestStages {
  explicit TestStages(ImageBufferManager& m) : buffers(m) {}

  int Cali() {
    caliWaiting.Add();
    std::shared_ptr<ImageBuffer> in = buffers.WaitAndPop_raw();
    if (in->planes[PLANE_RAW].data == nullptr) {
      emptyRecords.fetch_add(1);
      return 0;
    }
    if (holdCali) {
      caliHeld.Add();
      holdGate.Wait();
    }
    std::shared_ptr<ImageBuffer> out;
    if (buffers.GetOutBufsVector(BUFFER_USE_WORK, out) != 0) return 4;
    const auto* raw = static_cast<const uint16_t*>(in->planes[PLANE_RAW].data);
    auto* depth = static_cast<uint16_t*>(out->planes[PLANE_DEPTH].data);
    for (size_t i = 0; i < kPixels; ++i) depth[i] = static_cast<uint16_t>(raw[i] + 1);
    out->seqId = in->seqId;
    out->inUse = 1;
    caliFrames.fetch_add(1);
    return buffers.WaitAndPush_cali(*out) ? 0 : 4;
  }

  int Pp() {
    ppWaiting.Add();
    std::shared_ptr<ImageBuffer> in = buffers.WaitAndPop_cali();
    if (in->planes[PLANE_DEPTH].data == nullptr) {
      emptyRecords.fetch_add(1);
      return 0;
    }
    std::shared_ptr<ImageBuffer> out;
    if (buffers.PpGetOutBufs(BUFFER_USE_WORK, out) != 0) return 4;
    const auto* depth = static_cast<const uint16_t*>(in->planes[PLANE_DEPTH].data);
    auto* gray = static_cast<uint16_t*>(out->planes[PLANE_GRAY].data);
    for (size_t i = 0; i < kPixels; ++i) gray[i] = static_cast<uint16_t>(depth[i] * 2);
    out->seqId = in->seqId;
    ppFrames.fetch_add(1);
    return buffers.WaitAndPush_ppOut(*out) ? 0 : 4;
  }

  void Register(algoCommon& common) {
    ASSERT_EQ(common.SetStageSteps([this] { return Cali(); }, [this] { return Pp(); }), STATUS_OK);
  }

  static constexpr size_t kPixels = 64 * 4;
  ImageBufferManager& buffers;
  Counter caliWaiting, ppWaiting, caliHeld;
  std::atomic<int> caliFrames{0}, ppFrames{0}, emptyRecords{0};
  bool holdCali = false;  // set before start
  Gate holdGate;
};

class AlgoCommonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FrameProfile p{};
    p.roi = {64, 4, 0, 0, 1, 1};
    ASSERT_EQ(buffers.AllocImageGroupBuffer(p, {SINGLE_FREQ, SINGLE_FREQ_4PHASE_GRAY}, 1), STATUS_OK);
  }
  ImageBufferManager buffers;
  TestStages stages{buffers};
};

TEST_F(AlgoCommonTest, ConstructionPrintsThreadCount) {
  testing::internal::CaptureStdout();
  { algoCommon common(&buffers); }
  EXPECT_NE(testing::internal::GetCapturedStdout().find("number of threads: 2\n"), std::string::npos);
}

TEST_F(AlgoCommonTest, FramesFlowThroughBothStagesInOrder) {
  RunBounded("pipeline run", [&] {
    algoCommon common(&buffers);
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    EXPECT_TRUE(common.IsStarted());
    std::shared_ptr<ImageBuffer> in, result;
    ASSERT_EQ(buffers.GetInBufsVector(BUFFER_USE_WORK, in), 0);
    for (uint32_t frame = 0; frame < 50; ++frame) {
      // Caller side, in lock-step: write one capture, wait for its result.
      auto* raw = static_cast<uint16_t*>(in->planes[PLANE_RAW].data);
      for (size_t i = 0; i < TestStages::kPixels; ++i) raw[i] = static_cast<uint16_t>(frame * 100 + i);
      in->seqId = frame;
      ASSERT_TRUE(buffers.WaitAndPush_raw(*in));
      result = buffers.WaitAndPop_ppOut();
      ASSERT_EQ(result->seqId, frame);
      const auto* gray = static_cast<const uint16_t*>(result->planes[PLANE_GRAY].data);
      for (size_t i = 0; i < TestStages::kPixels; ++i) {
        ASSERT_EQ(gray[i], static_cast<uint16_t>((frame * 100 + i + 1) * 2)) << frame << ":" << i;
      }
    }
    EXPECT_EQ(common.clear(), STATUS_OK);
    EXPECT_EQ(stages.caliFrames.load(), 50);
    EXPECT_EQ(stages.ppFrames.load(), 50);
  });
}

TEST_F(AlgoCommonTest, ClearEndsWorkersBlockedInBothQueues) {
  RunBounded("clear with both workers waiting", [&] {
    LogCapture log;
    algoCommon common(&buffers);
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    // Nothing in flight: correction waits on the raw queue, post-processing
    // on the correction queue.
    stages.caliWaiting.WaitFor(1);
    stages.ppWaiting.WaitFor(1);
    EXPECT_EQ(common.clear(), STATUS_OK);
    EXPECT_FALSE(common.IsStarted());
    EXPECT_FALSE(common.IsRunning());
    // Each worker took its wake-up record and ended; none takes a later one.
    EXPECT_EQ(stages.emptyRecords.load(), 2);
    EXPECT_EQ(buffers.RawQueue().Size(), 0u);
    EXPECT_EQ(buffers.CaliQueue().Size(), 0u);
    std::shared_ptr<ImageBuffer> in;
    ASSERT_EQ(buffers.GetInBufsVector(BUFFER_USE_WORK, in), 0);
    ASSERT_TRUE(buffers.WaitAndPush_raw(*in));
    EXPECT_EQ(stages.caliWaiting.Get(), 1);
    EXPECT_EQ(stages.ppWaiting.Get(), 1);
    EXPECT_EQ(buffers.RawQueue().Size(), 1u);
    EXPECT_EQ(log.Count(spdlog::level::warn, "clear_queue..."), 1);
    EXPECT_EQ(log.Count(spdlog::level::info, "algoCommon clear success"), 1);
    EXPECT_EQ(log.Count(spdlog::level::info, "open thread: ProcCaliAlgo"), 1);
    EXPECT_EQ(log.Count(spdlog::level::info, "open thread: ProcPpAlgo"), 1);
  });
}

TEST_F(AlgoCommonTest, ClearEndsAWorkerThatIsMidFrame) {
  RunBounded("clear while a frame is in flight", [&] {
    stages.holdCali = true;
    algoCommon common(&buffers);
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    std::shared_ptr<ImageBuffer> in;
    ASSERT_EQ(buffers.GetInBufsVector(BUFFER_USE_WORK, in), 0);
    ASSERT_TRUE(buffers.WaitAndPush_raw(*in));
    stages.caliHeld.WaitFor(1);
    stages.ppWaiting.WaitFor(1);
    // The correction worker now holds a frame at the gate. Stop while it does;
    // release the frame once the wake-up record is queued.
    std::thread stopper([&] { EXPECT_EQ(common.clear(), STATUS_OK); });
    while (buffers.RawQueue().Size() == 0) std::this_thread::yield();
    stages.holdGate.Open();
    stopper.join();
    EXPECT_FALSE(common.IsStarted());
    EXPECT_EQ(stages.caliFrames.load(), 1);
    // The correction worker saw the stop after its frame: it never took the
    // wake-up record.
    EXPECT_EQ(stages.caliWaiting.Get(), 1);
    EXPECT_EQ(buffers.RawQueue().Size(), 1u);
    // Records left behind still point at live planes (no worker remains,
    // so popping a non-empty queue cannot block).
    while (buffers.CaliQueue().Size() > 0) {
      std::shared_ptr<ImageBuffer> left = buffers.WaitAndPop_cali();
      if (left->planes[PLANE_DEPTH].data != nullptr) {
        const auto* depth = static_cast<const uint16_t*>(left->planes[PLANE_DEPTH].data);
        EXPECT_EQ(depth[0], static_cast<const uint16_t*>(in->planes[PLANE_RAW].data)[0] + 1);
      }
    }
  });
}

TEST_F(AlgoCommonTest, ClearTwiceThenStartReportsFailure) {
  RunBounded("clear twice", [&] {
    LogCapture log;
    algoCommon common(&buffers);
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    stages.caliWaiting.WaitFor(1);
    stages.ppWaiting.WaitFor(1);
    EXPECT_EQ(common.clear(), STATUS_OK);
    EXPECT_EQ(common.clear(), STATUS_OK);
    EXPECT_EQ(log.Count(spdlog::level::warn, "clear_queue..."), 1);
    EXPECT_EQ(common.startAlg(), STATUS_UNAVAILABLE);
    EXPECT_TRUE(log.Has(spdlog::level::err, "pipeline threads were stopped, the pipeline cannot start again"));
    EXPECT_FALSE(common.IsStarted());
    std::shared_ptr<ImageBuffer> in;
    ASSERT_EQ(buffers.GetInBufsVector(BUFFER_USE_WORK, in), 0);
    ASSERT_TRUE(buffers.WaitAndPush_raw(*in));
    EXPECT_EQ(buffers.RawQueue().Size(), 1u);  // nobody takes it
    EXPECT_EQ(stages.caliWaiting.Get(), 1);
  });
}

TEST_F(AlgoCommonTest, SecondStartSubmitsNoFurtherTasks) {
  RunBounded("second start", [&] {
    LogCapture log;
    algoCommon common(&buffers);
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    stages.caliWaiting.WaitFor(1);
    stages.ppWaiting.WaitFor(1);
    EXPECT_EQ(common.startAlg(), STATUS_OK);
    EXPECT_EQ(common.QueuedTasks(), 0u);
    EXPECT_TRUE(log.Has(spdlog::level::info, "open thread pool false"));
    EXPECT_TRUE(log.Has(spdlog::level::info, "open thread pool true"));
    EXPECT_EQ(common.clear(), STATUS_OK);
    EXPECT_EQ(log.Count(spdlog::level::info, "open thread: ProcCaliAlgo"), 1);
    EXPECT_EQ(log.Count(spdlog::level::info, "open thread: ProcPpAlgo"), 1);
  });
}

TEST_F(AlgoCommonTest, NoStagesMeansNoStart) {
  LogCapture log;
  algoCommon common(&buffers);
  EXPECT_EQ(common.startAlg(), STATUS_UNAVAILABLE);
  EXPECT_TRUE(log.Has(spdlog::level::err, "no stage steps set, the pipeline cannot start"));
  EXPECT_FALSE(common.IsStarted());
  EXPECT_EQ(common.SetStageSteps(nullptr, [] { return 0; }), STATUS_INVALID_ARGUMENT);
}

TEST_F(AlgoCommonTest, StepsCannotChangeWhileRunning) {
  RunBounded("steps while running", [&] {
    algoCommon common(&buffers);
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    EXPECT_EQ(common.SetStageSteps([] { return 1; }, [] { return 1; }), STATUS_BUSY);
    EXPECT_EQ(common.clear(), STATUS_OK);
  });
}

TEST_F(AlgoCommonTest, ClearBeforeStartKeepsTheWorkers) {
  RunBounded("clear before start", [&] {
    algoCommon common(&buffers);
    stages.Register(common);
    EXPECT_EQ(common.clear(), STATUS_OK);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    stages.caliWaiting.WaitFor(1);
    stages.ppWaiting.WaitFor(1);
    EXPECT_EQ(common.clear(), STATUS_OK);
  });
}

TEST_F(AlgoCommonTest, DestroyingARunningPipelineJoinsItsWorkers) {
  RunBounded("destroy while running", [&] {
    {
      algoCommon common(&buffers);
      stages.Register(common);
      ASSERT_EQ(common.startAlg(), STATUS_OK);
      stages.caliWaiting.WaitFor(1);
      stages.ppWaiting.WaitFor(1);
    }
    EXPECT_EQ(stages.emptyRecords.load(), 2);
  });
}

TEST_F(AlgoCommonTest, PathBuffersOutliveClear) {
  RunBounded("path buffers", [&] {
    algoCommon common(&buffers);
    ASSERT_NE(common.tofConfig.eepromPath, nullptr);
    ASSERT_NE(common.tofConfig.configDirCopy, nullptr);
    for (size_t i = 0; i < kConfigPathBytes; ++i) {
      ASSERT_EQ(common.tofConfig.eepromPath[i], 0) << i;
      ASSERT_EQ(common.tofConfig.configDirCopy[i], 0) << i;
    }
    const TofConfig driverCopy = common.tofConfig;  // what a stage driver keeps
    stages.Register(common);
    ASSERT_EQ(common.startAlg(), STATUS_OK);
    EXPECT_EQ(common.clear(), STATUS_OK);
    EXPECT_EQ(common.clear(), STATUS_OK);
    // Still the pipeline's memory (the sanitizer trees catch a freed one).
    std::memset(driverCopy.eepromPath, 'e', kConfigPathBytes - 1);
    std::strcpy(driverCopy.configDirCopy, "/etc/tof");
    EXPECT_EQ(std::strlen(common.tofConfig.eepromPath), kConfigPathBytes - 1);
    EXPECT_STREQ(common.tofConfig.configDirCopy, "/etc/tof");
  });
}

TEST(AlgoCommonInstance, CalibrationBlobReachesTheCorrectionStage) {
  unsigned char blob[] = {'C', 'A', 'L', 'I', '0', '3', '0', '0', 1, 2, 3};
  EXPECT_EQ(algoCommon::GetInstance()->setCaliData(blob, sizeof(blob)), 0u);
  blob[0] = 'X';  // the stage keeps its own copy
  const CaliAlgo* cali = CaliAlgo::GetInstance();
  ASSERT_EQ(cali->getCaliDataSize(), sizeof(blob));
  EXPECT_EQ(cali->getCaliData()[0], 'C');
  EXPECT_EQ(cali->getCaliData()[10], 3);
  EXPECT_EQ(algoCommon::GetInstance()->setCaliData(nullptr, 4), CaliAlgo::kSetCaliDataFailed);
}

TEST(AlgoCommonInstance, IsOneObjectUsingTheProcessWideBuffers) {
  algoCommon* a = algoCommon::GetInstance();
  EXPECT_EQ(a, algoCommon::GetInstance());
  EXPECT_EQ(a->Buffers(), ImageBufferManager::GetInstance());
  EXPECT_FALSE(a->IsStarted());
}

}  // namespace
