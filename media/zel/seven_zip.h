#pragma once
// The 7z archive: its headers (plain or encoded), its entries, and the decoding of its folders.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/zel/streams.h"

namespace zel {

struct Coder {
  uint64_t methodId = 0;
  unsigned inputs = 1;
  std::vector<uint8_t> properties;
};

// A folder is a graph of coders: every coder has one output; each input is either bound to
// another coder's output or reads a packed stream.
struct Folder {
  std::vector<Coder> coders;
  std::vector<std::pair<uint32_t, uint32_t>> bindPairs;  // input index, output (= coder) index
  std::vector<uint32_t> packedInputs;  // input index of each of the folder's packed streams
  std::vector<uint64_t> unpackSizes;   // per coder output
  std::optional<uint32_t> crc;
  size_t firstPackStream = 0;
  uint32_t mainCoder = 0;  // the coder whose output is the folder's data
  uint64_t unpackSize() const { return unpackSizes[mainCoder]; }
};

struct Entry {
  std::u16string name;
  bool hasData = false;  // false for folders and empty files
  bool isFolder = false;
  bool isAnti = false;  // a deletion marker of an update archive; never extracted
  uint64_t size = 0;
  uint64_t packedSize = 0;
  std::optional<uint32_t> crc;
  uint64_t modified = 0;  // FILETIME, 0 when unknown
  std::optional<uint32_t> attributes;
  size_t folder = 0;  // for entries with data
};

// Receives the data of the entries being extracted, in the archive's folder order.
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  virtual void begin(size_t entry) = 0;
  virtual void write(const uint8_t* data, size_t size) = 0;
  // All data arrived and its CRC matched.
  virtual void end(size_t entry) = 0;
};

class SevenZipArchive {
 public:
  // Reads the headers; fails with ZEL_CANNOT_OPEN (or ZEL_LIMIT_EXCEEDED) when it cannot.
  SevenZipArchive(ByteSource& source, KeyCache& keys);

  const std::vector<Entry>& entries() const { return entries_; }

  // Hands the wanted entries to the sink: those without data first, then the others folder by
  // folder, each folder decoded once up to its last wanted entry.
  void extract(const std::vector<bool>& wanted, EntrySink& sink);

 private:
  struct StreamsInfo {
    uint64_t packPosition = 0;
    std::vector<uint64_t> packSizes;
    std::vector<Folder> folders;
    std::vector<size_t> substreamCounts;  // per folder
    std::vector<uint64_t> substreamSizes;
    std::vector<std::optional<uint32_t>> substreamCrcs;
  };
  class HeaderReader;

  void readHeader(HeaderReader& reader);
  StreamsInfo readStreamsInfo(HeaderReader& reader);
  void readFiles(HeaderReader& reader);
  std::vector<uint8_t> decodeHeader(const StreamsInfo& info);
  InStreamPtr openFolder(const StreamsInfo& info, size_t folder);

  ByteSource& source_;
  KeyCache& keys_;
  StreamsInfo main_;
  std::vector<Entry> entries_;
};

}  // namespace zel
