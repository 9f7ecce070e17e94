// Whether the app would accept an attached remote: the checks its start-up
// makes on the type code and the two version pairs of the basic
// information, in the same order.
#pragma once

#include <string>
#include <string_view>

namespace tvq31::cli {

// What the basic information (1024 characters) says about the remote.
struct RemoteIdentity {
  std::string identity;  // characters 1-30
  std::string version1;  // characters 65-66
  std::string version2;  // characters 67-68
  std::string type;      // characters 71-74
};

inline constexpr size_t kBasicInfoChars = 1024;

// The fields of a basic information text; an empty result for a text of
// any other length than kBasicInfoChars.
RemoteIdentity ReadRemoteIdentity(std::string_view info);

enum class Verdict {
  kAccepted,
  kOldFirmware,  // type code 8888, or a first version pair below 1
  kUnsupported,  // another type, a first pair above 1, a second below 2, pairs not hexadecimal
  kToolTooOld,   // a second version pair above 2
};

Verdict CheckRemote(const RemoteIdentity& remote);

// A one-line reason for a refusal ("" for kAccepted).
std::string VerdictReason(Verdict verdict);

// The identity as people read it: trailing blanks and zero bytes dropped.
std::string ShownIdentity(std::string_view identity);

}  // namespace tvq31::cli
