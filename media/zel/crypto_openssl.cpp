// SHA-256 and AES through OpenSSL (every build but Windows).
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "media/zel/support.h"

namespace zel {
namespace {

class OpenSslSha256 : public Sha256 {
 public:
  OpenSslSha256() : context_(EVP_MD_CTX_new()) {
    if (!context_ || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1)
      fail(ZEL_UNSUPPORTED_METHOD);
  }
  ~OpenSslSha256() override { EVP_MD_CTX_free(context_); }
  void update(const uint8_t* data, size_t size) override { EVP_DigestUpdate(context_, data, size); }
  std::array<uint8_t, 32> finish() override {
    std::array<uint8_t, 32> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest.data(), &length);
    return digest;
  }

 private:
  EVP_MD_CTX* context_;
};

class OpenSslAes : public AesCbcDecryptor {
 public:
  OpenSslAes(const std::array<uint8_t, 32>& key, const std::array<uint8_t, 16>& iv)
      : context_(EVP_CIPHER_CTX_new()) {
    if (!context_ ||
        EVP_DecryptInit_ex(context_, EVP_aes_256_cbc(), nullptr, key.data(), iv.data()) != 1)
      fail(ZEL_UNSUPPORTED_METHOD);
    EVP_CIPHER_CTX_set_padding(context_, 0);
  }
  ~OpenSslAes() override { EVP_CIPHER_CTX_free(context_); }
  void decrypt(uint8_t* data, size_t size) override {
    while (size > 0) {
      const int chunk = static_cast<int>(size < (1u << 30) ? size : (1u << 30));
      int written = 0;
      if (EVP_DecryptUpdate(context_, data, &written, data, chunk) != 1 || written != chunk)
        fail(ZEL_DATA_ERROR);
      data += chunk;
      size -= static_cast<size_t>(chunk);
    }
  }

 private:
  EVP_CIPHER_CTX* context_;
};

class OpenSslAesEncryptor : public AesCbcEncryptor {
 public:
  OpenSslAesEncryptor(const std::array<uint8_t, 32>& key, const std::array<uint8_t, 16>& iv)
      : context_(EVP_CIPHER_CTX_new()) {
    if (!context_ ||
        EVP_EncryptInit_ex(context_, EVP_aes_256_cbc(), nullptr, key.data(), iv.data()) != 1)
      fail(ZEL_UNSUPPORTED_METHOD);
    EVP_CIPHER_CTX_set_padding(context_, 0);
  }
  ~OpenSslAesEncryptor() override { EVP_CIPHER_CTX_free(context_); }
  void encrypt(uint8_t* data, size_t size) override {
    int written = 0;
    if (EVP_EncryptUpdate(context_, data, &written, data, static_cast<int>(size)) != 1 ||
        static_cast<size_t>(written) != size)
      fail(ZEL_WRITE_ERROR);
  }

 private:
  EVP_CIPHER_CTX* context_;
};

}  // namespace

std::unique_ptr<AesCbcEncryptor> AesCbcEncryptor::create(const std::array<uint8_t, 32>& key,
                                                         const std::array<uint8_t, 16>& iv) {
  return std::make_unique<OpenSslAesEncryptor>(key, iv);
}

void randomBytes(uint8_t* data, size_t size) {
  if (RAND_bytes(data, static_cast<int>(size)) != 1) fail(ZEL_WRITE_ERROR);
}

std::unique_ptr<Sha256> Sha256::create() {
  return std::make_unique<OpenSslSha256>();
}
std::unique_ptr<AesCbcDecryptor> AesCbcDecryptor::create(const std::array<uint8_t, 32>& key,
                                                         const std::array<uint8_t, 16>& iv) {
  return std::make_unique<OpenSslAes>(key, iv);
}

}  // namespace zel
