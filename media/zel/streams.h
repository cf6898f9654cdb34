#pragma once
// The decoding graph of a 7z folder: every coder output is a pull stream over its inputs.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/zel/support.h"

namespace zel {

// Where the archive's bytes come from: a file or, for fuzzing and tests, memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to `count` bytes at `offset`; fewer only at the end of the source.
  virtual size_t readAt(uint64_t offset, uint8_t* buffer, size_t count) = 0;
};

class InStream {
 public:
  virtual ~InStream() = default;
  // Reads up to `count` bytes; 0 only at the end of the stream.
  virtual size_t read(uint8_t* buffer, size_t count) = 0;
};
using InStreamPtr = std::unique_ptr<InStream>;

// Reads exactly `count` bytes or fails with a data error.
void readExactly(InStream& stream, uint8_t* buffer, size_t count);

// A range of the source.
InStreamPtr makePackStream(ByteSource& source, uint64_t offset, uint64_t size);

// The 7z AES key: SHA-256 over salt, UTF-16LE password and a round counter, 2^cyclesPower
// rounds (0x3F: salt and password themselves).
std::array<uint8_t, 32> deriveAesKey(const std::u16string& password,
                                     const std::vector<uint8_t>& salt, unsigned cyclesPower);

// The password and the AES keys derived from it during one listing or extraction.
class KeyCache {
 public:
  // Asks for the password the first time a key is needed; nullopt when there is none.
  explicit KeyCache(std::function<std::optional<std::string>()> askPassword)
      : askPassword_(std::move(askPassword)) {}
  std::array<uint8_t, 32> key(const std::vector<uint8_t>& salt, unsigned cyclesPower);

 private:
  struct Derived {
    std::vector<uint8_t> salt;
    unsigned cyclesPower;
    std::array<uint8_t, 32> key;
  };
  std::function<std::optional<std::string>()> askPassword_;
  bool asked_ = false;
  std::optional<std::u16string> password_;
  std::vector<Derived> derived_;
};

// Method identifiers of the coders this reader decodes.
namespace method {
constexpr uint64_t kCopy = 0x00;
constexpr uint64_t kDelta = 0x03;
constexpr uint64_t kX86 = 0x04;
constexpr uint64_t kPpc = 0x05;
constexpr uint64_t kIa64 = 0x06;
constexpr uint64_t kArm = 0x07;
constexpr uint64_t kArmThumb = 0x08;
constexpr uint64_t kSparc = 0x09;
constexpr uint64_t kArm64 = 0x0A;
constexpr uint64_t kLzma2 = 0x21;
constexpr uint64_t kSwap2 = 0x020302;
constexpr uint64_t kSwap4 = 0x020304;
constexpr uint64_t kLzma = 0x030101;
constexpr uint64_t kBcjX86 = 0x03030103;
constexpr uint64_t kBcj2 = 0x0303011B;
constexpr uint64_t kBcjPpc = 0x03030205;
constexpr uint64_t kBcjIa64 = 0x03030401;
constexpr uint64_t kBcjArm = 0x03030501;
constexpr uint64_t kBcjArmThumb = 0x03030701;
constexpr uint64_t kBcjSparc = 0x03030805;
constexpr uint64_t kAes = 0x06F10701;
}  // namespace method

// Upper bound of a decoder's dictionary; archives asking for more are refused.
constexpr uint64_t kMaxDictionary = uint64_t{1} << 30;

// Builds the decoder of one coder. `inputs` has one stream per coder input; `outSize` is the
// size of the coder's output as the folder records it.
InStreamPtr makeDecoder(uint64_t methodId, const std::vector<uint8_t>& properties,
                        std::vector<InStreamPtr> inputs, uint64_t outSize, KeyCache& keys);

}  // namespace zel
