#include "algo_share.h"

#include <cstring>

namespace OrynSdk {

AlgoShare* AlgoShare::GetInstance() {
  static AlgoShare algo_com;
  return &algo_com;
}

AlgoShare::AlgoShare() : depthParam{}, openclBuf(nullptr) {}

int AlgoShare::SetDepthParam(const DepthParam& param) {
  std::lock_guard<std::mutex> lock(mutex);
  if (std::memcmp(&depthParam, &param, sizeof(DepthParam)) == 0) {
    return kUnchanged;
  }
  std::memcpy(&depthParam, &param, sizeof(DepthParam));
  return 0;
}

int AlgoShare::GetDepthParam(DepthParam& out) const {
  std::lock_guard<std::mutex> lock(mutex);
  std::memcpy(&out, &depthParam, sizeof(DepthParam));
  return 0;
}

void AlgoShare::SetOpenclBuf(void* buf) {
  std::lock_guard<std::mutex> lock(mutex);
  openclBuf = buf;
}

void* AlgoShare::GetOpenclBuf() const {
  std::lock_guard<std::mutex> lock(mutex);
  return openclBuf;
}

}  // namespace OrynSdk
