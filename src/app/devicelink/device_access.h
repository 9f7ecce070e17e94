// The window's way to the remote: the six operations of the device library,
// with reads turned into device read text (the whole buffer, one character
// per byte, zero bytes included) or the empty text when the read failed.
// Implementations must accept calls from several threads at once.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tvq31 {

inline constexpr std::size_t kBasicInfoSize = 1024;
inline constexpr std::size_t kKeyTableSize = 12288;
inline constexpr std::size_t kCaptureSize = 10240;

class DeviceAccess {
 public:
  virtual ~DeviceAccess() = default;
  virtual bool LinkState() = 0;
  virtual std::string ReadBasicInfo() = 0;       // kBasicInfoSize or empty
  virtual std::string ReadCodeTypeData() = 0;    // kKeyTableSize or empty
  virtual bool WriteCodeTypeData(const std::string& image) = 0;
  virtual bool SetCodeCarrierWave() = 0;
  virtual std::string ReadCollectCodeInfo() = 0;  // kCaptureSize or empty
};

// The device library libtolvio (defined only where the program links it).
std::unique_ptr<DeviceAccess> MakeTolvioDevice();

}  // namespace tvq31
