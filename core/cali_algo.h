// Calibration data of the correction stage: the private copy of the blob
// handed in by the caller, and the two self-service sources an integrator
// may use instead: the module EEPROM (an 80-byte header, then the blob with
// a CRC-32) and a "Cali_KRX58*.bin" file in the working directory.
//
// The correction stage driver adds the library set-up and the per-frame run
// to this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "algo_config.h"

namespace OrynSdk {

/// EEPROM header: 80 bytes, little-endian, packed.
struct EepromHeader {
  char e2pName[16];
  char chipName[8];  ///< must begin with "KRX583"
  uint32_t waferId;
  uint32_t loftId;
  uint32_t crcCheckSum;  ///< CRC-32 of the calibration data
  uint16_t caliDataStartAddr;
  uint32_t caliDataLen;
  uint8_t workMode;
  uint8_t subWorkMode;
  uint8_t binningMode;
  uint32_t e2pTotalSize;
  uint8_t e2pPageSize;
  uint8_t reserved[30];
};

class CaliAlgo {
 public:
  /// Bytes of the buffer loadBinFile allocates: the largest blob it takes.
  static constexpr unsigned kCaliBinBufferBytes = 320000;
  static constexpr size_t kEepromHeaderBytes = 80;
  /// Result of setCaliData on failure (-1 as an unsigned value).
  static constexpr unsigned kSetCaliDataFailed = static_cast<unsigned>(-1);

  /// The process-wide instance, created on first use.
  static CaliAlgo* GetInstance();

  CaliAlgo() = default;
  CaliAlgo(const CaliAlgo&) = delete;
  CaliAlgo& operator=(const CaliAlgo&) = delete;

  /// Keeps a private copy of the blob (replacing an earlier one) and its
  /// size, so the loader never reads past it. 0, or kSetCaliDataFailed for
  /// null data or a failed allocation.
  unsigned setCaliData(unsigned char* data, unsigned size);

  /// Reads up to len bytes at offset of the file at path into buf. 0, or 2
  /// when the file cannot be opened. A short read is logged and still 0.
  /// bytesRead (optional) receives the bytes read.
  unsigned readNvm(const char* path, unsigned offset, unsigned len, unsigned char* buf,
                   size_t* bytesRead = nullptr);

  /// Reads the calibration data from the EEPROM named by the sensor
  /// configuration's eepromPath into dest (room for destSize bytes) and
  /// checks its CRC-32. 0, or 2 when the header, chip name, length (larger
  /// than destSize) or checksum is wrong or the device cannot be read.
  /// length (optional) receives caliDataLen on success.
  unsigned readFromEeprom(char* dest, unsigned destSize, unsigned* length = nullptr);

  /// Replaces *buf by a new buffer of kCaliBinBufferBytes (free with
  /// std::free) holding the blob from the EEPROM or, failing that, from the
  /// first "Cali_KRX58*.bin" file of the working directory. 3 for a null
  /// buf, else 0 (also when no blob was found: then length is 0). length
  /// (optional) receives the blob's size.
  unsigned loadBinFile(char** buf, unsigned* length = nullptr);

  /// Name of the first entry of the working directory that begins with
  /// "Cali_KRX58" and whose extension is "bin"; false when there is none.
  bool getCaliBinFileName(std::string& name);

  /// Whether a file name is a calibration file name.
  static bool isCaliBinFileName(const std::string& name);

  /// The owned copy of the blob (null until setCaliData) and its size.
  const unsigned char* getCaliData() const { return caliData_.get(); }
  unsigned getCaliDataSize() const { return caliDataSize_; }
  bool isCaliDataFromUser() const { return caliDataFromUser_; }

  /// The sensor configuration copy (its eepromPath names the EEPROM device).
  void setTofConfig(const TofConfig& config) { tofConfig_ = config; }
  const TofConfig& getTofConfig() const { return tofConfig_; }

 private:
  std::unique_ptr<unsigned char[]> caliData_;
  unsigned caliDataSize_ = 0;
  bool caliDataFromUser_ = false;
  TofConfig tofConfig_{};
};

}  // namespace OrynSdk
