#include "remote/startcheck.h"

#include <optional>

#include "hextext/hextext.h"

namespace tvq31::cli {

RemoteIdentity ReadRemoteIdentity(std::string_view info) {
  if (info.size() != kBasicInfoChars) return {};
  return {std::string(info.substr(0, 30)), std::string(info.substr(64, 2)),
          std::string(info.substr(66, 2)), std::string(info.substr(70, 4))};
}

Verdict CheckRemote(const RemoteIdentity& remote) {
  if (remote.type == "8888") return Verdict::kOldFirmware;
  const std::optional<int32_t> first = ReadHexNumber(remote.version1);
  const std::optional<int32_t> second = ReadHexNumber(remote.version2);
  if (remote.type != "0002" || !first || !second) return Verdict::kUnsupported;
  if (*first > 1) return Verdict::kUnsupported;
  if (*first < 1) return Verdict::kOldFirmware;
  if (*second > 2) return Verdict::kToolTooOld;
  if (*second < 2) return Verdict::kUnsupported;
  return Verdict::kAccepted;
}

std::string VerdictReason(Verdict verdict) {
  switch (verdict) {
    case Verdict::kAccepted: return "";
    case Verdict::kOldFirmware: return "the remote's firmware is too old for learning";
    case Verdict::kUnsupported: return "this kind of remote is not supported";
    case Verdict::kToolTooOld: return "the remote needs a newer version of the learning software";
  }
  return "";
}

std::string ShownIdentity(std::string_view identity) {
  while (!identity.empty() && (identity.back() == ' ' || identity.back() == '\0')) {
    identity.remove_suffix(1);
  }
  return std::string(identity);
}

}  // namespace tvq31::cli
