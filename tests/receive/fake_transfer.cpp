// A transfer library that misbehaves on purpose, chosen by the key code in
// the input's first line ("#99|01" and two hex digits):
//   01: the empty answer        02: text that is not hexadecimal
//   03: a record for key 7F     04: an endless answer of 'A's
//   other: the valid record kGoodRecord with the key code put in
// FakeLastInput() gives the last input, so tests can read what was handed
// over.
#include <string>

namespace {
std::string last_input;
std::string answer;
}  // namespace

extern "C" const char* FakeLastInput() { return last_input.c_str(); }

extern "C" const char* Cominput(const char* input) {
  last_input = input ? input : "";
  const std::string key = last_input.size() >= 8 ? last_input.substr(6, 2) : "";
  // A well-formed key record (header, a head of 3 bytes, data of 2); not
  // meant to be played.
  auto record = [](const std::string& k) {
    return "0101" + k + "00" + "000A" + "03" + "000D" + "02" + "005201" + "0101";
  };
  if (key == "01") {
    answer.clear();
  } else if (key == "02") {
    answer = "not a record";
  } else if (key == "03") {
    answer = record("7F");
  } else if (key == "04") {
    answer.assign(100000, 'A');
  } else {
    answer = record(key);
  }
  return answer.c_str();
}
