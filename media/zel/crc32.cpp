#include "media/zel/support.h"

namespace zel {
namespace {

// Slicing by eight: table k gives the CRC of a byte followed by k zero bytes.
constexpr std::array<std::array<uint32_t, 256>, 8> makeCrcTables() {
  std::array<std::array<uint32_t, 256>, 8> tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1) ? 0xEDB88320u : 0);
    tables[0][i] = value;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (size_t k = 1; k < 8; ++k)
      tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
  return tables;
}
constexpr auto kCrcTables = makeCrcTables();

}  // namespace

uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t size) {
  crc = ~crc;
  for (; size >= 8; data += 8, size -= 8) {
    const uint32_t low = crc ^ (uint32_t{data[0]} | uint32_t{data[1]} << 8 |
                                uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24);
    crc = kCrcTables[7][low & 0xFF] ^ kCrcTables[6][(low >> 8) & 0xFF] ^
          kCrcTables[5][(low >> 16) & 0xFF] ^ kCrcTables[4][low >> 24] ^ kCrcTables[3][data[4]] ^
          kCrcTables[2][data[5]] ^ kCrcTables[1][data[6]] ^ kCrcTables[0][data[7]];
  }
  for (; size > 0; ++data, --size) crc = kCrcTables[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace zel
