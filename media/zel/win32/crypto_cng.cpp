// SHA-256 and AES through Windows CNG, so that zel.dll needs no library beyond the system's.
#include <windows.h>

#include <bcrypt.h>

#include <vector>

#include "media/zel/support.h"

namespace zel {
namespace {

class CngAlgorithm {
 public:
  explicit CngAlgorithm(const wchar_t* name) {
    if (BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0) < 0) fail(ZEL_UNSUPPORTED_METHOD);
  }
  ~CngAlgorithm() { BCryptCloseAlgorithmProvider(handle_, 0); }
  CngAlgorithm(const CngAlgorithm&) = delete;
  CngAlgorithm& operator=(const CngAlgorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class CngSha256 : public Sha256 {
 public:
  CngSha256() : algorithm_(BCRYPT_SHA256_ALGORITHM) {
    if (BCryptCreateHash(algorithm_.get(), &hash_, nullptr, 0, nullptr, 0, 0) < 0)
      fail(ZEL_UNSUPPORTED_METHOD);
  }
  ~CngSha256() override { BCryptDestroyHash(hash_); }
  void update(const uint8_t* data, size_t size) override {
    BCryptHashData(hash_, const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0);
  }
  std::array<uint8_t, 32> finish() override {
    std::array<uint8_t, 32> digest{};
    BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0);
    return digest;
  }

 private:
  CngAlgorithm algorithm_;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
};

// An AES-256 key in CBC mode and the chain's IV, which CNG advances to the last cipher block of
// each call, so that consecutive calls continue one chain.
class CngAesKey {
 public:
  CngAesKey(const std::array<uint8_t, 32>& key, const std::array<uint8_t, 16>& iv)
      : algorithm_(BCRYPT_AES_ALGORITHM), iv_(iv) {
    const wchar_t* mode = BCRYPT_CHAIN_MODE_CBC;
    if (BCryptSetProperty(algorithm_.get(), BCRYPT_CHAINING_MODE,
                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                          static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t)), 0) < 0 ||
        BCryptGenerateSymmetricKey(algorithm_.get(), &key_, nullptr, 0,
                                   const_cast<PUCHAR>(key.data()), static_cast<ULONG>(key.size()),
                                   0) < 0)
      fail(ZEL_UNSUPPORTED_METHOD);
  }
  ~CngAesKey() { BCryptDestroyKey(key_); }
  CngAesKey(const CngAesKey&) = delete;
  CngAesKey& operator=(const CngAesKey&) = delete;
  BCRYPT_KEY_HANDLE key() const { return key_; }
  PUCHAR iv() { return iv_.data(); }
  ULONG ivSize() const { return static_cast<ULONG>(iv_.size()); }

 private:
  CngAlgorithm algorithm_;
  BCRYPT_KEY_HANDLE key_ = nullptr;
  std::array<uint8_t, 16> iv_;
};

class CngAes : public AesCbcDecryptor {
 public:
  CngAes(const std::array<uint8_t, 32>& key, const std::array<uint8_t, 16>& iv) : key_(key, iv) {}
  void decrypt(uint8_t* data, size_t size) override {
    while (size > 0) {
      const ULONG chunk = static_cast<ULONG>(size < (1u << 30) ? size : (1u << 30));
      ULONG written = 0;
      if (BCryptDecrypt(key_.key(), data, chunk, nullptr, key_.iv(), key_.ivSize(), data, chunk,
                        &written, 0) < 0 ||
          written != chunk)
        fail(ZEL_DATA_ERROR);
      data += chunk;
      size -= chunk;
    }
  }

 private:
  CngAesKey key_;
};

class CngAesEncryptor : public AesCbcEncryptor {
 public:
  CngAesEncryptor(const std::array<uint8_t, 32>& key, const std::array<uint8_t, 16>& iv)
      : key_(key, iv) {}
  void encrypt(uint8_t* data, size_t size) override {
    ULONG written = 0;
    if (BCryptEncrypt(key_.key(), data, static_cast<ULONG>(size), nullptr, key_.iv(), key_.ivSize(),
                      data, static_cast<ULONG>(size), &written, 0) < 0 ||
        written != size)
      fail(ZEL_WRITE_ERROR);
  }

 private:
  CngAesKey key_;
};

}  // namespace

std::unique_ptr<AesCbcEncryptor> AesCbcEncryptor::create(const std::array<uint8_t, 32>& key,
                                                         const std::array<uint8_t, 16>& iv) {
  return std::make_unique<CngAesEncryptor>(key, iv);
}

void randomBytes(uint8_t* data, size_t size) {
  if (BCryptGenRandom(nullptr, data, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0)
    fail(ZEL_WRITE_ERROR);
}

std::unique_ptr<Sha256> Sha256::create() {
  return std::make_unique<CngSha256>();
}
std::unique_ptr<AesCbcDecryptor> AesCbcDecryptor::create(const std::array<uint8_t, 32>& key,
                                                         const std::array<uint8_t, 16>& iv) {
  return std::make_unique<CngAes>(key, iv);
}

}  // namespace zel
