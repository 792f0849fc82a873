#include "image_buffer.h"

#include <sys/mman.h>

#include <cinttypes>
#include <cstring>
#include <limits>

#include "log_wrapper.h"

namespace OrynSdk {

namespace {

constexpr uint64_t AlignUp(uint64_t bytes, uint64_t align) { return (bytes + align - 1) / align * align; }

// Plane bytes in 64-bit arithmetic: never wraps for any 32-bit width and
// height. 0 for a format outside the table.
uint64_t PlaneBytes(uint64_t width, uint64_t height, uint32_t fmt) {
  const uint64_t n = width * height;
  switch (fmt) {
    case PIXEL_FORMAT_NV12:
      return n * 3 / 2;
    case PIXEL_FORMAT_RAW10:
    case PIXEL_FORMAT_RAW12:
    case PIXEL_FORMAT_UINT16:
      return n * 2;
    case PIXEL_FORMAT_UINT8:
      return n;
    case PIXEL_FORMAT_POINT3F:
      return n * 12;
    default:
      return 0;
  }
}

// Phase images per raw frame for a sub-frame sequence; 0 when unsupported.
uint16_t PhasesPerFrame(uint32_t subWorkMode) {
  switch (subWorkMode) {
    case 1:
    case 10:
      return 4;
    case 2:
    case 3:
    case 11:
      return 5;
    case 7:
    case 8:
    case 9:
      return 7;
    default:
      return 0;
  }
}

}  // namespace

ImageBufferManager* ImageBufferManager::GetInstance() {
  static ImageBufferManager impl(PoolOutlivesManager{});
  return &impl;
}

ImageBufferManager::ImageBufferManager()
    : rawQueue(std::make_shared<BlockingQueue<ImageBuffer>>(kQueueCapacity)),
      caliQueue(std::make_shared<BlockingQueue<ImageBuffer>>(kQueueCapacity)),
      ppOutQueue(std::make_shared<BlockingQueue<ImageBuffer>>(kQueueCapacity)),
      commSize(0),
      allocated(false) {
  rawVector.reserve(kGroupCount);
  sensorVector.reserve(kGroupCount);
  inBufs.reserve(kGroupCount);
  outBufs.reserve(kGroupCount);
  ppInBufs.reserve(kGroupCount);
  ppOutBufs.reserve(kGroupCount);
}

ImageBufferManager::ImageBufferManager(PoolOutlivesManager) : ImageBufferManager() {
  keepPool = true;
}

ImageBufferManager::~ImageBufferManager() {
  ORYN_LOG_INFO("~ImageBufferManager success!");
  rawQueue.reset();
  caliQueue.reset();
  ppOutQueue.reset();
  inBufs.clear();
  outBufs.clear();
  ppInBufs.clear();
  ppOutBufs.clear();
  rawVector.clear();
  sensorVector.clear();
  // The process-wide pool stays mapped until the process ends: records
  // copied out of it (a caller's result buffer, a queued entry) may still be
  // read by other static objects during exit.
  if (startAddr != nullptr && !keepPool) {
    munmap(startAddr, kPoolBytes);
  }
}

uint32_t ImageBufferManager::CalcFrameSize(FrameResolution res, PixelFormat fmt) {
  switch (fmt) {
    case PIXEL_FORMAT_NV12:
    case PIXEL_FORMAT_RAW10:
    case PIXEL_FORMAT_RAW12:
    case PIXEL_FORMAT_UINT16:
    case PIXEL_FORMAT_UINT8:
    case PIXEL_FORMAT_POINT3F:
      break;
    default:
      ORYN_LOG_ERROR("Format:{} not supported yet!", static_cast<uint32_t>(fmt));
      return 0;
  }
  const uint64_t bytes = PlaneBytes(res.width, res.height, fmt);
  if (bytes > std::numeric_limits<uint32_t>::max()) {
    return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(bytes);
}

bool ImageBufferManager::ComputeLayout(const FrameProfile& profile, const WorkModeConfig& mode,
                                       unsigned numInputFrames, bool quiet, Layout& out) {
  const uint16_t phases = PhasesPerFrame(static_cast<uint32_t>(mode.subWorkMode));
  if (phases == 0) {
    if (!quiet) ORYN_LOG_ERROR("upsupported subWorkmode");
    return false;
  }
  const uint16_t addInfoLines = 1;
  uint32_t width = profile.roi.xSize;
  const uint32_t height = profile.roi.ySize;
  uint32_t stacked = 0;
  switch (static_cast<uint32_t>(profile.binningMode)) {
    case 3:
      width /= 2;
      stacked = phases * (height / 2 + addInfoLines);
      break;
    case 1:
      stacked = phases * (height / 2 + addInfoLines);
      break;
    case 2:
      width /= 2;
      stacked = phases * (height + addInfoLines);
      break;
    default:
      if (!quiet) ORYN_LOG_INFO("no binning mode");
      stacked = phases * (height + addInfoLines);
      break;
  }
  if (!quiet) {
    ORYN_LOG_INFO("width:{}, height:{}, phasesNum:{}, addInfoLines:{}, numInputFrames:{}", width, stacked,
                  phases, addInfoLines, numInputFrames);
  }

  const uint64_t phaseHeight = stacked / phases;
  const uint64_t imageHeight = phaseHeight - addInfoLines;
  PlaneSizes& s = out.sizes;
  s.fill(0);
  s[PLANE_RAW] = uint64_t{numInputFrames} * AlignUp(PlaneBytes(width, stacked, PIXEL_FORMAT_RAW12), kPlaneAlign);
  // One line more than the image: the DepthParam trailer.
  s[PLANE_DEPTH] = AlignUp(PlaneBytes(width, phaseHeight, PIXEL_FORMAT_UINT16), kPlaneAlign);
  s[PLANE_GRAY] = AlignUp(PlaneBytes(width, imageHeight, PIXEL_FORMAT_UINT16), kPlaneAlign);
  s[PLANE_BG] = s[PLANE_GRAY];
  s[PLANE_AMPLITUDE] = s[PLANE_GRAY];
  // Half the gray plane, kept on the 128-byte grid so every later plane
  // starts aligned.
  s[PLANE_CONFIDENCE] = AlignUp(s[PLANE_GRAY] / 2, kPlaneAlign);
  s[PLANE_FLAG] = s[PLANE_CONFIDENCE];
  s[PLANE_POINT_CLOUD] = AlignUp(PlaneBytes(width, imageHeight, PIXEL_FORMAT_POINT3F), kPlaneAlign);

  uint64_t total = kTimestampBytes;
  for (uint64_t bytes : s) total += bytes;

  out.width = width;
  out.stackedHeight = stacked;
  out.numPhases = phases;
  out.addInfoLines = addInfoLines;
  out.numInputFrames = numInputFrames;
  out.slotBytes = total;
  return true;
}

Status ImageBufferManager::CheckLayout(const Layout& layout, bool quiet) const {
  const PlaneSizes& s = layout.sizes;
  if (allocated.load(std::memory_order_acquire)) {
    for (size_t i = 0; i < PLANE_COUNT; ++i) {
      if (s[i] > carvedSizes[i]) {
        if (!quiet) {
          ORYN_LOG_ERROR("plane {} needs {} bytes but only {} are allocated, configuration refused", i, s[i],
                         carvedSizes[i]);
        }
        return STATUS_UNAVAILABLE;
      }
    }
    return STATUS_OK;
  }
  if (s[PLANE_RAW] == 0 || s[PLANE_GRAY] == 0) {
    if (!quiet) {
      ORYN_LOG_ERROR("empty image planes (raw size:{}, gray size:{}), buffers not allocated", s[PLANE_RAW],
                     s[PLANE_GRAY]);
    }
    return STATUS_UNAVAILABLE;
  }
  if (layout.slotBytes > kSlotBytes) {
    if (!quiet) {
      ORYN_LOG_ERROR("image planes need {} bytes, more than one buffer slot of {} bytes, buffers not allocated",
                     layout.slotBytes, kSlotBytes);
    }
    return STATUS_UNAVAILABLE;
  }
  return STATUS_OK;
}

Status ImageBufferManager::CheckImageGroupFits(const FrameProfile& profile, const WorkModeConfig& mode,
                                               unsigned numInputFrames) const {
  Layout layout{};
  if (!ComputeLayout(profile, mode, numInputFrames, true, layout)) {
    return STATUS_INVALID_ARGUMENT;
  }
  std::lock_guard<std::mutex> lock(allocMutex);
  return CheckLayout(layout, true);
}

Status ImageBufferManager::AllocImageGroupBuffer(FrameProfile profile, WorkModeConfig mode,
                                                 unsigned numInputFrames) {
  Layout layout{};
  if (!ComputeLayout(profile, mode, numInputFrames, false, layout)) {
    return STATUS_INVALID_ARGUMENT;
  }
  std::lock_guard<std::mutex> lock(allocMutex);
  if (allocated.load(std::memory_order_acquire)) {
    ORYN_LOG_WARN("buffer already malloc, no need to malloc again!");
    return CheckLayout(layout, false);
  }
  const Status fits = CheckLayout(layout, false);
  if (fits != STATUS_OK) {
    return fits;
  }

  // Anonymous mapping: page aligned (beyond the 128 bytes every plane
  // needs) and zero filled.
  void* pool = mmap(nullptr, kPoolBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pool == MAP_FAILED) {
    ORYN_LOG_ERROR("failed to allocate {} bytes of image buffers", kPoolBytes);
    return STATUS_UNAVAILABLE;
  }
  startAddr = pool;

  const PlaneSizes& s = layout.sizes;
  uint64_t total = 0;
  total += s[PLANE_RAW];
  ORYN_LOG_DEBUG("raw size:{}, total size:{}", s[PLANE_RAW], total);
  total += s[PLANE_DEPTH];
  ORYN_LOG_DEBUG("depth size:{}, total size:{}", s[PLANE_DEPTH], total);
  total += s[PLANE_GRAY];
  ORYN_LOG_DEBUG("gray size:{}, total size:{}", s[PLANE_GRAY], total);
  total += s[PLANE_BG];
  ORYN_LOG_DEBUG("bg size:{}, total size:{}", s[PLANE_BG], total);
  total += s[PLANE_AMPLITUDE];
  ORYN_LOG_DEBUG("amp size:{}, total size:{}", s[PLANE_AMPLITUDE], total);
  total += s[PLANE_CONFIDENCE];
  ORYN_LOG_DEBUG("confidence size:{}, total size:{}", s[PLANE_CONFIDENCE], total);
  total += s[PLANE_FLAG] + s[PLANE_POINT_CLOUD];
  ORYN_LOG_DEBUG("point cloud size:{}, total size:{}", s[PLANE_POINT_CLOUD], total);
  SetCommSize(static_cast<int>(s[PLANE_GRAY]));

  for (uint32_t g = 0; g < kGroupCount; ++g) {
    CarveGroup(g, layout);
  }
  carvedSizes = s;
  allocated.store(true, std::memory_order_release);
  ORYN_LOG_INFO("ImageBufferManager malloc success!");
  return STATUS_OK;
}

void ImageBufferManager::CarveGroup(uint32_t group, const Layout& layout) {
  static constexpr PlaneIndex kPlaneOrder[] = {PLANE_RAW,        PLANE_DEPTH, PLANE_GRAY,
                                               PLANE_BG,         PLANE_AMPLITUDE,
                                               PLANE_CONFIDENCE, PLANE_FLAG,  PLANE_POINT_CLOUD};
  const FrameDetail detail{layout.width,        layout.stackedHeight, 64,
                           PIXEL_FORMAT_RAW12, layout.addInfoLines,  layout.numPhases,
                           layout.numInputFrames};
  std::vector<std::shared_ptr<ImageBuffer>>* slots[kSlotsPerGroup] = {&inBufs, &outBufs, &ppInBufs, &ppOutBufs};
  uint8_t* groupStart = static_cast<uint8_t*>(startAddr) + group * kGroupBytes;
  for (size_t slot = 0; slot < kSlotsPerGroup; ++slot) {
    uint8_t* cursor = groupStart + slot * kSlotBytes;
    auto buf = std::make_shared<ImageBuffer>();
    for (PlaneIndex plane : kPlaneOrder) {
      buf->planes[plane].data = cursor;
      buf->planes[plane].size = static_cast<uint32_t>(layout.sizes[plane]);
      cursor += layout.sizes[plane];
    }
    buf->planes[PLANE_TIMESTAMP].data = cursor;
    buf->planes[PLANE_TIMESTAMP].size = 0;
    buf->numInputFrames = layout.numInputFrames;
    buf->frameDetail = detail;
    buf->bufId = group;
    buf->inUse = 0;
    slots[slot]->push_back(std::move(buf));
  }
  ORYN_LOG_INFO("seq{} caliAlgoInputAddr:0x{:08x}", group,
                reinterpret_cast<uintptr_t>(inBufs[group]->planes[PLANE_RAW].data));
}

int ImageBufferManager::GetInBufsVector(BufferUseType, std::shared_ptr<ImageBuffer>& out) const {
  if (!IsAllocated()) {
    ORYN_LOG_ERROR("image buffers are not allocated");
    return STATUS_UNAVAILABLE;
  }
  out = inBufs[0];
  return STATUS_OK;
}

int ImageBufferManager::GetOutBufsVector(BufferUseType, std::shared_ptr<ImageBuffer>& out) const {
  if (!IsAllocated()) {
    ORYN_LOG_ERROR("image buffers are not allocated");
    return STATUS_UNAVAILABLE;
  }
  out = outBufs[0];
  return STATUS_OK;
}

int ImageBufferManager::PpGetInBufs(std::shared_ptr<ImageBuffer>& out) const {
  if (!IsAllocated()) {
    ORYN_LOG_ERROR("image buffers are not allocated");
    return STATUS_UNAVAILABLE;
  }
  out = ppInBufs[0];
  return STATUS_OK;
}

int ImageBufferManager::PpGetOutBufs(BufferUseType use, std::shared_ptr<ImageBuffer>& out) const {
  if (use != BUFFER_USE_WORK && use != BUFFER_USE_OUTPUT) {
    ORYN_LOG_ERROR("unsupported bufType {}", static_cast<uint32_t>(use));
    return STATUS_UNAVAILABLE;
  }
  if (!IsAllocated()) {
    ORYN_LOG_ERROR("image buffers are not allocated");
    return STATUS_UNAVAILABLE;
  }
  out = ppOutBufs[use];
  return STATUS_OK;
}

bool ImageBufferManager::WaitAndPush_raw(ImageBuffer buf) { return rawQueue->Push(buf); }
bool ImageBufferManager::WaitAndPush_cali(ImageBuffer buf) { return caliQueue->Push(buf); }
bool ImageBufferManager::WaitAndPush_ppOut(ImageBuffer buf) { return ppOutQueue->Push(buf); }

std::shared_ptr<ImageBuffer> ImageBufferManager::WaitAndPop_raw() { return rawQueue->Pop(); }
std::shared_ptr<ImageBuffer> ImageBufferManager::WaitAndPop_cali() { return caliQueue->Pop(); }
std::shared_ptr<ImageBuffer> ImageBufferManager::WaitAndPop_ppOut() { return ppOutQueue->Pop(); }

void ImageBufferManager::SetCommSize(int size) { commSize.store(size, std::memory_order_relaxed); }
int ImageBufferManager::GetCommSize() const { return commSize.load(std::memory_order_relaxed); }

}  // namespace OrynSdk
