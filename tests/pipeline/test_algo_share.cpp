// Hand-over of the depth metadata between the two stage threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "algo_share.h"

namespace {

using OrynSdk::AlgoShare;
using OrynSdk::DepthParam;

DepthParam Sample(uint64_t ts) {
  DepthParam p{};
  p.modFreqMHZ[0] = 120.0f;
  p.modFreqMHZ[1] = 20.0f;
  p.outDepthValueType = 1;
  p.unitOfDepth = 0.25f;
  for (int i = 0; i < 5; ++i) p.lensParas[i] = static_cast<float>(ts % 1000) + i;
  p.timestampMs = ts;
  return p;
}

TEST(DepthParam, WireLayout) {
  DepthParam p = Sample(0x1122334455667788ull);
  unsigned char bytes[56];
  static_assert(sizeof(p) == sizeof(bytes), "56 bytes");
  std::memcpy(bytes, &p, sizeof(bytes));
  float f;
  std::memcpy(&f, bytes + 4, 4);
  EXPECT_EQ(f, 20.0f);
  std::memcpy(&f, bytes + 20, 4);
  EXPECT_EQ(f, 0.25f);
  EXPECT_EQ(bytes[48], 0x88);  // little-endian timestamp at byte 48
  EXPECT_EQ(bytes[55], 0x11);
  for (int i = 44; i < 48; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(AlgoShare, SetReportsUnchangedValues) {
  AlgoShare share;
  DepthParam out = Sample(5);
  EXPECT_EQ(share.GetDepthParam(out), 0);
  const DepthParam zero{};
  EXPECT_EQ(std::memcmp(&out, &zero, sizeof(out)), 0);  // zero at construction
  EXPECT_EQ(share.SetDepthParam(zero), 3);

  const DepthParam a = Sample(1000);
  EXPECT_EQ(share.SetDepthParam(a), 0);
  EXPECT_EQ(share.SetDepthParam(a), 3);
  DepthParam b = a;
  b.timestampMs += 1;
  EXPECT_EQ(share.SetDepthParam(b), 0);
  EXPECT_EQ(share.GetDepthParam(out), 0);
  EXPECT_EQ(out.timestampMs, 1001u);
  EXPECT_EQ(std::memcmp(&out, &b, sizeof(out)), 0);
}

TEST(AlgoShare, OpenclBufferAndSingleton) {
  AlgoShare* s = AlgoShare::GetInstance();
  EXPECT_EQ(s, AlgoShare::GetInstance());
  EXPECT_EQ(s->GetOpenclBuf(), nullptr);
  int marker = 0;
  s->SetOpenclBuf(&marker);
  EXPECT_EQ(s->GetOpenclBuf(), &marker);
  s->SetOpenclBuf(nullptr);
}

TEST(AlgoShare, ReaderNeverSeesAHalfWrittenValue) {
  AlgoShare share;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (uint64_t ts = 1; ts <= 20000; ++ts) share.SetDepthParam(Sample(ts));
    stop = true;
  });
  uint64_t last = 0;
  while (!stop.load()) {
    DepthParam p;
    share.GetDepthParam(p);
    if (p.timestampMs == 0) continue;
    const DepthParam expected = Sample(p.timestampMs);
    ASSERT_EQ(std::memcmp(&p, &expected, sizeof(p)), 0) << p.timestampMs;
    ASSERT_GE(p.timestampMs, last);
    last = p.timestampMs;
  }
  writer.join();
}

}  // namespace
