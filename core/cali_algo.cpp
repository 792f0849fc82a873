#include "cali_algo.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "log_wrapper.h"

namespace OrynSdk {

namespace {

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

EepromHeader parseEepromHeader(const unsigned char* b) {
  EepromHeader h{};
  std::memcpy(h.e2pName, b, 16);
  std::memcpy(h.chipName, b + 16, 8);
  h.waferId = le32(b + 24);
  h.loftId = le32(b + 28);
  h.crcCheckSum = le32(b + 32);
  h.caliDataStartAddr = le16(b + 36);
  h.caliDataLen = le32(b + 38);
  h.workMode = b[42];
  h.subWorkMode = b[43];
  h.binningMode = b[44];
  h.e2pTotalSize = le32(b + 45);
  h.e2pPageSize = b[49];
  std::memcpy(h.reserved, b + 50, 30);
  return h;
}

// Text of a fixed-width field that may lack its terminating zero.
std::string fieldText(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

}  // namespace

CaliAlgo* CaliAlgo::GetInstance() {
  static CaliAlgo* impl = new CaliAlgo();
  return impl;
}

unsigned CaliAlgo::setCaliData(unsigned char* data, unsigned size) {
  if (data == nullptr) {
    ORYN_LOG_ERROR("data is null, size={} , please check!", size);
    return kSetCaliDataFailed;
  }
  std::unique_ptr<unsigned char[]> copy(size > 0 ? new (std::nothrow) unsigned char[size]() : nullptr);
  if (!copy) {
    ORYN_LOG_ERROR("malloc {} bytes failed!", size);
    return kSetCaliDataFailed;
  }
  std::memcpy(copy.get(), data, size);
  caliData_ = std::move(copy);
  caliDataSize_ = size;  // the loader is bounded by it
  caliDataFromUser_ = true;
  ORYN_LOG_INFO("set Cali Data success from user!");
  return 0;
}

unsigned CaliAlgo::readNvm(const char* path, unsigned offset, unsigned len, unsigned char* buf, size_t* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  const char* shown = path != nullptr ? path : "";
  const int fd = path != nullptr ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
  if (fd < 0) {
    ORYN_LOG_INFO("readNvm {} failed!", shown);
    return 2;
  }
  ORYN_LOG_INFO("readNvm open success");
  size_t done = 0;
  if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset)) {
    while (done < len) {
      const ssize_t n = ::read(fd, buf + done, len - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;
      }
    }
  }
  if (done < len) ORYN_LOG_ERROR("failed to read from eeprom, {} < {}", done, len);
  ORYN_LOG_INFO("readNvm {} bytes success", done);
  ::close(fd);
  if (bytesRead != nullptr) *bytesRead = done;
  return 0;
}

unsigned CaliAlgo::readFromEeprom(char* dest, unsigned destSize, unsigned* length) {
  const char* path = tofConfig_.eepromPath != nullptr ? tofConfig_.eepromPath : "";
  ORYN_LOG_INFO("readFromEeprom read from eeprom {}", path);
  unsigned char raw[kEepromHeaderBytes] = {};
  if (readNvm(path, 0, kEepromHeaderBytes, raw) != 0) {
    ORYN_LOG_ERROR("failed to read from eeprom {}", path);
    return 2;
  }
  const EepromHeader h = parseEepromHeader(raw);
  const std::string chip = fieldText(h.chipName, sizeof h.chipName);
  ORYN_LOG_INFO("*********EEPROM INFO*********");
  ORYN_LOG_INFO("e2pName: {}", fieldText(h.e2pName, sizeof h.e2pName));
  ORYN_LOG_INFO("chipName: {}", chip);
  ORYN_LOG_INFO("waferId: 0x{:08x}", h.waferId);
  ORYN_LOG_INFO("loftId: 0x{:08x}", h.loftId);
  ORYN_LOG_INFO("crcCheckSum: 0x{:08x}", h.crcCheckSum);
  ORYN_LOG_INFO("caliDataStartAddr: 0x{:04x}", h.caliDataStartAddr);
  ORYN_LOG_INFO("caliDataLen: {}", h.caliDataLen);
  ORYN_LOG_INFO("workMode: {}", h.workMode);
  ORYN_LOG_INFO("subWorkMode: {}", h.subWorkMode);
  ORYN_LOG_INFO("binningMode: {}", h.binningMode);
  ORYN_LOG_INFO("e2pTotalSize: {}", h.e2pTotalSize);
  ORYN_LOG_INFO("e2pPageSize: {}", h.e2pPageSize);
  ORYN_LOG_INFO("******************************");
  if (std::memcmp(h.chipName, "KRX583", 6) != 0) {
    ORYN_LOG_ERROR("read chipName {} is error", chip);
    return 2;
  }
  // The length comes from the device: it must fit the caller's buffer.
  if (dest == nullptr || h.caliDataLen > destSize) {
    ORYN_LOG_ERROR("caliDataLen {} exceeds the {} byte buffer", h.caliDataLen, dest != nullptr ? destSize : 0u);
    return 2;
  }
  size_t got = 0;
  if (readNvm(path, h.caliDataStartAddr, h.caliDataLen, reinterpret_cast<unsigned char*>(dest), &got) != 0) {
    ORYN_LOG_ERROR("failed to read cali data from eeprom {}", path);
    return 2;
  }
  // Bytes a short read left untouched are zero, never stale.
  if (got < h.caliDataLen) std::memset(dest + got, 0, h.caliDataLen - got);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(dest), static_cast<uInt>(h.caliDataLen));
  if (static_cast<uint32_t>(crc) != h.crcCheckSum) {
    ORYN_LOG_ERROR("calc eeprom checksum {} != {}", static_cast<uint32_t>(crc), h.crcCheckSum);
    return 2;
  }
  if (length != nullptr) *length = h.caliDataLen;
  return 0;
}

bool CaliAlgo::isCaliBinFileName(const std::string& name) {
  if (name.compare(0, 10, "Cali_KRX58") != 0) return false;
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && name.substr(dot + 1) == "bin";
}

bool CaliAlgo::getCaliBinFileName(std::string& name) {
  ORYN_LOG_INFO("start getCaliBinFileName");
  char cwd[300] = {};
  if (::getcwd(cwd, sizeof cwd) == nullptr) cwd[0] = '\0';
  ORYN_LOG_INFO("get local bin file path: {}", cwd);
  DIR* dir = ::opendir(cwd[0] != '\0' ? cwd : ".");
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
    if (isCaliBinFileName(entry->d_name)) {
      name = entry->d_name;
      found = true;
      break;
    }
  }
  ::closedir(dir);
  if (found) ORYN_LOG_INFO("local fine Name {}", name);
  return found;
}

unsigned CaliAlgo::loadBinFile(char** buf, unsigned* length) {
  if (length != nullptr) *length = 0;
  if (buf == nullptr) return 3;
  std::free(*buf);
  *buf = static_cast<char*>(std::calloc(kCaliBinBufferBytes, 1));
  if (*buf == nullptr) {
    ORYN_LOG_ERROR("malloc {} bytes failed!", kCaliBinBufferBytes);
    return 0;
  }
  unsigned eepromLen = 0;
  if (readFromEeprom(*buf, kCaliBinBufferBytes, &eepromLen) == 0) {
    ORYN_LOG_INFO("read cali data from eeprom success!");
    if (length != nullptr) *length = eepromLen;
    return 0;
  }
  ORYN_LOG_INFO("try to read cali data from cali bin file!");
  std::string name;
  if (!getCaliBinFileName(name)) {
    ORYN_LOG_WARN("cannot find local bin file!");
    return 0;
  }
  FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) {
    ORYN_LOG_WARN("cannot find local bin file!");
    return 0;
  }
  ORYN_LOG_INFO("Load bin file {}", name);
  long fileLen = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) fileLen = std::ftell(file);
  std::rewind(file);
  if (fileLen < 0 || fileLen > static_cast<long>(kCaliBinBufferBytes)) {
    std::fclose(file);
    ORYN_LOG_WARN("cannot find local bin file!");
    return 0;
  }
  const size_t got = std::fread(*buf, 1, static_cast<size_t>(fileLen), file);
  std::fclose(file);
  ORYN_LOG_INFO("calibration file length is {}", got);
  if (length != nullptr) *length = static_cast<unsigned>(got);
  return 0;
}

}  // namespace OrynSdk
