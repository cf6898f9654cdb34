#include "media/zel/seven_zip.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zel {
namespace {

constexpr std::array<uint8_t, 6> kSignature = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr uint64_t kSignatureHeaderSize = 32;
// Bounds that keep hostile headers from costing unbounded memory or time.
constexpr uint64_t kMaxHeaderSize = uint64_t{256} << 20;
constexpr uint64_t kMaxEntries = uint64_t{1} << 20;
constexpr uint64_t kMaxCoders = 32;
constexpr int kMaxHeaderNesting = 4;

// Property identifiers of the header.
enum Property : uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kLastWriteTime = 0x14,
  kWinAttributes = 0x15,
  kEncodedHeader = 0x17,
};

[[noreturn]] void badHeader() {
  fail(ZEL_CANNOT_OPEN);
}

uint64_t readLe(const uint8_t* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

}  // namespace

// Bounds-checked reading of header bytes; every fault is a damaged header.
class SevenZipArchive::HeaderReader {
 public:
  HeaderReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  size_t remaining() const { return static_cast<size_t>(end_ - p_); }
  const uint8_t* position() const { return p_; }
  uint8_t byte() {
    if (p_ == end_) badHeader();
    return *p_++;
  }
  void skip(uint64_t count) {
    if (count > remaining()) badHeader();
    p_ += count;
  }
  uint64_t fixed(int bytes) {
    if (remaining() < static_cast<size_t>(bytes)) badHeader();
    const uint64_t value = readLe(p_, bytes);
    p_ += bytes;
    return value;
  }
  // The variable-length number: leading one bits of the first byte count the extra bytes.
  uint64_t number() {
    const uint8_t first = byte();
    int extra = 0;
    while (extra < 8 && (first & (0x80 >> extra))) ++extra;
    const uint64_t low = fixed(extra);
    if (extra >= 7) return low;
    const uint64_t high = first & ((0x80u >> extra) - 1);
    return low | (high << (8 * extra));
  }
  // A count of items of at least `bytesPerItem` bytes each that the header still holds.
  size_t count(uint64_t limit, size_t bytesPerItem = 1) {
    const uint64_t value = number();
    if (value > limit || value > remaining() / bytesPerItem + 1) badHeader();
    return static_cast<size_t>(value);
  }
  std::vector<bool> bits(size_t count) {
    if ((count + 7) / 8 > remaining()) badHeader();
    std::vector<bool> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = (p_[i / 8] >> (7 - i % 8)) & 1;
    p_ += (count + 7) / 8;
    return out;
  }
  // "All defined" byte, else a bit per item.
  std::vector<bool> definedBits(size_t count) {
    if (byte() != 0) return std::vector<bool>(count, true);
    return bits(count);
  }
  std::vector<std::optional<uint32_t>> digests(size_t count) {
    const auto defined = definedBits(count);
    std::vector<std::optional<uint32_t>> out(count);
    for (size_t i = 0; i < count; ++i)
      if (defined[i]) out[i] = static_cast<uint32_t>(fixed(4));
    return out;
  }
  void expect(uint8_t id) {
    if (byte() != id) badHeader();
  }
  // Data kept in the header itself ("external" data streams are not supported).
  void expectInline() {
    if (byte() != 0) badHeader();
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

SevenZipArchive::SevenZipArchive(ByteSource& source, KeyCache& keys)
    : source_(source), keys_(keys) {
  try {
    std::array<uint8_t, kSignatureHeaderSize> start{};
    if (source.readAt(0, start.data(), start.size()) != start.size()) badHeader();
    if (!std::equal(kSignature.begin(), kSignature.end(), start.begin()) || start[6] != 0)
      badHeader();
    if (crc32Of(start.data() + 12, 20) != readLe(start.data() + 8, 4)) badHeader();
    const uint64_t offset = readLe(start.data() + 12, 8);
    const uint64_t size = readLe(start.data() + 20, 8);
    const uint32_t crc = static_cast<uint32_t>(readLe(start.data() + 28, 4));
    if (size == 0) return;  // an archive without entries
    if (size > kMaxHeaderSize || offset > source.size() ||
        size > source.size() - kSignatureHeaderSize - std::min(offset, source.size()) ||
        offset + kSignatureHeaderSize + size > source.size())
      badHeader();
    std::vector<uint8_t> header(static_cast<size_t>(size));
    if (source.readAt(kSignatureHeaderSize + offset, header.data(), header.size()) != size ||
        crc32Of(header.data(), header.size()) != crc)
      badHeader();
    for (int nesting = 0;; ++nesting) {
      HeaderReader reader(header.data(), header.size());
      const uint8_t kind = reader.byte();
      if (kind == kHeader) {
        readHeader(reader);
        break;
      }
      if (kind != kEncodedHeader || nesting == kMaxHeaderNesting) badHeader();
      const StreamsInfo packed = readStreamsInfo(reader);
      header = decodeHeader(packed);
    }
  } catch (const ArchiveError& error) {
    // Undecodable headers are what a wrong password gives; they all mean "cannot open".
    if (error.code != ZEL_LIMIT_EXCEEDED) fail(ZEL_CANNOT_OPEN);
    throw;
  }
}

void SevenZipArchive::readHeader(HeaderReader& reader) {
  uint8_t id = reader.byte();
  if (id == kArchiveProperties) {
    while (reader.byte() != kEnd) reader.skip(reader.number());
    id = reader.byte();
  }
  if (id == kAdditionalStreamsInfo) {
    readStreamsInfo(reader);  // only used by external data, which is refused below
    id = reader.byte();
  }
  if (id == kMainStreamsInfo) {
    main_ = readStreamsInfo(reader);
    id = reader.byte();
  }
  if (id == kFilesInfo) {
    readFiles(reader);
    id = reader.byte();
  }
  if (id != kEnd) badHeader();
}

SevenZipArchive::StreamsInfo SevenZipArchive::readStreamsInfo(HeaderReader& reader) {
  StreamsInfo info;
  uint8_t id = reader.byte();
  if (id == kPackInfo) {
    info.packPosition = reader.number();
    info.packSizes.resize(reader.count(kMaxEntries));
    for (id = reader.byte(); id != kEnd; id = reader.byte()) {
      if (id == kSize) {
        for (auto& size : info.packSizes) size = reader.number();
      } else if (id == kCrc) {
        reader.digests(info.packSizes.size());  // the data's own CRCs are checked instead
      } else {
        reader.skip(reader.number());
      }
    }
    id = reader.byte();
  }
  if (id == kUnpackInfo) {
    reader.expect(kFolder);
    info.folders.resize(reader.count(kMaxEntries, 2));
    reader.expectInline();
    size_t packStreams = 0;
    for (auto& folder : info.folders) {
      folder.coders.resize(reader.count(kMaxCoders));
      if (folder.coders.empty()) badHeader();
      size_t inputs = 0;
      for (auto& coder : folder.coders) {
        const uint8_t flags = reader.byte();
        const int idSize = flags & 0x0F;
        if (idSize > 8 || (flags & 0x80)) badHeader();  // alternative methods are not in use
        const uint8_t* idBytes = reader.position();
        reader.skip(static_cast<uint64_t>(idSize));
        coder.methodId = 0;
        for (int i = 0; i < idSize; ++i) coder.methodId = (coder.methodId << 8) | idBytes[i];
        if (flags & 0x10) {
          coder.inputs = static_cast<unsigned>(reader.count(kMaxCoders));
          if (reader.number() != 1) fail(ZEL_UNSUPPORTED_METHOD);
        }
        if (flags & 0x20) {
          const size_t size = reader.count(UINT32_MAX);
          const uint8_t* data = reader.position();
          reader.skip(size);
          coder.properties.assign(data, data + size);
        }
        inputs += coder.inputs;
      }
      if (inputs > kMaxCoders) badHeader();
      const size_t coderCount = folder.coders.size();
      std::vector<bool> outputBound(coderCount), inputBound(inputs);
      for (size_t i = 0; i + 1 < coderCount; ++i) {
        const uint64_t in = reader.number();
        const uint64_t out = reader.number();
        if (in >= inputs || out >= coderCount || inputBound[in] || outputBound[out]) badHeader();
        inputBound[in] = outputBound[out] = true;
        folder.bindPairs.emplace_back(static_cast<uint32_t>(in), static_cast<uint32_t>(out));
      }
      folder.mainCoder = static_cast<uint32_t>(
          std::find(outputBound.begin(), outputBound.end(), false) - outputBound.begin());
      const size_t packed = inputs - (coderCount - 1);
      if (packed == 1) {
        folder.packedInputs.push_back(static_cast<uint32_t>(
            std::find(inputBound.begin(), inputBound.end(), false) - inputBound.begin()));
      } else {
        for (size_t i = 0; i < packed; ++i) {
          const uint64_t in = reader.number();
          if (in >= inputs || inputBound[in]) badHeader();
          inputBound[in] = true;
          folder.packedInputs.push_back(static_cast<uint32_t>(in));
        }
      }
      folder.firstPackStream = packStreams;
      packStreams += packed;
    }
    if (packStreams > info.packSizes.size()) badHeader();
    reader.expect(kCodersUnpackSize);
    for (auto& folder : info.folders) {
      folder.unpackSizes.resize(folder.coders.size());
      for (auto& size : folder.unpackSizes) size = reader.number();
    }
    for (id = reader.byte(); id != kEnd; id = reader.byte()) {
      if (id == kCrc) {
        const auto crcs = reader.digests(info.folders.size());
        for (size_t i = 0; i < crcs.size(); ++i) info.folders[i].crc = crcs[i];
      } else {
        reader.skip(reader.number());
      }
    }
    id = reader.byte();
  }
  info.substreamCounts.assign(info.folders.size(), 1);
  if (id == kSubStreamsInfo) {
    for (id = reader.byte(); id == kNumUnpackStream; id = reader.byte()) {
      for (auto& count : info.substreamCounts) count = reader.count(kMaxEntries);
    }
    uint64_t total = 0;
    for (const size_t count : info.substreamCounts) total += count;
    if (total > kMaxEntries) badHeader();
    for (size_t f = 0; f < info.folders.size(); ++f) {
      const size_t count = info.substreamCounts[f];
      if (count == 0) continue;
      uint64_t left = info.folders[f].unpackSize();
      for (size_t s = 0; s + 1 < count; ++s) {
        if (id != kSize) badHeader();
        const uint64_t size = reader.number();
        if (size > left) badHeader();
        info.substreamSizes.push_back(size);
        left -= size;
      }
      info.substreamSizes.push_back(left);
    }
    if (id == kSize) id = reader.byte();
    // CRCs are listed only for streams whose folder CRC does not already cover them.
    std::vector<size_t> unknown;
    size_t index = 0;
    info.substreamCrcs.resize(info.substreamSizes.size());
    for (size_t f = 0; f < info.folders.size(); ++f) {
      const size_t count = info.substreamCounts[f];
      if (count == 1 && info.folders[f].crc) {
        info.substreamCrcs[index] = info.folders[f].crc;
      } else {
        for (size_t s = 0; s < count; ++s) unknown.push_back(index + s);
      }
      index += count;
    }
    for (; id != kEnd; id = reader.byte()) {
      if (id == kCrc) {
        const auto crcs = reader.digests(unknown.size());
        for (size_t i = 0; i < unknown.size(); ++i) info.substreamCrcs[unknown[i]] = crcs[i];
      } else {
        reader.skip(reader.number());
      }
    }
    id = reader.byte();
  } else {
    for (const auto& folder : info.folders) {
      info.substreamSizes.push_back(folder.unpackSize());
      info.substreamCrcs.push_back(folder.crc);
    }
  }
  if (id != kEnd) badHeader();
  return info;
}

void SevenZipArchive::readFiles(HeaderReader& reader) {
  const size_t count = reader.count(kMaxEntries, 2);  // every entry has a name
  entries_.resize(count);
  std::vector<bool> emptyStream(count), emptyFile, anti;
  size_t emptyCount = 0;
  bool named = false;
  for (uint8_t id = reader.byte(); id != kEnd; id = reader.byte()) {
    const uint64_t size = reader.number();
    if (size > reader.remaining()) badHeader();
    HeaderReader property(reader.position(), static_cast<size_t>(size));
    reader.skip(size);
    switch (id) {
      case kEmptyStream:
        emptyStream = property.bits(count);
        emptyCount = static_cast<size_t>(std::count(emptyStream.begin(), emptyStream.end(), true));
        break;
      case kEmptyFile:
        emptyFile = property.bits(emptyCount);
        break;
      case kAnti:
        anti = property.bits(emptyCount);
        break;
      case kName: {
        property.expectInline();
        for (auto& entry : entries_) {
          for (;;) {
            const auto unit = static_cast<char16_t>(property.fixed(2));
            if (unit == 0) break;
            entry.name += unit;
          }
        }
        named = true;
        break;
      }
      case kLastWriteTime: {
        const auto defined = property.definedBits(count);
        property.expectInline();
        for (size_t i = 0; i < count; ++i)
          if (defined[i]) entries_[i].modified = property.fixed(8);
        break;
      }
      case kWinAttributes: {
        const auto defined = property.definedBits(count);
        property.expectInline();
        for (size_t i = 0; i < count; ++i)
          if (defined[i]) entries_[i].attributes = static_cast<uint32_t>(property.fixed(4));
        break;
      }
      default:
        break;  // times of creation and access, padding and newer properties
    }
  }
  if (!named && count > 0) badHeader();
  // Entries with data take the folders' substreams in order.
  size_t folder = 0, substream = 0, inFolder = 0, empty = 0;
  for (size_t i = 0; i < count; ++i) {
    Entry& entry = entries_[i];
    if (emptyStream[i]) {
      const bool isFile = empty < emptyFile.size() && emptyFile[empty];
      entry.isAnti = empty < anti.size() && anti[empty];
      entry.isFolder = !isFile;
      ++empty;
      continue;
    }
    while (folder < main_.folders.size() && inFolder == main_.substreamCounts[folder]) {
      ++folder;
      inFolder = 0;
    }
    if (folder == main_.folders.size()) badHeader();
    entry.hasData = true;
    entry.folder = folder;
    entry.size = main_.substreamSizes[substream];
    entry.crc = main_.substreamCrcs[substream];
    if (inFolder == 0) {
      const Folder& f = main_.folders[folder];
      for (size_t p = 0; p < f.packedInputs.size(); ++p)
        entry.packedSize += main_.packSizes[f.firstPackStream + p];
    }
    ++substream;
    ++inFolder;
  }
  if (substream != main_.substreamSizes.size()) badHeader();
}

std::vector<uint8_t> SevenZipArchive::decodeHeader(const StreamsInfo& info) {
  std::vector<uint8_t> header;
  for (size_t f = 0; f < info.folders.size(); ++f) {
    const uint64_t size = info.folders[f].unpackSize();
    if (size > kMaxHeaderSize - header.size()) fail(ZEL_LIMIT_EXCEEDED);
    auto stream = openFolder(info, f);
    const size_t start = header.size();
    // Grow with the data actually decoded, not with the size the header claims.
    for (uint64_t left = size; left > 0;) {
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, 1 << 20));
      header.resize(header.size() + piece);
      readExactly(*stream, header.data() + header.size() - piece, piece);
      left -= piece;
    }
    if (info.folders[f].crc &&
        crc32Of(header.data() + start, header.size() - start) != *info.folders[f].crc)
      fail(ZEL_DATA_ERROR);
  }
  if (header.empty()) badHeader();
  return header;
}

InStreamPtr SevenZipArchive::openFolder(const StreamsInfo& info, size_t index) {
  const Folder& folder = info.folders[index];
  // Packed streams must lie inside the archive; hostile sizes must not wrap around.
  const uint64_t end = source_.size();
  const auto advance = [end](uint64_t& at, uint64_t by) {
    if (at > end || by > end - at) fail(ZEL_DATA_ERROR);  // the archive is truncated
    at += by;
  };
  uint64_t offset = kSignatureHeaderSize;
  advance(offset, info.packPosition);
  for (size_t i = 0; i < folder.firstPackStream; ++i) advance(offset, info.packSizes[i]);
  std::vector<uint64_t> packOffsets;
  for (size_t i = 0; i < folder.packedInputs.size(); ++i) {
    packOffsets.push_back(offset);
    advance(offset, info.packSizes[folder.firstPackStream + i]);
  }

  std::vector<bool> built(folder.coders.size());
  // Builds the decoder of a coder's output from its inputs, each coder once: every output is
  // bound once at most, so a cycle shows as a second visit.
  auto build = [&](auto&& self, uint32_t coderIndex) -> InStreamPtr {
    if (built[coderIndex]) badHeader();
    built[coderIndex] = true;
    const Coder& coder = folder.coders[coderIndex];
    uint32_t firstInput = 0;
    for (uint32_t c = 0; c < coderIndex; ++c) firstInput += folder.coders[c].inputs;
    std::vector<InStreamPtr> inputs;
    for (uint32_t i = 0; i < coder.inputs; ++i) {
      const uint32_t input = firstInput + i;
      const auto bound = std::find_if(folder.bindPairs.begin(), folder.bindPairs.end(),
                                      [&](const auto& pair) { return pair.first == input; });
      if (bound != folder.bindPairs.end()) {
        inputs.push_back(self(self, bound->second));
        continue;
      }
      const auto packed = std::find(folder.packedInputs.begin(), folder.packedInputs.end(), input);
      if (packed == folder.packedInputs.end()) badHeader();
      const auto k = static_cast<size_t>(packed - folder.packedInputs.begin());
      inputs.push_back(
          makePackStream(source_, packOffsets[k], info.packSizes[folder.firstPackStream + k]));
    }
    return makeDecoder(coder.methodId, coder.properties, std::move(inputs),
                       folder.unpackSizes[coderIndex], keys_);
  };
  return build(build, folder.mainCoder);
}

void SevenZipArchive::extract(const std::vector<bool>& wanted, EntrySink& sink) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!wanted[i] || entries_[i].hasData) continue;
    sink.begin(i);
    sink.end(i);
  }
  uint64_t largest = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (wanted[i]) largest = std::max(largest, entries_[i].size);
  std::vector<uint8_t> buffer(static_cast<size_t>(std::clamp<uint64_t>(largest, 1, 1 << 18)));
  size_t next = 0;  // first entry of the folder being looked at
  for (size_t f = 0; f < main_.folders.size(); ++f) {
    std::vector<size_t> members;
    for (; next < entries_.size(); ++next) {
      if (!entries_[next].hasData) continue;
      if (entries_[next].folder != f) break;
      members.push_back(next);
    }
    size_t last = members.size();
    while (last > 0 && !wanted[members[last - 1]]) --last;
    if (last == 0) continue;
    auto stream = openFolder(main_, f);
    for (size_t m = 0; m < last; ++m) {
      const size_t index = members[m];
      const Entry& entry = entries_[index];
      if (wanted[index]) sink.begin(index);
      uint32_t crc = 0;
      for (uint64_t left = entry.size; left > 0;) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        readExactly(*stream, buffer.data(), piece);
        if (wanted[index]) {
          crc = crc32Update(crc, buffer.data(), piece);
          sink.write(buffer.data(), piece);
        }
        left -= piece;
      }
      if (!wanted[index]) continue;
      if (entry.crc && crc != *entry.crc) fail(ZEL_DATA_ERROR);
      sink.end(index);
    }
  }
}

}  // namespace zel
