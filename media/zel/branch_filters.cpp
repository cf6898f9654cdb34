#include "media/zel/branch_filters.h"

#include <array>
#include <functional>

#include "media/zel/streams.h"

namespace zel {
namespace {

uint32_t readLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
void writeLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t readBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
void writeBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A branch converter: a function of the buffer and the stream position of its first byte.
using BranchConverter = size_t (*)(uint8_t* data, size_t size, uint32_t position);

// Relative CALL/JMP (E8/E9) targets turned back from absolute ones; `mask_` remembers which
// of the previous three bytes were E8/E9 across calls.
class X86Filter : public Filter {
 public:
  explicit X86Filter(uint32_t start) : position_(start) {}
  size_t decode(uint8_t* data, size_t size) override {
    static constexpr std::array<bool, 8> kAllowed = {true, true,  true,  false,
                                                     true, false, false, false};
    static constexpr std::array<uint8_t, 8> kBitNumber = {0, 1, 2, 2, 3, 3, 3, 3};
    const auto isMsByte = [](uint8_t b) { return b == 0 || b == 0xFF; };
    if (size < 5) return 0;
    size_t pos = 0;
    size_t previous = static_cast<size_t>(0) - 1;
    uint32_t mask = mask_ & 7;
    const uint32_t ip = position_ + 5;
    for (;;) {
      while (pos < size - 4 && (data[pos] & 0xFE) != 0xE8) ++pos;
      if (pos >= size - 4) break;
      uint8_t* p = data + pos;
      const size_t distance = pos - previous;
      if (distance > 3) {
        mask = 0;
      } else {
        mask = (mask << (distance - 1)) & 7;
        if (mask != 0 && (!kAllowed[mask] || isMsByte(p[4 - kBitNumber[mask]]))) {
          previous = pos;
          mask = ((mask << 1) & 7) | 1;
          ++pos;
          continue;
        }
      }
      previous = pos;
      if (!isMsByte(p[4])) {
        mask = ((mask << 1) & 7) | 1;
        ++pos;
        continue;
      }
      uint32_t source = readLe32(p + 1);
      uint32_t target = 0;
      for (;;) {
        target = source - (ip + static_cast<uint32_t>(pos));
        if (mask == 0) break;
        const unsigned shift = kBitNumber[mask] * 8u;
        if (!isMsByte(static_cast<uint8_t>(target >> (24 - shift)))) break;
        source = target ^ ((uint32_t{1} << (32 - shift)) - 1);
      }
      target = (target & 0x00FFFFFF) | ((target & 0x01000000) ? 0xFF000000u : 0);
      writeLe32(p + 1, target);
      pos += 5;
    }
    const size_t distance = pos - previous;
    mask_ = distance > 3 ? 0 : (mask << (distance - 1)) & 7;
    position_ += static_cast<uint32_t>(pos);
    return pos;
  }

 private:
  uint32_t position_;
  uint32_t mask_ = 0;
};

size_t convertArm(uint8_t* data, size_t size, uint32_t position) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    if (data[i + 3] != 0xEB) continue;
    uint32_t source = (uint32_t{data[i + 2]} << 16 | uint32_t{data[i + 1]} << 8 | data[i]) << 2;
    const uint32_t target = (source - (position + static_cast<uint32_t>(i) + 8)) >> 2;
    data[i + 2] = static_cast<uint8_t>(target >> 16);
    data[i + 1] = static_cast<uint8_t>(target >> 8);
    data[i] = static_cast<uint8_t>(target);
  }
  return i;
}

size_t convertArmThumb(uint8_t* data, size_t size, uint32_t position) {
  size_t i = 0;
  for (; i + 4 <= size; i += 2) {
    if ((data[i + 1] & 0xF8) != 0xF0 || (data[i + 3] & 0xF8) != 0xF8) continue;
    const uint32_t source = ((uint32_t{data[i + 1]} & 7) << 19 | uint32_t{data[i]} << 11 |
                             (uint32_t{data[i + 3]} & 7) << 8 | data[i + 2])
                            << 1;
    const uint32_t target = (source - (position + static_cast<uint32_t>(i) + 4)) >> 1;
    data[i + 1] = static_cast<uint8_t>(0xF0 | ((target >> 19) & 7));
    data[i] = static_cast<uint8_t>(target >> 11);
    data[i + 3] = static_cast<uint8_t>(0xF8 | ((target >> 8) & 7));
    data[i + 2] = static_cast<uint8_t>(target);
    i += 2;
  }
  return i;
}

size_t convertPpc(uint8_t* data, size_t size, uint32_t position) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    if ((data[i] >> 2) != 0x12 || (data[i + 3] & 3) != 1) continue;
    const uint32_t source = readBe32(data + i) & 0x03FFFFFC;
    const uint32_t target = source - (position + static_cast<uint32_t>(i));
    writeBe32(data + i, 0x48000000 | (target & 0x03FFFFFF) | 1);
  }
  return i;
}

size_t convertSparc(uint8_t* data, size_t size, uint32_t position) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    if (!((data[i] == 0x40 && (data[i + 1] & 0xC0) == 0x00) ||
          (data[i] == 0x7F && (data[i + 1] & 0xC0) == 0xC0)))
      continue;
    const uint32_t source = readBe32(data + i) << 2;
    uint32_t target = (source - (position + static_cast<uint32_t>(i))) >> 2;
    target = (((0 - ((target >> 22) & 1)) << 22) & 0x3FFFFFFF) | (target & 0x3FFFFF) | 0x40000000;
    writeBe32(data + i, target);
  }
  return i;
}

size_t convertIa64(uint8_t* data, size_t size, uint32_t position) {
  static constexpr std::array<uint8_t, 32> kBranchSlots = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                           0, 0, 0, 0, 0, 4, 4, 6, 6, 0, 0,
                                                           7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const uint32_t slots = kBranchSlots[data[i] & 0x1F];
    for (uint32_t slot = 0, bitPos = 5; slot < 3; ++slot, bitPos += 41) {
      if (((slots >> slot) & 1) == 0) continue;
      const size_t bytePos = bitPos >> 3;
      const uint32_t bitRes = bitPos & 7;
      uint64_t instruction = 0;
      for (size_t j = 0; j < 6; ++j) instruction |= uint64_t{data[i + j + bytePos]} << (8 * j);
      uint64_t normalized = instruction >> bitRes;
      if (((normalized >> 37) & 0xF) != 0x5 || ((normalized >> 9) & 0x7) != 0) continue;
      uint32_t source = static_cast<uint32_t>((normalized >> 13) & 0xFFFFF);
      source |= (static_cast<uint32_t>(normalized >> 36) & 1) << 20;
      source <<= 4;
      const uint32_t target = (source - (position + static_cast<uint32_t>(i))) >> 4;
      normalized &= ~(uint64_t{0x8FFFFF} << 13);
      normalized |= uint64_t{target & 0xFFFFF} << 13;
      normalized |= uint64_t{target & 0x100000} << (36 - 20);
      instruction &= (uint64_t{1} << bitRes) - 1;
      instruction |= normalized << bitRes;
      for (size_t j = 0; j < 6; ++j)
        data[i + j + bytePos] = static_cast<uint8_t>(instruction >> (8 * j));
    }
  }
  return i;
}

size_t convertArm64(uint8_t* data, size_t size, uint32_t position) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    const uint32_t pc = position + static_cast<uint32_t>(i);
    uint32_t instruction = readLe32(data + i);
    if ((instruction >> 26) == 0x25) {  // BL
      instruction = 0x94000000 | ((instruction - (pc >> 2)) & 0x03FFFFFF);
      writeLe32(data + i, instruction);
    } else if ((instruction & 0x9F000000) == 0x90000000) {  // ADRP
      const uint32_t source = ((instruction >> 29) & 3) | ((instruction >> 3) & 0x001FFFFC);
      if ((source + 0x00020000) & 0x001C0000) continue;  // beyond the converted +-512 MiB
      const uint32_t target = source - (pc >> 12);
      instruction &= 0x9000001F;
      instruction |= (target & 3) << 29;
      instruction |= (target & 0x0003FFFC) << 3;
      instruction |= (0 - (target & 0x00020000)) & 0x00E00000;
      writeLe32(data + i, instruction);
    }
  }
  return i;
}

class BranchFilter : public Filter {
 public:
  BranchFilter(BranchConverter converter, uint32_t start)
      : converter_(converter), position_(start) {}
  size_t decode(uint8_t* data, size_t size) override {
    const size_t done = converter_(data, size, position_);
    position_ += static_cast<uint32_t>(done);
    return done;
  }

 private:
  BranchConverter converter_;
  uint32_t position_;
};

// Each byte is the sum of the stored byte and the byte `distance` positions before it.
class DeltaFilter : public Filter {
 public:
  explicit DeltaFilter(unsigned distance) : distance_(distance) {}
  size_t decode(uint8_t* data, size_t size) override {
    for (size_t i = 0; i < size; ++i) {
      const uint8_t value = static_cast<uint8_t>(data[i] + history_[(index_ - distance_) & 0xFF]);
      data[i] = value;
      history_[index_ & 0xFF] = value;
      ++index_;
    }
    return size;
  }

 private:
  unsigned distance_;
  unsigned index_ = 0;
  std::array<uint8_t, 256> history_{};
};

class SwapFilter : public Filter {
 public:
  explicit SwapFilter(size_t width) : width_(width) {}
  size_t decode(uint8_t* data, size_t size) override {
    const size_t done = size - size % width_;
    for (size_t i = 0; i < done; i += width_)
      for (size_t a = i, b = i + width_ - 1; a < b; ++a, --b) std::swap(data[a], data[b]);
    return done;
  }

 private:
  size_t width_;
};

}  // namespace

std::unique_ptr<Filter> makeFilter(uint64_t methodId, const std::vector<uint8_t>& properties) {
  // Branch converters may record the stream position of their first byte.
  uint32_t start = 0;
  const auto branch = [&](BranchConverter converter) -> std::unique_ptr<Filter> {
    if (!properties.empty() && properties.size() != 4) fail(ZEL_UNSUPPORTED_METHOD);
    if (properties.size() == 4) start = readLe32(properties.data());
    return std::make_unique<BranchFilter>(converter, start);
  };
  switch (methodId) {
    case method::kX86:
    case method::kBcjX86:
      if (!properties.empty() && properties.size() != 4) fail(ZEL_UNSUPPORTED_METHOD);
      if (properties.size() == 4) start = readLe32(properties.data());
      return std::make_unique<X86Filter>(start);
    case method::kPpc:
    case method::kBcjPpc:
      return branch(convertPpc);
    case method::kIa64:
    case method::kBcjIa64:
      return branch(convertIa64);
    case method::kArm:
    case method::kBcjArm:
      return branch(convertArm);
    case method::kArmThumb:
    case method::kBcjArmThumb:
      return branch(convertArmThumb);
    case method::kSparc:
    case method::kBcjSparc:
      return branch(convertSparc);
    case method::kArm64:
      return branch(convertArm64);
    case method::kDelta:
      if (properties.size() != 1) fail(ZEL_UNSUPPORTED_METHOD);
      return std::make_unique<DeltaFilter>(properties[0] + 1u);
    case method::kSwap2:
      return std::make_unique<SwapFilter>(2);
    case method::kSwap4:
      return std::make_unique<SwapFilter>(4);
    default:
      return nullptr;
  }
}

}  // namespace zel
