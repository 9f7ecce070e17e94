// Random tables and records: whatever the layout of the image read, the
// rebuilt image must give every key that keeps a code the head and data it
// had, keep the pairs the pair rules keep, and be its own normal form.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "hextext/hextext.h"
#include "image_builder.h"
#include "keytable/keytable.h"

namespace tvq31 {
namespace {

using testing::ModelKey;
using testing::Record;

struct Model {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::map<int, ModelKey> keys;  // by key code value: the entry that wins
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::string Hex(int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) AppendByteHex(out, Int(0, 255));
    return out;
  }

  // Few distinct codes so that pairs, duplicates and records meet.
  std::string Code() { return ByteHex(Int(0, 3) == 0 ? Int(0, 255) : Int(0x10, 0x1F)); }

  int Length() {
    switch (Int(0, 5)) {
      case 0: return Int(1, 3);
      case 1: return Int(128, 255);
      case 2: return Int(0, 1) ? 0 : 4;
      default: return Int(4, 20);
    }
  }

  // An image with heads and data scattered over the area after the
  // directory, some shared, some separated by filler, padded with zeros.
  std::string Image(Model& model) {
    const int pairs = Int(0, 3);
    for (int i = 0; i < pairs; ++i) model.pairs.emplace_back(Code(), Code());
    const int count = Int(0, 24);
    const int dir_end = 2 + 2 * pairs + 8 * count;
    std::string blob;  // the bytes from dir_end on
    std::vector<std::pair<int, std::string>> placed;  // offset, digits
    const auto place = [&](int bytes) -> std::pair<int, std::string> {
      if (bytes == 0) return {Int(0, 3) == 0 ? Int(0, 0xFFFF) : 0, ""};
      for (const auto& p : placed) {
        if (static_cast<int>(p.second.size()) == 2 * bytes && Int(0, 2) == 0) return p;
      }
      if (Int(0, 3) == 0) blob += Hex(Int(1, 5));  // bytes nobody points at
      const std::pair<int, std::string> p{dir_end + static_cast<int>(blob.size() / 2),
                                          Hex(bytes)};
      blob += p.second;
      placed.push_back(p);
      return p;
    };
    std::string out = ByteHex(pairs);
    for (const auto& [a, b] : model.pairs) out += a + b;
    out += ByteHex(count);
    for (int i = 0; i < count; ++i) {
      ModelKey key{Code(), Int(0, 1) ? "CF" : ByteHex(Int(0, 255)), "", ""};
      const auto head = place(Length());
      const auto data = place(Length());
      key.head = head.second;
      key.data = data.second;
      out += key.code + key.type;
      out += ByteHex(head.first & 0xFF) + ByteHex(head.first >> 8);
      out += ByteHex(static_cast<int>(key.head.size() / 2));
      out += ByteHex(data.first & 0xFF) + ByteHex(data.first >> 8);
      out += ByteHex(static_cast<int>(key.data.size() / 2));
      model.keys[*ReadHexNumber(key.code)] = key;
    }
    out += blob;
    if (Int(0, 1)) out += std::string(static_cast<size_t>(Int(1, 64)), '\0');
    return out;
  }

 private:
  std::mt19937 rng_;
};

// What storing `record` for `code` must leave.
Model Expect(Model model, const std::string& code, const std::string& head,
             const std::string& data) {
  const int k = *ReadHexNumber(code);
  if (!head.empty() && !data.empty()) {
    model.keys[k] = ModelKey{code, "CF", head, data};
  } else {
    model.keys.erase(k);
  }
  std::vector<std::pair<std::string, std::string>> kept;
  for (const auto& [first, second] : model.pairs) {
    if (code == first || code == second) {
      const int other = *ReadHexNumber(code == first ? second : first);
      if (other != k) model.keys.erase(other);
    } else {
      kept.emplace_back(first, second);
    }
  }
  model.pairs = kept;
  return model;
}

TEST(PutKeyRecordProperty, RebuiltImageKeepsEveryKeysHeadAndData) {
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    Generator gen(seed);
    Model model;
    const std::string image = gen.Image(model);
    const std::string code = gen.Code();
    const bool deletion = gen.Int(0, 4) == 0;
    const std::string head = deletion ? "" : gen.Hex(gen.Length() % 255 + 1);
    const std::string data = deletion ? "" : gen.Hex(gen.Length() % 255 + 1);
    const std::string record = deletion ? OneKeyDeletionRecord(code) : Record(code, head, data);

    std::string error;
    const auto out = PutKeyRecord(image, record, &error);
    ASSERT_TRUE(out) << "seed " << seed << ": " << error;
    const auto table = ReadKeyTable(*out, &error);
    ASSERT_TRUE(table) << "seed " << seed << ": " << error;
    ASSERT_TRUE(ParseKeyStates(*out)) << "seed " << seed;

    const Model want = Expect(model, code, head, data);
    ASSERT_EQ(table->pairs.size(), want.pairs.size()) << "seed " << seed;
    for (size_t i = 0; i < want.pairs.size(); ++i) {
      EXPECT_EQ(table->pairs[i].first + table->pairs[i].second,
                want.pairs[i].first + want.pairs[i].second)
          << "seed " << seed;
    }
    ASSERT_EQ(table->entries.size(), want.keys.size()) << "seed " << seed;
    size_t end = 2 + 2 * table->pairs.size() + 8 * table->entries.size();
    auto it = want.keys.begin();
    for (const KeyEntry& e : table->entries) {
      const ModelKey& k = (it++)->second;
      EXPECT_EQ(e.key_code, k.code) << "seed " << seed;
      EXPECT_EQ(e.key_type, k.type) << "seed " << seed;
      EXPECT_EQ(e.head, k.head) << "seed " << seed << " key " << k.code;
      EXPECT_EQ(e.data, k.data) << "seed " << seed << " key " << k.code;
      if (e.head_len > 0) end = std::max(end, size_t(e.head_offset + e.head_len));
      if (e.data_len > 0) end = std::max(end, size_t(e.data_offset + e.data_len));
    }
    EXPECT_EQ(out->size(), 2 * end) << "seed " << seed << ": no filler in a rebuilt image";

    // A rebuilt image is already in normal form: rebuilding it again with a
    // change that touches no key gives it back unchanged.
    std::string untouched;
    for (int c = 0; c < 256 && untouched.empty(); ++c) {
      const std::string t = ByteHex(c);
      bool free = !want.keys.count(c);
      for (const auto& [a, b] : want.pairs) free = free && a != t && b != t;
      if (free) untouched = t;
    }
    EXPECT_EQ(PutKeyRecord(*out, OneKeyDeletionRecord(untouched)), out) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tvq31
