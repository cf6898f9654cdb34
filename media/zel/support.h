#pragma once
// Small pieces the 7z reader shares: its failure type, CRC-32, texts, crypto primitives.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "media/zel/zel.h"

namespace zel {

// Every failure inside the library, carrying the code GetLastArchiveError reports.
struct ArchiveError {
  int32_t code;
};
[[noreturn]] inline void fail(int32_t code) {
  throw ArchiveError{code};
}

// CRC-32 as 7z uses it (the zlib polynomial), continued from `crc`.
uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t size);
inline uint32_t crc32Of(const uint8_t* data, size_t size) {
  return crc32Update(0, data, size);
}

// Names: the archive stores UTF-16; the C interface speaks 8-bit texts (the ANSI code page on
// Windows, UTF-8 elsewhere).
std::string narrowText(const std::u16string& text);
std::u16string wideText(const std::string& text);

// SHA-256 and AES-256-CBC decryption from the platform's maintained implementation.
class Sha256 {
 public:
  virtual ~Sha256() = default;
  virtual void update(const uint8_t* data, size_t size) = 0;
  virtual std::array<uint8_t, 32> finish() = 0;
  static std::unique_ptr<Sha256> create();
};

class AesCbcDecryptor {
 public:
  virtual ~AesCbcDecryptor() = default;
  // Decrypts in place; `size` is a multiple of 16. The chain continues across calls.
  virtual void decrypt(uint8_t* data, size_t size) = 0;
  static std::unique_ptr<AesCbcDecryptor> create(const std::array<uint8_t, 32>& key,
                                                 const std::array<uint8_t, 16>& iv);
};

class AesCbcEncryptor {
 public:
  virtual ~AesCbcEncryptor() = default;
  // Encrypts in place; `size` is a multiple of 16. The chain continues across calls.
  virtual void encrypt(uint8_t* data, size_t size) = 0;
  static std::unique_ptr<AesCbcEncryptor> create(const std::array<uint8_t, 32>& key,
                                                 const std::array<uint8_t, 16>& iv);
};

// Bytes from the system's cryptographic random source.
void randomBytes(uint8_t* data, size_t size);

}  // namespace zel
