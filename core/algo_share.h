// Hand-over of the latest depth metadata from the correction stage to the
// post-processing stage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace OrynSdk {

/// Metadata line that follows the depth values in every depth plane.
/// Little-endian, 56 bytes, no padding (compared byte for byte).
struct DepthParam {
  float modFreqMHZ[4];         // modulation frequencies in MHz, unused slots 0
  uint32_t outDepthValueType;  // DEPTH_VALUE_TYPE of the correction library
  float unitOfDepth;           // millimetres per depth unit
  float lensParas[5];          // focal length x, y, centre x, y, zoom
  uint32_t reserved;           // always 0
  uint64_t timestampMs;        // capture time in milliseconds
};
static_assert(sizeof(DepthParam) == 56, "DepthParam is a 56-byte wire record");
static_assert(offsetof(DepthParam, outDepthValueType) == 16, "DepthParam layout");
static_assert(offsetof(DepthParam, lensParas) == 24, "DepthParam layout");
static_assert(offsetof(DepthParam, timestampMs) == 48, "DepthParam layout");

/// Process-wide meeting point of the two stage threads. The correction
/// thread publishes, the post-processing thread reads; both under one mutex.
class AlgoShare {
 public:
  /// Result of SetDepthParam when the value equals the stored one.
  static constexpr int kUnchanged = 3;

  static AlgoShare* GetInstance();

  AlgoShare();
  AlgoShare(const AlgoShare&) = delete;
  AlgoShare& operator=(const AlgoShare&) = delete;

  /// Stores param and returns 0, or returns kUnchanged (3) and changes
  /// nothing when it equals the stored value byte for byte.
  int SetDepthParam(const DepthParam& param);
  /// Copy of the stored value; 0.
  int GetDepthParam(DepthParam& out) const;

  void SetOpenclBuf(void* buf);
  void* GetOpenclBuf() const;

 private:
  DepthParam depthParam;
  void* openclBuf;
  mutable std::mutex mutex;
};

}  // namespace OrynSdk
