#include "media/zel/seven_zip_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>

#include "LzmaEnc.h"
#include "media/zel/streams.h"
#include "media/zel/support.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

void* allocate(void*, size_t size) {
  return std::malloc(size);
}
void release(void*, void* address) {
  std::free(address);
}
ISzAlloc gAllocator = {allocate, release};

// The files with data, read one after another as the encoder's input; it records each file's
// size and CRC as read, and a read failure for the caller (exceptions cannot cross LzmaEnc).
struct FileInput {
  ISeqInStream stream;
  const std::vector<const WriterEntry*>* files;
  size_t next;
  std::ifstream current;
  bool open;
  bool failed;
  std::vector<uint64_t> sizes;
  std::vector<uint32_t> crcs;
};

SRes readFiles(void* p, void* buffer, size_t* size) {
  auto& input = *static_cast<FileInput*>(p);
  const size_t wanted = *size;
  *size = 0;
  while (wanted > 0) {
    if (!input.open) {
      if (input.next == input.files->size()) return SZ_OK;
      input.current = std::ifstream((*input.files)[input.next++]->source, std::ios::binary);
      if (!input.current) {
        input.failed = true;
        return SZ_ERROR_READ;
      }
      input.open = true;
      input.sizes.push_back(0);
      input.crcs.push_back(0);
    }
    input.current.read(static_cast<char*>(buffer), static_cast<std::streamsize>(wanted));
    const auto got = static_cast<size_t>(input.current.gcount());
    if (got > 0) {
      input.sizes.back() += got;
      input.crcs.back() = crc32Update(input.crcs.back(), static_cast<uint8_t*>(buffer), got);
      *size = got;
      return SZ_OK;
    }
    if (input.current.bad()) {
      input.failed = true;
      return SZ_ERROR_READ;
    }
    input.open = false;
  }
  return SZ_OK;
}

// The encoder's output on its way into the archive file, AES-encrypted when a key is set;
// `plain` counts what the encoder gave, `packed` what reached the file.
struct PackedOutput {
  ISeqOutStream stream;
  std::FILE* file;
  AesCbcEncryptor* cipher;
  uint64_t plain;
  uint64_t packed;
  std::vector<uint8_t> pending;  // bytes short of a whole AES block
  bool failed;

  void put(std::vector<uint8_t>& bytes, size_t size) {
    if (cipher) cipher->encrypt(bytes.data(), size);
    if (std::fwrite(bytes.data(), 1, size, file) != size) failed = true;
    packed += size;
  }
  // Pads the last block with zeros, as 7z AES does.
  void finish() {
    if (!cipher || pending.empty()) return;
    pending.resize(16, 0);
    put(pending, 16);
    pending.clear();
  }
};

size_t writePacked(void* p, const void* data, size_t size) {
  auto& output = *static_cast<PackedOutput*>(p);
  output.plain += size;
  const auto* bytes = static_cast<const uint8_t*>(data);
  output.pending.insert(output.pending.end(), bytes, bytes + size);
  const size_t whole = output.cipher ? output.pending.size() / 16 * 16 : output.pending.size();
  if (whole > 0) {
    try {
      output.put(output.pending, whole);
    } catch (const ArchiveError&) {
      output.failed = true;  // exceptions cannot cross LzmaEnc
    }
    output.pending.erase(output.pending.begin(),
                         output.pending.begin() + static_cast<std::ptrdiff_t>(whole));
  }
  return output.failed ? 0 : size;
}

// Bytes in memory as the encoder's input (the header).
struct MemoryInput {
  ISeqInStream stream;
  const std::vector<uint8_t>* bytes;
  size_t position;
};

SRes readMemory(void* p, void* buffer, size_t* size) {
  auto& input = *static_cast<MemoryInput*>(p);
  *size = std::min(*size, input.bytes->size() - input.position);
  std::memcpy(buffer, input.bytes->data() + input.position, *size);
  input.position += *size;
  return SZ_OK;
}

// Header bytes in the 7z encodings.
class HeaderWriter {
 public:
  std::vector<uint8_t> bytes;
  void byte(uint8_t b) { bytes.push_back(b); }
  void fixed(uint64_t value, int size) {
    for (int i = 0; i < size; ++i) byte(static_cast<uint8_t>(value >> (8 * i)));
  }
  void number(uint64_t value) {
    int extra = 0;
    while (extra < 8 && value >= (uint64_t{1} << (7 * (extra + 1)))) ++extra;
    if (extra == 8) {
      byte(0xFF);
      fixed(value, 8);
      return;
    }
    const uint8_t mask = static_cast<uint8_t>(0xFF00 >> extra);
    byte(static_cast<uint8_t>(mask | (extra < 7 ? value >> (8 * extra) : 0)));
    fixed(value, extra);
  }
  void bits(const std::vector<bool>& values) {
    for (size_t i = 0; i < values.size(); i += 8) {
      uint8_t b = 0;
      for (size_t k = 0; k < 8 && i + k < values.size(); ++k)
        if (values[i + k]) b |= static_cast<uint8_t>(0x80 >> k);
      byte(b);
    }
  }
  // A files-info property: its identifier, then its size, then its data.
  void property(uint8_t id, const HeaderWriter& data) {
    byte(id);
    number(data.bytes.size());
    bytes.insert(bytes.end(), data.bytes.begin(), data.bytes.end());
  }
};

uint64_t filetimeOf(fs::file_time_type time) {
  using namespace std::chrono;
  constexpr int64_t kTicksTo1970 = 116444736000000000;
  const auto since1970 = file_clock::to_sys(time).time_since_epoch();
  return static_cast<uint64_t>(
      duration_cast<duration<int64_t, std::ratio<1, 10000000>>>(since1970).count() + kTicksTo1970);
}

}  // namespace

std::vector<WriterEntry> entriesOfFolder(const fs::path& root) {
  std::vector<WriterEntry> entries;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    WriterEntry entry;
    entry.name = fs::relative(item.path(), root).generic_u16string();
    entry.isFolder = item.is_directory();
    if (!entry.isFolder) entry.source = item.path();
    entry.modified = filetimeOf(item.last_write_time());
    entry.attributes = entry.isFolder ? 0x10 : 0x20;
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return entries;
}

namespace {

// The 7z AES settings of one archive: a random salt and IV per archive.
struct Encryption {
  std::array<uint8_t, 32> key{};
  std::array<uint8_t, 16> iv{};
  std::vector<uint8_t> properties;
};

Encryption encryptionFor(const std::string& password) {
  constexpr unsigned kCyclesPower = 19;
  Encryption encryption;
  std::vector<uint8_t> salt(16);
  randomBytes(salt.data(), salt.size());
  randomBytes(encryption.iv.data(), encryption.iv.size());
  encryption.key = deriveAesKey(wideText(password), salt, kCyclesPower);
  // Cycles with "salt and IV present" flags, then (salt size - 1, IV size - 1).
  encryption.properties = {static_cast<uint8_t>(0xC0 | kCyclesPower), 0xFF};
  encryption.properties.insert(encryption.properties.end(), salt.begin(), salt.end());
  encryption.properties.insert(encryption.properties.end(), encryption.iv.begin(),
                               encryption.iv.end());
  return encryption;
}

// One folder written to the archive: LZMA, then AES when encrypting.
struct EncodedFolder {
  uint8_t lzmaProperties[LZMA_PROPS_SIZE] = {};
  uint64_t lzmaSize = 0;    // what LZMA produced (AES's unpacked size)
  uint64_t packedSize = 0;  // what the archive holds
};

EncodedFolder encodeFolder(std::FILE* file, ISeqInStream* input, int level,
                           const Encryption* encryption, bool& readFailed) {
  EncodedFolder folder;
  std::unique_ptr<AesCbcEncryptor> cipher;
  if (encryption) cipher = AesCbcEncryptor::create(encryption->key, encryption->iv);
  PackedOutput output{{writePacked}, file, cipher.get(), 0, 0, {}, false};
  CLzmaEncHandle encoder = LzmaEnc_Create(&gAllocator);
  if (!encoder) fail(ZEL_LIMIT_EXCEEDED);
  CLzmaEncProps settings;
  LzmaEncProps_Init(&settings);
  settings.level = level;
  SizeT propertiesSize = LZMA_PROPS_SIZE;
  SRes result = LzmaEnc_SetProps(encoder, &settings);
  if (result == SZ_OK)
    result = LzmaEnc_WriteProperties(encoder, folder.lzmaProperties, &propertiesSize);
  if (result == SZ_OK)
    result = LzmaEnc_Encode(encoder, &output.stream, input, nullptr, &gAllocator, &gAllocator);
  LzmaEnc_Destroy(encoder, &gAllocator, &gAllocator);
  if (result == SZ_OK) output.finish();
  if (readFailed || output.failed || result == SZ_ERROR_WRITE || result == SZ_ERROR_READ)
    fail(ZEL_WRITE_ERROR);
  if (result != SZ_OK) fail(ZEL_LIMIT_EXCEEDED);
  folder.lzmaSize = output.plain;
  folder.packedSize = output.packed;
  return folder;
}

// Pack info and coders of a one-folder streams record (without its end byte).
void describeFolder(HeaderWriter& header, uint64_t packPosition, const EncodedFolder& folder,
                    uint64_t unpackSize, const Encryption* encryption,
                    std::optional<uint32_t> crc) {
  header.byte(0x06);  // pack info
  header.number(packPosition);
  header.number(1);
  header.byte(0x09);
  header.number(folder.packedSize);
  header.byte(0x00);
  header.byte(0x07);  // coders
  header.byte(0x0B);
  header.number(1);
  header.byte(0);
  header.number(encryption ? 2 : 1);
  header.byte(0x23);          // LZMA: three id bytes, with properties
  header.fixed(0x010103, 3);  // 03 01 01
  header.number(LZMA_PROPS_SIZE);
  for (const uint8_t b : folder.lzmaProperties) header.byte(b);
  if (encryption) {
    header.byte(0x24);  // 7z AES: four id bytes, with properties
    for (const uint8_t b : {0x06, 0xF1, 0x07, 0x01}) header.byte(b);
    header.number(encryption->properties.size());
    for (const uint8_t b : encryption->properties) header.byte(b);
    header.number(0);  // LZMA's input is bound to AES's output
    header.number(1);
  }
  header.byte(0x0C);
  header.number(unpackSize);
  if (encryption) header.number(folder.lzmaSize);
  if (crc) {
    header.byte(0x0A);
    header.byte(1);
    header.fixed(*crc, 4);
  }
  header.byte(0x00);
}

void writeArchive(const fs::path& archive, const std::vector<WriterEntry>& entries, int level,
                  const std::string& password) {
  std::vector<const WriterEntry*> files;
  for (const auto& entry : entries) {
    if (entry.isFolder) continue;
    std::error_code error;
    const uint64_t size = fs::file_size(entry.source, error);
    if (error) fail(ZEL_WRITE_ERROR);
    if (size > 0) files.push_back(&entry);
  }
  const std::optional<Encryption> encryption =
      password.empty() ? std::nullopt : std::optional(encryptionFor(password));
  const Encryption* key = encryption ? &*encryption : nullptr;

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
#ifdef _WIN32
      _wfopen(archive.c_str(), L"wb"),
#else
      std::fopen(archive.c_str(), "wb"),
#endif
      std::fclose);
  if (!file) fail(ZEL_WRITE_ERROR);
  const uint8_t placeholder[32] = {};
  if (std::fwrite(placeholder, 1, sizeof placeholder, file.get()) != sizeof placeholder)
    fail(ZEL_WRITE_ERROR);

  FileInput input{{readFiles}, &files, 0, {}, false, false, {}, {}};
  EncodedFolder data;
  if (!files.empty()) data = encodeFolder(file.get(), &input.stream, level, key, input.failed);
  if (input.sizes.size() != files.size()) fail(ZEL_WRITE_ERROR);

  HeaderWriter header;
  header.byte(0x01);  // header
  if (!files.empty()) {
    uint64_t total = 0;
    for (const uint64_t size : input.sizes) total += size;
    header.byte(0x04);  // main streams
    describeFolder(header, 0, data, total, key, std::nullopt);
    header.byte(0x08);  // substreams
    header.byte(0x0D);
    header.number(input.sizes.size());
    header.byte(0x09);
    for (size_t i = 0; i + 1 < input.sizes.size(); ++i) header.number(input.sizes[i]);
    header.byte(0x0A);
    header.byte(1);
    for (const uint32_t crc : input.crcs) header.fixed(crc, 4);
    header.byte(0x00);
    header.byte(0x00);
  }
  if (!entries.empty()) {
    header.byte(0x05);  // files
    header.number(entries.size());
    std::vector<bool> emptyStream, emptyFile;
    size_t next = 0;
    for (const auto& entry : entries) {
      const bool hasData = next < files.size() && files[next] == &entry;
      if (hasData) ++next;
      emptyStream.push_back(!hasData);
      if (!hasData) emptyFile.push_back(!entry.isFolder);
    }
    if (next != entries.size()) {
      HeaderWriter streams;
      streams.bits(emptyStream);
      header.property(0x0E, streams);
      if (std::find(emptyFile.begin(), emptyFile.end(), true) != emptyFile.end()) {
        HeaderWriter empties;
        empties.bits(emptyFile);
        header.property(0x0F, empties);
      }
    }
    HeaderWriter names;
    names.byte(0);
    for (const auto& entry : entries) {
      for (const char16_t unit : entry.name) names.fixed(unit, 2);
      names.fixed(0, 2);
    }
    header.property(0x11, names);
    HeaderWriter times;
    times.byte(1);
    times.byte(0);
    for (const auto& entry : entries) times.fixed(entry.modified, 8);
    header.property(0x14, times);
    HeaderWriter attributes;
    attributes.byte(1);
    attributes.byte(0);
    for (const auto& entry : entries) attributes.fixed(entry.attributes, 4);
    header.property(0x15, attributes);
    header.byte(0x00);
  }
  header.byte(0x00);

  // With a password the header itself is compressed and encrypted behind a short plain one.
  uint64_t headerOffset = data.packedSize;
  if (key) {
    MemoryInput headerInput{{readMemory}, &header.bytes, 0};
    bool headerReadFailed = false;  // memory is never short
    const EncodedFolder packedHeader =
        encodeFolder(file.get(), &headerInput.stream, level, key, headerReadFailed);
    HeaderWriter encoded;
    encoded.byte(0x17);  // encoded header
    describeFolder(encoded, data.packedSize, packedHeader, header.bytes.size(), key,
                   crc32Of(header.bytes.data(), header.bytes.size()));
    encoded.byte(0x00);
    headerOffset += packedHeader.packedSize;
    header = std::move(encoded);
  }
  if (std::fwrite(header.bytes.data(), 1, header.bytes.size(), file.get()) != header.bytes.size())
    fail(ZEL_WRITE_ERROR);
  HeaderWriter start;
  start.fixed(headerOffset, 8);
  start.fixed(header.bytes.size(), 8);
  start.fixed(crc32Of(header.bytes.data(), header.bytes.size()), 4);
  HeaderWriter signature;
  for (const uint8_t b : std::initializer_list<uint8_t>{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4})
    signature.byte(b);
  signature.fixed(crc32Of(start.bytes.data(), start.bytes.size()), 4);
  signature.bytes.insert(signature.bytes.end(), start.bytes.begin(), start.bytes.end());
  if (std::fseek(file.get(), 0, SEEK_SET) != 0 ||
      std::fwrite(signature.bytes.data(), 1, signature.bytes.size(), file.get()) != 32 ||
      std::fflush(file.get()) != 0)
    fail(ZEL_WRITE_ERROR);
}

}  // namespace

void writeSevenZip(const fs::path& archive, const std::vector<WriterEntry>& entries, int level,
                   const std::string& password) {
  try {
    writeArchive(archive, entries, level, password);
  } catch (...) {
    std::error_code ignored;
    fs::remove(archive, ignored);  // no half-written archive stays behind
    throw;
  }
}

}  // namespace zel
