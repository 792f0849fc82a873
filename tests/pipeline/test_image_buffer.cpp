// Plane sizes and layout of the buffer pool, the buffer getters and the
// bounded queues.
#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <limits>
#include <memory>
#include <thread>

#include "image_buffer.h"
#include "log_capture.h"

namespace {

using namespace OrynSdk;
using pipeline_test::LogCapture;
using spdlog::level::debug;
using spdlog::level::err;
using spdlog::level::info;
using spdlog::level::warn;

FrameProfile Profile(uint16_t w, uint16_t h, BinningMode binning = BINNING_MODE_OFF) {
  FrameProfile p{};
  p.fps = 60;
  p.roi = {w, h, 0, 0, 1, 1};
  p.binningMode = binning;
  return p;
}

constexpr WorkModeConfig kDual{DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG};
constexpr WorkModeConfig kSingle{SINGLE_FREQ, SINGLE_FREQ_4PHASE_GRAY};

std::shared_ptr<ImageBuffer> InBuf(const ImageBufferManager& m) {
  std::shared_ptr<ImageBuffer> b;
  EXPECT_EQ(m.GetInBufsVector(BUFFER_USE_WORK, b), 0);
  return b;
}

uintptr_t Addr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// ------------------------------------------------------------ CalcFrameSize

TEST(CalcFrameSize, BytesPerFormat) {
  struct Case {
    uint32_t fmt;
    uint32_t bytes;
  } cases[] = {{2, 460800}, {4, 614400}, {8, 614400}, {16, 614400}, {32, 307200}, {64, 3686400}};
  for (const Case& c : cases) {
    EXPECT_EQ(ImageBufferManager::CalcFrameSize({640, 480}, static_cast<PixelFormat>(c.fmt)), c.bytes)
        << "format " << c.fmt;
  }
}

TEST(CalcFrameSize, UnsupportedFormatIsZeroWithErrorLine) {
  LogCapture log;
  for (uint32_t fmt : {0u, 1u, 3u, 12u, 128u}) {
    EXPECT_EQ(ImageBufferManager::CalcFrameSize({640, 480}, static_cast<PixelFormat>(fmt)), 0u) << fmt;
  }
  EXPECT_TRUE(log.Has(err, "Format:1 not supported yet!"));
  EXPECT_TRUE(log.Has(err, "Format:128 not supported yet!"));
}

TEST(CalcFrameSize, SaturatesInsteadOfWrapping) {
  // 65536 x 65536 x 12 wraps to 0 in 32 bits.
  EXPECT_EQ(ImageBufferManager::CalcFrameSize({65536, 65536}, PIXEL_FORMAT_POINT3F),
            std::numeric_limits<uint32_t>::max());
  EXPECT_EQ(ImageBufferManager::CalcFrameSize({65536, 65536}, PIXEL_FORMAT_UINT8),
            std::numeric_limits<uint32_t>::max());
  EXPECT_EQ(ImageBufferManager::CalcFrameSize({65535, 65535}, PIXEL_FORMAT_UINT8), 4294836225u);
}

// ------------------------------------------------------------ pool layout

TEST(ImageBufferPool, DualFrequencyVgaPlaneSizesAndLayout) {
  ImageBufferManager m;
  LogCapture log;
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kDual, 2), STATUS_OK);
  ASSERT_TRUE(m.IsAllocated());

  const uint32_t expected[PLANE_COUNT] = {6156800, 615680, 614400, 614400, 614400,
                                          307200,  307200, 3686400, 0,      0};
  const uintptr_t pool = Addr(m.PoolStart());
  ASSERT_NE(pool, 0u);
  EXPECT_EQ(pool % 128, 0u);

  // Every slot of both groups carries the same layout from its slot start.
  struct Slot {
    std::shared_ptr<ImageBuffer> buf;
    uintptr_t start;
    uint32_t group;
  };
  std::shared_ptr<ImageBuffer> in, out, ppIn, ppOut0, ppOut1;
  ASSERT_EQ(m.GetInBufsVector(BUFFER_USE_WORK, in), 0);
  ASSERT_EQ(m.GetOutBufsVector(BUFFER_USE_WORK, out), 0);
  ASSERT_EQ(m.PpGetInBufs(ppIn), 0);
  ASSERT_EQ(m.PpGetOutBufs(BUFFER_USE_WORK, ppOut0), 0);
  ASSERT_EQ(m.PpGetOutBufs(BUFFER_USE_OUTPUT, ppOut1), 0);
  const size_t slot = ImageBufferManager::kSlotBytes;
  const size_t group = ImageBufferManager::kGroupBytes;
  EXPECT_EQ(group, 51666432u);
  EXPECT_EQ(ImageBufferManager::kPoolBytes, 103332864u);
  const Slot slots[] = {{in, pool, 0},
                        {out, pool + slot, 0},
                        {ppIn, pool + 2 * slot, 0},
                        {ppOut0, pool + 3 * slot, 0},
                        {ppOut1, pool + group + 3 * slot, 1}};
  for (const Slot& s : slots) {
    ASSERT_TRUE(s.buf);
    const ImageBuffer& b = *s.buf;
    for (size_t i = 0; i < PLANE_COUNT; ++i) EXPECT_EQ(b.planes[i].size, expected[i]) << "plane " << i;
    uintptr_t cursor = s.start;
    for (PlaneIndex p : {PLANE_RAW, PLANE_DEPTH, PLANE_GRAY, PLANE_BG, PLANE_AMPLITUDE, PLANE_CONFIDENCE,
                         PLANE_FLAG, PLANE_POINT_CLOUD}) {
      EXPECT_EQ(Addr(b.planes[p].data), cursor) << "plane " << p;
      EXPECT_EQ(cursor % 128, 0u) << "plane " << p;
      cursor += b.planes[p].size;
    }
    EXPECT_EQ(Addr(b.planes[PLANE_TIMESTAMP].data), cursor);
    EXPECT_EQ(cursor + 8 - s.start, 12916488u);  // fits the slot
    EXPECT_EQ(b.planes[PLANE_REG_RGB].data, nullptr);
    EXPECT_EQ(b.bufId, s.group);
    EXPECT_EQ(b.inUse, 0u);
    EXPECT_EQ(b.numInputFrames, 2u);
    EXPECT_EQ(b.frameDetail.imageWidth, 640u);
    EXPECT_EQ(b.frameDetail.imageHeight, 2405u);  // 5 x (480 + 1)
    EXPECT_EQ(b.frameDetail.alignment, 64u);
    EXPECT_EQ(b.frameDetail.pixelFormat, 8u);
    EXPECT_EQ(b.frameDetail.addInfoLines, 1u);
    EXPECT_EQ(b.frameDetail.numPhases, 5u);
    EXPECT_EQ(b.frameDetail.numInputFrames, 2u);
  }
  EXPECT_EQ(m.GetCommSize(), 614400);

  EXPECT_TRUE(log.Has(info, "width:640, height:2405, phasesNum:5, addInfoLines:1, numInputFrames:2"));
  EXPECT_TRUE(log.Has(debug, "raw size:6156800, total size:6156800"));
  EXPECT_TRUE(log.Has(debug, "depth size:615680, total size:6772480"));
  EXPECT_TRUE(log.Has(debug, "confidence size:307200, total size:8922880"));
  EXPECT_TRUE(log.Has(debug, "point cloud size:3686400, total size:12916480"));
  EXPECT_TRUE(log.HasPrefix(info, "seq0 caliAlgoInputAddr:0x"));
  EXPECT_TRUE(log.HasPrefix(info, "seq1 caliAlgoInputAddr:0x"));
  EXPECT_TRUE(log.Has(info, "ImageBufferManager malloc success!"));

  // The pool is real memory: the last byte of the last slot is writable.
  auto* last = static_cast<uint8_t*>(ppOut1->planes[PLANE_POINT_CLOUD].data) + expected[PLANE_POINT_CLOUD] + 7;
  *last = 0x5a;
  EXPECT_EQ(*last, 0x5a);
}

TEST(ImageBufferPool, DestructionLogs) {
  LogCapture log;
  {
    ImageBufferManager m;
    ASSERT_EQ(m.AllocImageGroupBuffer(Profile(320, 240), kDual, 2), STATUS_OK);
  }
  EXPECT_EQ(log.Count(info, "~ImageBufferManager success!"), 1);
}

TEST(ImageBufferPool, SingleFrequencyRawPlane) {
  ImageBufferManager m;
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kSingle, 1), STATUS_OK);
  EXPECT_EQ(InBuf(m)->planes[PLANE_RAW].size, 3078400u);
  EXPECT_EQ(InBuf(m)->planes[PLANE_DEPTH].size, 615680u);
}

TEST(ImageBufferPool, PhasesAndBinningGeometry) {
  struct Case {
    uint32_t subWorkMode;
    BinningMode binning;
    uint32_t width, stackedHeight, phases;
  } cases[] = {
      {1, BINNING_MODE_OFF, 320, 4 * 241, 4},  {10, BINNING_MODE_OFF, 320, 4 * 241, 4},
      {3, BINNING_MODE_OFF, 320, 5 * 241, 5},  {8, BINNING_MODE_OFF, 320, 7 * 241, 7},
      {11, BINNING_MODE_2X2, 160, 5 * 121, 5}, {11, BINNING_MODE_2X1, 320, 5 * 121, 5},
      {11, BINNING_MODE_1X2, 160, 5 * 241, 5}, {11, BINNING_MODE_4X4, 320, 5 * 241, 5},
  };
  for (const Case& c : cases) {
    ImageBufferManager m;
    LogCapture log;
    ASSERT_EQ(m.AllocImageGroupBuffer(Profile(320, 240, c.binning),
                                      {DOUBLE_FREQ, static_cast<TofFrameWorkMode>(c.subWorkMode)}, 1),
              STATUS_OK)
        << c.subWorkMode << "/" << c.binning;
    const ImageBuffer& b = *InBuf(m);
    EXPECT_EQ(b.frameDetail.imageWidth, c.width);
    EXPECT_EQ(b.frameDetail.imageHeight, c.stackedHeight);
    EXPECT_EQ(b.frameDetail.numPhases, c.phases);
    const uint32_t imageHeight = c.stackedHeight / c.phases - 1;
    EXPECT_EQ(b.planes[PLANE_GRAY].size % 128, 0u);
    EXPECT_GE(b.planes[PLANE_GRAY].size, c.width * imageHeight * 2);
    EXPECT_LT(b.planes[PLANE_GRAY].size, c.width * imageHeight * 2 + 128);
    EXPECT_EQ(log.Has(info, "no binning mode"), c.binning == BINNING_MODE_OFF || c.binning == BINNING_MODE_4X4);
  }
}

TEST(ImageBufferPool, PlanesStayAlignedForOddSizes) {
  // 64 x 1 image: gray 128 bytes, half of it would be 64.
  ImageBufferManager m;
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(64, 1), kSingle, 1), STATUS_OK);
  const ImageBuffer& b = *InBuf(m);
  for (size_t i = 0; i < PLANE_COUNT; ++i) {
    EXPECT_EQ(b.planes[i].size % 128, 0u) << i;
    if (b.planes[i].data) {
      EXPECT_EQ(Addr(b.planes[i].data) % 128, 0u) << i;
    }
  }
  EXPECT_EQ(b.planes[PLANE_CONFIDENCE].size, 128u);
}

TEST(ImageBufferPool, SecondAllocationOnlyWarnsAndKeepsLayout) {
  ImageBufferManager m;
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kDual, 2), STATUS_OK);
  const ImageBuffer before = *InBuf(m);
  const void* pool = m.PoolStart();
  LogCapture log;
  EXPECT_EQ(m.AllocImageGroupBuffer(Profile(320, 240), kDual, 2), STATUS_OK);
  EXPECT_TRUE(log.Has(warn, "buffer already malloc, no need to malloc again!"));
  EXPECT_FALSE(log.Has(info, "ImageBufferManager malloc success!"));
  EXPECT_EQ(m.PoolStart(), pool);
  const ImageBuffer after = *InBuf(m);
  EXPECT_EQ(after.frameDetail.imageWidth, 640u);
  for (size_t i = 0; i < PLANE_COUNT; ++i) {
    EXPECT_EQ(after.planes[i].data, before.planes[i].data);
    EXPECT_EQ(after.planes[i].size, before.planes[i].size);
  }
}

TEST(ImageBufferPool, LaterConfigurationLargerThanCarvedPlanesFails) {
  ImageBufferManager m;
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kSingle, 1), STATUS_OK);  // raw 3,078,400
  EXPECT_EQ(m.CheckImageGroupFits(Profile(640, 480), kSingle, 1), STATUS_OK);
  EXPECT_EQ(m.CheckImageGroupFits(Profile(320, 240), kDual, 2), STATUS_OK);
  EXPECT_EQ(m.CheckImageGroupFits(Profile(640, 480), kDual, 2), STATUS_UNAVAILABLE);  // raw twice as big

  LogCapture log;
  EXPECT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kDual, 2), STATUS_UNAVAILABLE);
  EXPECT_TRUE(log.Has(err, "plane 0 needs 6156800 bytes but only 3078400 are allocated, configuration refused"));
  EXPECT_EQ(InBuf(m)->planes[PLANE_RAW].size, 3078400u);
  EXPECT_TRUE(m.IsAllocated());
}

TEST(ImageBufferPool, ProfileThatDoesNotFitASlotIsRefused) {
  struct Case {
    const char* what;
    FrameProfile profile;
    unsigned frames;
    const char* line;
  } cases[] = {
      {"three dual-frequency frames", Profile(640, 480), 3,
       "image planes need 15994888 bytes, more than one buffer slot of 12916608 bytes, buffers not allocated"},
      {"1280 x 960", Profile(1280, 960), 2, nullptr},
      {"largest ROI", Profile(65535, 65535), 8, nullptr},
      {"empty ROI", Profile(0, 0), 2, "empty image planes (raw size:0, gray size:0), buffers not allocated"},
      {"no input frames", Profile(640, 480), 0, nullptr},
  };
  for (const Case& c : cases) {
    ImageBufferManager m;
    LogCapture log;
    EXPECT_EQ(m.CheckImageGroupFits(c.profile, kDual, c.frames), STATUS_UNAVAILABLE) << c.what;
    EXPECT_EQ(m.AllocImageGroupBuffer(c.profile, kDual, c.frames), STATUS_UNAVAILABLE) << c.what;
    if (c.line) {
      EXPECT_TRUE(log.Has(err, c.line)) << c.what;
    }
    EXPECT_FALSE(log.Has(info, "ImageBufferManager malloc success!")) << c.what;
    EXPECT_FALSE(m.IsAllocated()) << c.what;
    EXPECT_EQ(m.PoolStart(), nullptr) << c.what;
    std::shared_ptr<ImageBuffer> b;
    EXPECT_EQ(m.GetInBufsVector(BUFFER_USE_WORK, b), 4);
    EXPECT_EQ(m.GetOutBufsVector(BUFFER_USE_WORK, b), 4);
    EXPECT_EQ(m.PpGetInBufs(b), 4);
    EXPECT_EQ(m.PpGetOutBufs(BUFFER_USE_WORK, b), 4);
    EXPECT_EQ(m.PpGetOutBufs(BUFFER_USE_OUTPUT, b), 4);
    EXPECT_EQ(b, nullptr);
    // A later profile that fits is still carved.
    EXPECT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kDual, 2), STATUS_OK) << c.what;
    EXPECT_TRUE(m.IsAllocated());
  }
}

TEST(ImageBufferPool, UnsupportedSubWorkModeCarvesNothing) {
  for (uint32_t sub : {0u, 4u, 6u, 12u, 18u}) {
    ImageBufferManager m;
    LogCapture log;
    EXPECT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), {DOUBLE_FREQ, static_cast<TofFrameWorkMode>(sub)}, 2),
              STATUS_INVALID_ARGUMENT);
    EXPECT_TRUE(log.Has(err, "upsupported subWorkmode")) << sub;
    EXPECT_FALSE(m.IsAllocated());
  }
}

TEST(ImageBufferGetters, UseTypes) {
  ImageBufferManager m;
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kDual, 2), STATUS_OK);
  std::shared_ptr<ImageBuffer> a, b;
  // The use type is not consulted by the first three getters: group 0.
  ASSERT_EQ(m.GetInBufsVector(BUFFER_USE_OUTPUT, a), 0);
  EXPECT_EQ(a->bufId, 0u);
  ASSERT_EQ(m.GetOutBufsVector(BUFFER_USE_OUTPUT, a), 0);
  EXPECT_EQ(a->bufId, 0u);
  ASSERT_EQ(m.PpGetOutBufs(BUFFER_USE_WORK, a), 0);
  ASSERT_EQ(m.PpGetOutBufs(BUFFER_USE_OUTPUT, b), 0);
  EXPECT_EQ(a->bufId, 0u);
  EXPECT_EQ(b->bufId, 1u);
  EXPECT_NE(a, b);

  LogCapture log;
  std::shared_ptr<ImageBuffer> untouched;
  EXPECT_EQ(m.PpGetOutBufs(static_cast<BufferUseType>(2), untouched), 4);
  EXPECT_EQ(untouched, nullptr);
  EXPECT_TRUE(log.Has(err, "unsupported bufType 2"));
}

TEST(ImageBufferGetters, WorkerSeesCompleteBuffersWhileTheCallerCarves) {
  // A worker asking for its buffer while the caller's thread carves the pool
  // either gets 4 or a finished buffer, never a half-built vector.
  ImageBufferManager m;
  LogCapture log;  // keeps the getters' error lines off the console
  std::thread worker([&] {
    std::shared_ptr<ImageBuffer> b;
    while (m.PpGetOutBufs(BUFFER_USE_OUTPUT, b) != 0) std::this_thread::yield();
    EXPECT_EQ(b->bufId, 1u);
    EXPECT_EQ(b->planes[PLANE_DEPTH].size, 615680u);
    EXPECT_NE(b->planes[PLANE_DEPTH].data, nullptr);
  });
  ASSERT_EQ(m.AllocImageGroupBuffer(Profile(640, 480), kDual, 2), STATUS_OK);
  worker.join();
}

// ------------------------------------------------------------ queues

TEST(BlockingQueue, FullQueueDropsAndKeepsItsEntries) {
  ImageBufferManager m;
  ImageBuffer rec{};
  for (uint32_t i = 0; i < 10; ++i) {
    rec.seqId = i;
    EXPECT_TRUE(m.WaitAndPush_cali(rec)) << i;
  }
  rec.seqId = 99;
  EXPECT_FALSE(m.WaitAndPush_cali(rec));
  EXPECT_EQ(m.CaliQueue().Size(), 10u);
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(m.WaitAndPop_cali()->seqId, i);
  EXPECT_EQ(m.CaliQueue().Size(), 0u);
  // Room again after popping.
  EXPECT_TRUE(m.WaitAndPush_cali(rec));
  EXPECT_EQ(m.WaitAndPop_cali()->seqId, 99u);
}

TEST(BlockingQueue, EntriesAreCopiesOfTheRecord) {
  ImageBufferManager m;
  ImageBuffer rec{};
  rec.seqId = 7;
  ASSERT_TRUE(m.WaitAndPush_raw(rec));
  rec.seqId = 8;  // changing the caller's record afterwards changes nothing queued
  auto popped = m.WaitAndPop_raw();
  ASSERT_TRUE(popped);
  EXPECT_EQ(popped->seqId, 7u);
}

TEST(BlockingQueue, QueuesAreIndependentWithCapacityTen) {
  ImageBufferManager m;
  EXPECT_EQ(m.RawQueue().Capacity(), 10u);
  EXPECT_EQ(m.CaliQueue().Capacity(), 10u);
  EXPECT_EQ(m.PpOutQueue().Capacity(), 10u);
  ImageBuffer rec{};
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(m.WaitAndPush_raw(rec));
  EXPECT_FALSE(m.WaitAndPush_raw(rec));
  EXPECT_TRUE(m.WaitAndPush_ppOut(rec));
  EXPECT_EQ(m.PpOutQueue().Size(), 1u);
  EXPECT_EQ(m.CaliQueue().Size(), 0u);
}

TEST(BlockingQueue, PopWaitsForAPushFromAnotherThread) {
  BlockingQueue<ImageBuffer> q(10);
  std::promise<void> waiting;
  auto consumer = std::async(std::launch::async, [&] {
    waiting.set_value();
    return q.Pop()->seqId;
  });
  waiting.get_future().wait();
  // Nothing was pushed: the consumer cannot have returned.
  EXPECT_EQ(consumer.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  ImageBuffer rec{};
  rec.seqId = 42;
  std::thread producer([&] { EXPECT_TRUE(q.Push(rec)); });
  EXPECT_EQ(consumer.get(), 42u);
  producer.join();
}

TEST(BlockingQueue, ManyRecordsAcrossThreadsArriveInOrder) {
  BlockingQueue<ImageBuffer> q(10);
  constexpr uint32_t kCount = 2000;
  std::thread producer([&] {
    ImageBuffer rec{};
    for (uint32_t i = 0; i < kCount;) {
      rec.seqId = i;
      if (q.Push(rec)) ++i;  // full: the record is dropped, send it again
      else std::this_thread::yield();
    }
  });
  for (uint32_t i = 0; i < kCount; ++i) ASSERT_EQ(q.Pop()->seqId, i);
  producer.join();
}

}  // namespace
