#include "devicelink/device_access.h"

#include "tolvio.h"

#include <vector>

namespace tvq31 {
namespace {

// A read into a zero-filled buffer of the operation's size; on success every
// byte becomes one character.
template <typename Read>
std::string ReadText(Read read, std::size_t size) {
  std::vector<uint8_t> buffer(size, 0);
  if (read(buffer.data()) == 0) return {};
  return std::string(buffer.begin(), buffer.end());
}

class TolvioDevice final : public DeviceAccess {
 public:
  bool LinkState() override { return link_state() != 0; }
  std::string ReadBasicInfo() override {
    return ReadText(RBasicInfo, TOLVIO_BASIC_INFO_SIZE);
  }
  std::string ReadCodeTypeData() override {
    return ReadText(RCodeTypeData, TOLVIO_KEY_TABLE_SIZE);
  }
  bool WriteCodeTypeData(const std::string& image) override {
    // The library takes a zero-terminated text: an image holding a zero
    // character would reach it cut short, so it is refused here.
    if (image.find('\0') != std::string::npos) return false;
    return WCodeTypeData(image.c_str()) != 0;
  }
  bool SetCodeCarrierWave() override { return ::SetCodeCarrierWave() != 0; }
  std::string ReadCollectCodeInfo() override {
    return ReadText(RCollectCodeInfo, TOLVIO_CAPTURE_SIZE);
  }
};

static_assert(TOLVIO_BASIC_INFO_SIZE == kBasicInfoSize);
static_assert(TOLVIO_KEY_TABLE_SIZE == kKeyTableSize);
static_assert(TOLVIO_CAPTURE_SIZE == kCaptureSize);

}  // namespace

std::unique_ptr<DeviceAccess> MakeTolvioDevice() {
  return std::make_unique<TolvioDevice>();
}

}  // namespace tvq31
