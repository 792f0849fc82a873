// Image memory of the pipeline and the three queues that connect its stages.
//
// One pool of kPoolBytes, aligned to 128 bytes, is carved at the first
// configuration into two groups of four slots (raw input, correction output,
// post-processing input, post-processing output). Each slot carries the
// planes of one ImageBuffer, laid out back to back in plane order. Queues
// carry copies of ImageBuffer records, never pixels: every queued record of
// a kind points at the same planes.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "algo_config.h"

namespace OrynSdk {

/// One plane: where its bytes are and how many.
struct OutputImage {
  void* data;
  uint32_t size;
};

/// Bytes per sample as the pipeline sizes planes (see CalcFrameSize).
enum PixelFormat : uint32_t {
  PIXEL_FORMAT_NV12 = 2,       // 1.5 bytes per pixel
  PIXEL_FORMAT_RAW10 = 4,      // 10-bit samples in 16-bit words
  PIXEL_FORMAT_RAW12 = 8,      // 12-bit samples in 16-bit words (the raw plane)
  PIXEL_FORMAT_UINT16 = 16,    // depth, gray, background, amplitude
  PIXEL_FORMAT_UINT8 = 32,     // confidence, flag
  PIXEL_FORMAT_POINT3F = 64,   // x, y, z as float32
};

struct FrameResolution {
  uint32_t width;
  uint32_t height;
};

/// Geometry of a raw plane. imageHeight stacks all phase images of one
/// capture, add-info lines included.
struct FrameDetail {
  uint32_t imageWidth;
  uint32_t imageHeight;
  uint32_t alignment;       // set to 64 by the allocator; read by nobody
  uint32_t pixelFormat;     // PixelFormat of the raw samples
  uint16_t addInfoLines;
  uint16_t numPhases;
  uint32_t numInputFrames;
};

/// Plane indexes of ImageBuffer::planes.
enum PlaneIndex : uint32_t {
  PLANE_RAW = 0,
  PLANE_DEPTH = 1,       // depth values plus one trailer line (DepthParam)
  PLANE_GRAY = 2,
  PLANE_BG = 3,
  PLANE_AMPLITUDE = 4,
  PLANE_CONFIDENCE = 5,
  PLANE_FLAG = 6,
  PLANE_POINT_CLOUD = 7,
  PLANE_REG_RGB = 8,     // never allocated: null, size 0
  PLANE_TIMESTAMP = 9,   // 8 bytes after the point cloud, size field 0
  PLANE_COUNT = 10,
};

/// The record the queues carry (by value).
struct ImageBuffer {
  uint32_t numInputFrames;
  FrameDetail frameDetail;
  OutputImage planes[PLANE_COUNT];
  uint32_t bufId;    // group index, 0 or 1
  uint32_t seqId;    // capture counter
  uint32_t depthId;
  uint32_t inUse;    // 1 while a stage holds the content
};

/// Buffer group: 0 the working group, 1 the group whose post-processing slot
/// holds the caller's copy of the result.
enum BufferUseType : uint32_t {
  BUFFER_USE_WORK = 0,
  BUFFER_USE_OUTPUT = 1,
};

/// Bounded queue whose Push never waits (it drops when full) and whose Pop
/// waits without time-out.
template <typename T>
class BlockingQueue {
 public:
  explicit BlockingQueue(size_t capacity) : capacity_(capacity) {}

  /// Appends a copy of item; false at once when the queue is full.
  bool Push(T item) {
    auto entry = std::make_shared<T>(item);
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.size() >= capacity_) {
      return false;
    }
    queue_.push_back(std::move(entry));
    notEmpty_.notify_one();
    return true;
  }

  /// Removes and returns the front entry, waiting until there is one.
  std::shared_ptr<T> Pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    notEmpty_.wait(lock, [this] { return !queue_.empty(); });
    std::shared_ptr<T> entry = std::move(queue_.front());
    queue_.pop_front();
    notFull_.notify_one();
    return entry;
  }

  size_t Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }

  size_t Capacity() const { return capacity_; }

 private:
  mutable std::mutex mutex_;
  std::deque<std::shared_ptr<T>> queue_;
  size_t capacity_;
  std::condition_variable notEmpty_;
  std::condition_variable notFull_;
};

/// Owner of all image memory of the pipeline and of its three queues.
class ImageBufferManager {
 public:
  static constexpr size_t kQueueCapacity = 10;
  static constexpr size_t kPlaneAlign = 128;
  static constexpr size_t kSlotBytes = 12916608;                // fits 640 x 480, dual frequency
  static constexpr size_t kSlotsPerGroup = 4;                   // in, out, ppIn, ppOut
  static constexpr size_t kGroupBytes = kSlotsPerGroup * kSlotBytes;  // 51,666,432
  static constexpr size_t kGroupCount = 2;
  static constexpr size_t kPoolBytes = kGroupCount * kGroupBytes;     // 103,332,864
  static constexpr size_t kTimestampBytes = 8;

  /// Byte sizes of the planes of one slot, in ImageBuffer::planes order.
  using PlaneSizes = std::array<uint64_t, PLANE_COUNT>;

  /// The process-wide manager (created on first use, destroyed at exit).
  static ImageBufferManager* GetInstance();

  /// An empty manager: queues exist, nothing is carved. Tests may build their
  /// own; the pipeline uses GetInstance().
  ImageBufferManager();
  ~ImageBufferManager();
  ImageBufferManager(const ImageBufferManager&) = delete;
  ImageBufferManager& operator=(const ImageBufferManager&) = delete;

  /// Carves the pool for this profile at the first call. A profile whose
  /// planes do not fit one slot (or that has no image) is refused and nothing
  /// is carved (STATUS_UNAVAILABLE). Once carved, the layout never changes:
  /// a later call only warns, and fails with STATUS_UNAVAILABLE when the new
  /// profile's planes are larger than the carved ones. An unsupported
  /// subWorkMode gives STATUS_INVALID_ARGUMENT.
  Status AllocImageGroupBuffer(FrameProfile profile, WorkModeConfig mode, unsigned numInputFrames);

  /// Whether AllocImageGroupBuffer would accept this configuration, without
  /// carving or logging the layout: STATUS_OK when it fits one slot (before
  /// carving) or the carved planes (after), else the failure code that
  /// AllocImageGroupBuffer would return. Lets a configuration be refused
  /// before the stages are re-initialised for it.
  Status CheckImageGroupFits(const FrameProfile& profile, const WorkModeConfig& mode,
                             unsigned numInputFrames) const;

  /// Bytes of one plane of res pixels in format fmt; 0 (and an error line)
  /// for a format outside the table. Saturates at UINT32_MAX instead of
  /// wrapping.
  static uint32_t CalcFrameSize(FrameResolution res, PixelFormat fmt);

  /// Buffer getters: 0 and the buffer, or STATUS_UNAVAILABLE (4) while
  /// nothing is carved. The first three always hand out group 0.
  int GetInBufsVector(BufferUseType use, std::shared_ptr<ImageBuffer>& out) const;
  int GetOutBufsVector(BufferUseType use, std::shared_ptr<ImageBuffer>& out) const;
  int PpGetInBufs(std::shared_ptr<ImageBuffer>& out) const;
  /// Entry use (0 or 1) of the post-processing output buffers; 4 with an
  /// error line for any other use.
  int PpGetOutBufs(BufferUseType use, std::shared_ptr<ImageBuffer>& out) const;

  /// Push never waits: false when the queue holds kQueueCapacity records.
  bool WaitAndPush_raw(ImageBuffer buf);
  bool WaitAndPush_cali(ImageBuffer buf);
  bool WaitAndPush_ppOut(ImageBuffer buf);
  /// Pop waits until a record arrives.
  std::shared_ptr<ImageBuffer> WaitAndPop_raw();
  std::shared_ptr<ImageBuffer> WaitAndPop_cali();
  std::shared_ptr<ImageBuffer> WaitAndPop_ppOut();

  BlockingQueue<ImageBuffer>& RawQueue() { return *rawQueue; }
  BlockingQueue<ImageBuffer>& CaliQueue() { return *caliQueue; }
  BlockingQueue<ImageBuffer>& PpOutQueue() { return *ppOutQueue; }

  void SetCommSize(int size);
  int GetCommSize() const;
  bool IsAllocated() const { return allocated.load(std::memory_order_acquire); }
  /// Start of the pool; null until carved.
  const void* PoolStart() const { return startAddr; }

 private:
  struct PoolOutlivesManager {};
  explicit ImageBufferManager(PoolOutlivesManager);

  struct Layout {
    uint32_t width;
    uint32_t stackedHeight;
    uint16_t numPhases;
    uint16_t addInfoLines;
    uint32_t numInputFrames;
    PlaneSizes sizes;
    uint64_t slotBytes;  // all planes plus the timestamp
  };

  // Fills out from the configuration; false for an unsupported subWorkMode.
  // quiet suppresses the log lines (used by CheckImageGroupFits).
  static bool ComputeLayout(const FrameProfile& profile, const WorkModeConfig& mode,
                            unsigned numInputFrames, bool quiet, Layout& out);
  Status CheckLayout(const Layout& layout, bool quiet) const;
  void CarveGroup(uint32_t group, const Layout& layout);

  std::vector<std::shared_ptr<OutputImage>> rawVector;
  std::vector<std::shared_ptr<OutputImage>> sensorVector;
  std::vector<std::shared_ptr<ImageBuffer>> inBufs;
  std::vector<std::shared_ptr<ImageBuffer>> outBufs;
  std::vector<std::shared_ptr<ImageBuffer>> ppInBufs;
  std::vector<std::shared_ptr<ImageBuffer>> ppOutBufs;
  std::shared_ptr<BlockingQueue<ImageBuffer>> rawQueue;
  std::shared_ptr<BlockingQueue<ImageBuffer>> caliQueue;
  std::shared_ptr<BlockingQueue<ImageBuffer>> ppOutQueue;
  std::atomic<int> commSize;
  // Set (release) only after the vectors are filled; getters test it first,
  // so workers never see the vectors while they are being written.
  std::atomic<bool> allocated;

  mutable std::mutex allocMutex;  // serialises carving and fit checks
  PlaneSizes carvedSizes{};       // plane sizes of the carved layout
  void* startAddr = nullptr;      // pool start; freed with a manager built by a test
  bool keepPool = false;          // the process-wide manager never unmaps its pool
};

}  // namespace OrynSdk
