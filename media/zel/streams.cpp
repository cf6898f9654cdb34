// The decoders of 7z coders as pull streams. LZMA chunks, in LZMA streams and in LZMA2, are
// decoded by the LZMA SDK's LzmaDec into a dictionary that this file owns and sizes.
#include "media/zel/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "LzmaDec.h"
#include "media/zel/branch_filters.h"

// Defined by LzmaDec.c for LZMA2 decoders but not declared by its header.
extern "C" void LzmaDec_InitDicAndState(CLzmaDec* p, Bool initDic, Bool initState);

namespace zel {
namespace {

constexpr size_t kBufferSize = 1 << 16;

// Buffers sized to the data they will hold, so that small archives cost little; at least 64
// bytes for the filters' look-ahead and a multiple of the AES block.
size_t bufferSizeFor(uint64_t dataSize) {
  const uint64_t size = std::clamp<uint64_t>(dataSize, 64, kBufferSize);
  return static_cast<size_t>((size + 15) / 16 * 16);
}

void* allocate(void*, size_t size) {
  return std::malloc(size);
}
void release(void*, void* address) {
  std::free(address);
}
ISzAlloc gAllocator = {allocate, release};

class PackStream : public InStream {
 public:
  PackStream(ByteSource& source, uint64_t offset, uint64_t size)
      : source_(source), offset_(offset), remaining_(size) {}
  size_t read(uint8_t* buffer, size_t count) override {
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, remaining_));
    if (wanted == 0) return 0;
    const size_t got = source_.readAt(offset_, buffer, wanted);
    if (got == 0) fail(ZEL_DATA_ERROR);  // the archive ends inside a packed stream
    offset_ += got;
    remaining_ -= got;
    return got;
  }

 private:
  ByteSource& source_;
  uint64_t offset_;
  uint64_t remaining_;
};

// A read buffer over a stream for decoders that consume their input in pieces.
class BufferedInput {
 public:
  explicit BufferedInput(InStreamPtr stream) : stream_(std::move(stream)), buffer_(4096) {}
  // The buffered bytes, refilled when empty; empty only at the end of the stream.
  std::pair<const uint8_t*, size_t> peek() {
    if (begin_ == end_) {
      // Grows while the input keeps filling it.
      if (end_ == buffer_.size() && buffer_.size() < kBufferSize)
        buffer_.resize(buffer_.size() * 2);
      begin_ = 0;
      end_ = stream_->read(buffer_.data(), buffer_.size());
    }
    return {buffer_.data() + begin_, end_ - begin_};
  }
  void consume(size_t count) { begin_ += count; }
  uint8_t byte() {
    const auto [data, size] = peek();
    if (size == 0) fail(ZEL_DATA_ERROR);
    consume(1);
    return data[0];
  }

 private:
  InStreamPtr stream_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
};

// A decoder that knows how many bytes it produces and fails when its input gives fewer.
class SizedDecoder : public InStream {
 public:
  explicit SizedDecoder(uint64_t outSize) : remaining_(outSize) {}
  size_t read(uint8_t* buffer, size_t count) final {
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, remaining_));
    if (wanted == 0) return 0;
    const size_t got = produce(buffer, wanted);
    if (got == 0) fail(ZEL_DATA_ERROR);
    remaining_ -= got;
    return got;
  }

 protected:
  // Produces between 1 and `count` bytes, or 0 when the input has ended.
  virtual size_t produce(uint8_t* buffer, size_t count) = 0;
  uint64_t remaining() const { return remaining_; }

 private:
  uint64_t remaining_;
};

class CopyDecoder : public SizedDecoder {
 public:
  CopyDecoder(InStreamPtr input, uint64_t outSize)
      : SizedDecoder(outSize), input_(std::move(input)) {}

 private:
  size_t produce(uint8_t* buffer, size_t count) override { return input_->read(buffer, count); }
  InStreamPtr input_;
};

// LzmaDec with a dictionary of at most the output size, so that small streams with large
// dictionary settings stay small.
class LzmaCore {
 public:
  LzmaCore(uint32_t dictionarySize, uint64_t outSize, const uint8_t (&allocationProps)[5]) {
    LzmaDec_Construct(&state_);
    const uint64_t dictionary = std::max<uint64_t>(dictionarySize, 4096);
    const uint64_t bufferSize = std::max<uint64_t>(std::min(dictionary, outSize), 1);
    if (bufferSize > kMaxDictionary) fail(ZEL_LIMIT_EXCEEDED);
    if (LzmaDec_AllocateProbs(&state_, allocationProps, LZMA_PROPS_SIZE, &gAllocator) != SZ_OK)
      fail(ZEL_LIMIT_EXCEEDED);
    dictionary_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bufferSize)]);
    if (!dictionary_) fail(ZEL_LIMIT_EXCEEDED);
    state_.dic = dictionary_.get();
    state_.dicBufSize = static_cast<SizeT>(bufferSize);
    state_.prop.dicSize = static_cast<UInt32>(dictionary);
    LzmaDec_Init(&state_);
  }
  ~LzmaCore() { LzmaDec_FreeProbs(&state_, &gAllocator); }
  LzmaCore(const LzmaCore&) = delete;
  LzmaCore& operator=(const LzmaCore&) = delete;

  CLzmaDec& state() { return state_; }

  // Decodes up to `count` bytes into `buffer` from at most `inputLimit` bytes of `input`;
  // `last` says that these are the final bytes of the LZMA stream or chunk.
  size_t decode(BufferedInput& input, uint64_t inputLimit, uint8_t* buffer, size_t count, bool last,
                uint64_t& consumed) {
    consumed = 0;
    if (state_.dicPos == state_.dicBufSize) state_.dicPos = 0;
    const SizeT start = state_.dicPos;
    const SizeT limit = start + std::min<SizeT>(count, state_.dicBufSize - start);
    const bool finishes = last && limit - start == count;
    for (;;) {
      const auto [data, available] = input.peek();
      SizeT inSize = static_cast<SizeT>(std::min<uint64_t>(available, inputLimit - consumed));
      ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
      const SRes result = LzmaDec_DecodeToDic(
          &state_, limit, data, &inSize, finishes ? LZMA_FINISH_END : LZMA_FINISH_ANY, &status);
      input.consume(inSize);
      consumed += inSize;
      if (result != SZ_OK) fail(ZEL_DATA_ERROR);
      const size_t produced = state_.dicPos - start;
      if (produced > 0) {
        std::memcpy(buffer, state_.dic + start, produced);
        return produced;
      }
      // An end mark before the recorded size, or no input left: the stream is damaged.
      if (status == LZMA_STATUS_FINISHED_WITH_MARK || available == 0 || consumed == inputLimit)
        fail(ZEL_DATA_ERROR);
    }
  }

  // Appends stored bytes to the dictionary, as LZMA2's uncompressed chunks do.
  void appendUncompressed(const uint8_t* data, size_t size) {
    while (size > 0) {
      if (state_.dicPos == state_.dicBufSize) state_.dicPos = 0;
      const size_t piece = std::min<size_t>(size, state_.dicBufSize - state_.dicPos);
      std::memcpy(state_.dic + state_.dicPos, data, piece);
      if (state_.checkDicSize == 0 && state_.prop.dicSize - state_.processedPos <= piece)
        state_.checkDicSize = state_.prop.dicSize;
      state_.processedPos += static_cast<UInt32>(piece);
      state_.dicPos += piece;
      data += piece;
      size -= piece;
    }
  }

 private:
  CLzmaDec state_;
  std::unique_ptr<uint8_t[]> dictionary_;
};

class LzmaDecoder : public SizedDecoder {
 public:
  LzmaDecoder(const std::vector<uint8_t>& properties, InStreamPtr input, uint64_t outSize)
      : SizedDecoder(outSize),
        input_(std::move(input)),
        core_(dictionarySize(properties), outSize, checkedProps(properties)) {}

 private:
  static const uint8_t (&checkedProps(const std::vector<uint8_t>& properties))[5] {
    if (properties.size() != LZMA_PROPS_SIZE || properties[0] >= 9 * 5 * 5)
      fail(ZEL_UNSUPPORTED_METHOD);
    return *reinterpret_cast<const uint8_t(*)[5]>(properties.data());
  }
  static uint32_t dictionarySize(const std::vector<uint8_t>& properties) {
    checkedProps(properties);
    return uint32_t{properties[1]} | uint32_t{properties[2]} << 8 | uint32_t{properties[3]} << 16 |
           uint32_t{properties[4]} << 24;
  }
  size_t produce(uint8_t* buffer, size_t count) override {
    uint64_t consumed = 0;
    return core_.decode(input_, UINT64_MAX, buffer, count, count == remaining(), consumed);
  }

  BufferedInput input_;
  LzmaCore core_;
};

// LZMA2: a sequence of chunks, each stored or LZMA-coded, that may reset the dictionary, the
// coder state or the literal/position settings.
class Lzma2Decoder : public SizedDecoder {
 public:
  Lzma2Decoder(const std::vector<uint8_t>& properties, InStreamPtr input, uint64_t outSize)
      : SizedDecoder(outSize),
        input_(std::move(input)),
        core_(dictionarySize(properties), outSize, kLargestProps) {}

 private:
  // Literal settings up to lc + lp = 4 fit the probabilities allocated for lc = 4.
  static constexpr uint8_t kLargestProps[5] = {4, 0, 0, 0, 0};

  static uint32_t dictionarySize(const std::vector<uint8_t>& properties) {
    if (properties.size() != 1 || properties[0] > 40) fail(ZEL_UNSUPPORTED_METHOD);
    if (properties[0] == 40) return 0xFFFFFFFF;
    return (2u | (properties[0] & 1u)) << (properties[0] / 2 + 11);
  }

  void startChunk() {
    const uint8_t control = input_.byte();
    if (control == 0) fail(ZEL_DATA_ERROR);  // the end, before the recorded size
    if (control == 1 || control == 2) {
      if (control == 1) {
        LzmaDec_InitDicAndState(&core_.state(), 1, 0);
        dictionaryReady_ = true;
      }
      if (!dictionaryReady_) fail(ZEL_DATA_ERROR);
      chunkUnpacked_ = readBe16() + 1u;
      stored_ = true;
      return;
    }
    if (control < 0x80) fail(ZEL_DATA_ERROR);
    chunkUnpacked_ = ((uint64_t{control} & 0x1F) << 16) + readBe16() + 1;
    chunkPacked_ = readBe16() + 1u;
    stored_ = false;
    const unsigned reset = (control >> 5) & 3;
    if (reset == 3) dictionaryReady_ = true;
    if (!dictionaryReady_) fail(ZEL_DATA_ERROR);
    if (reset >= 2) {
      unsigned settings = input_.byte();
      if (settings >= 9 * 5 * 5) fail(ZEL_DATA_ERROR);
      auto& prop = core_.state().prop;
      prop.lc = settings % 9;
      settings /= 9;
      prop.lp = settings % 5;
      prop.pb = settings / 5;
      if (prop.lc + prop.lp > 4) fail(ZEL_DATA_ERROR);
      propsReady_ = true;
    }
    if (!propsReady_ || (reset == 0 && !stateReady_)) fail(ZEL_DATA_ERROR);
    LzmaDec_InitDicAndState(&core_.state(), reset == 3, reset > 0);
    stateReady_ = true;
  }
  unsigned readBe16() {
    const unsigned high = input_.byte();
    return (high << 8) | input_.byte();
  }

  size_t produce(uint8_t* buffer, size_t count) override {
    if (chunkUnpacked_ == 0) startChunk();
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, chunkUnpacked_));
    size_t produced = 0;
    if (stored_) {
      const auto [data, available] = input_.peek();
      produced = std::min(wanted, available);
      if (produced == 0) fail(ZEL_DATA_ERROR);
      std::memcpy(buffer, data, produced);
      core_.appendUncompressed(data, produced);
      input_.consume(produced);
    } else {
      uint64_t consumed = 0;
      produced =
          core_.decode(input_, chunkPacked_, buffer, wanted, wanted == chunkUnpacked_, consumed);
      chunkPacked_ -= consumed;
    }
    chunkUnpacked_ -= produced;
    if (chunkUnpacked_ == 0 && !stored_ && chunkPacked_ != 0) fail(ZEL_DATA_ERROR);
    return produced;
  }

  BufferedInput input_;
  LzmaCore core_;
  uint64_t chunkUnpacked_ = 0;
  uint64_t chunkPacked_ = 0;
  bool stored_ = false;
  bool dictionaryReady_ = false;
  bool propsReady_ = false;
  bool stateReady_ = false;
};

class FilterDecoder : public SizedDecoder {
 public:
  FilterDecoder(std::unique_ptr<Filter> filter, InStreamPtr input, uint64_t outSize)
      : SizedDecoder(outSize),
        filter_(std::move(filter)),
        input_(std::move(input)),
        buffer_(bufferSizeFor(outSize)) {}

 private:
  size_t produce(uint8_t* out, size_t count) override {
    while (ready_ == begin_) {
      // Keep the undecoded tail, fill up behind it and decode again.
      std::memmove(buffer_.data(), buffer_.data() + begin_, filled_ - begin_);
      filled_ -= begin_;
      begin_ = ready_ = 0;
      const size_t got =
          inputEnded_ ? 0 : input_->read(buffer_.data() + filled_, buffer_.size() - filled_);
      if (got == 0) {
        inputEnded_ = true;
        if (filled_ == 0) return 0;
        ready_ = filled_;  // the final bytes are never converted
      } else {
        filled_ += got;
        ready_ = filter_->decode(buffer_.data(), filled_);
      }
    }
    const size_t piece = std::min(count, ready_ - begin_);
    std::memcpy(out, buffer_.data() + begin_, piece);
    begin_ += piece;
    return piece;
  }

  std::unique_ptr<Filter> filter_;
  InStreamPtr input_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;   // next byte to hand out
  size_t ready_ = 0;   // end of the decoded bytes
  size_t filled_ = 0;  // end of the buffered bytes
  bool inputEnded_ = false;
};

// BCJ2: x86 code whose CALL and JMP targets were moved to two streams of their own, with a
// range-coded stream saying which E8/E9/Jcc opcodes were converted.
class Bcj2Decoder : public SizedDecoder {
 public:
  Bcj2Decoder(std::vector<InStreamPtr> inputs, uint64_t outSize)
      : SizedDecoder(outSize),
        main_(std::move(inputs[0])),
        calls_(std::move(inputs[1])),
        jumps_(std::move(inputs[2])),
        rangeCoder_(std::move(inputs[3])) {
    probabilities_.fill(kProbabilityTotal / 2);
    for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | rangeCoder_.byte();
  }

 private:
  static constexpr uint32_t kProbabilityTotal = 1 << 11;

  bool decodeBit(uint16_t& probability) {
    const uint32_t bound = (range_ >> 11) * probability;
    bool bit = false;
    if (code_ < bound) {
      range_ = bound;
      probability = static_cast<uint16_t>(probability + ((kProbabilityTotal - probability) >> 5));
    } else {
      range_ -= bound;
      code_ -= bound;
      probability = static_cast<uint16_t>(probability - (probability >> 5));
      bit = true;
    }
    if (range_ < (1u << 24)) {
      range_ <<= 8;
      code_ = (code_ << 8) | rangeCoder_.byte();
    }
    return bit;
  }

  size_t produce(uint8_t* out, size_t count) override {
    size_t produced = 0;
    while (produced < count) {
      if (pendingCount_ > 0) {
        out[produced++] = pending_[4 - pendingCount_];
        --pendingCount_;
        ++position_;
        continue;
      }
      const auto [data, available] = main_.peek();
      if (available == 0) break;
      const uint8_t b = data[0];
      main_.consume(1);
      out[produced++] = b;
      ++position_;
      const bool isJump = (b & 0xFE) == 0xE8 || (previous_ == 0x0F && (b & 0xF0) == 0x80);
      // The last byte of the output is never followed by a converted target.
      if (!isJump || remaining() == produced) {
        previous_ = b;
        continue;
      }
      uint16_t& probability = b == 0xE8   ? probabilities_[previous_]
                              : b == 0xE9 ? probabilities_[256]
                                          : probabilities_[257];
      if (!decodeBit(probability)) {
        previous_ = b;
        continue;
      }
      BufferedInput& targets = b == 0xE8 ? calls_ : jumps_;
      uint32_t source = 0;
      for (int i = 0; i < 4; ++i) source = (source << 8) | targets.byte();
      const uint32_t target = source - static_cast<uint32_t>(position_ + 4);
      for (int i = 0; i < 4; ++i) pending_[i] = static_cast<uint8_t>(target >> (8 * i));
      pendingCount_ = 4;
      previous_ = static_cast<uint8_t>(target >> 24);
    }
    return produced;
  }

  BufferedInput main_;
  BufferedInput calls_;
  BufferedInput jumps_;
  BufferedInput rangeCoder_;
  std::array<uint16_t, 258> probabilities_{};
  uint32_t range_ = 0xFFFFFFFF;
  uint32_t code_ = 0;
  uint8_t previous_ = 0;
  uint64_t position_ = 0;
  std::array<uint8_t, 4> pending_{};
  int pendingCount_ = 0;
};

// 7z AES-256: CBC with a key from SHA-256 over salt, password and a counter, 2^n rounds.
class AesDecoder : public SizedDecoder {
 public:
  AesDecoder(const std::vector<uint8_t>& properties, InStreamPtr input, uint64_t outSize,
             KeyCache& keys)
      : SizedDecoder(outSize), input_(std::move(input)), buffer_(bufferSizeFor(outSize)) {
    if (properties.size() < 2) fail(ZEL_UNSUPPORTED_METHOD);
    const unsigned cycles = properties[0] & 0x3F;
    const size_t saltSize = ((properties[0] >> 7) & 1u) + (properties[1] >> 4);
    const size_t ivSize = ((properties[0] >> 6) & 1u) + (properties[1] & 0x0Fu);
    if (properties.size() != 2 + saltSize + ivSize || ivSize > 16) fail(ZEL_UNSUPPORTED_METHOD);
    const std::vector<uint8_t> salt(properties.begin() + 2,
                                    properties.begin() + 2 + static_cast<std::ptrdiff_t>(saltSize));
    std::array<uint8_t, 16> iv{};
    std::copy_n(properties.begin() + 2 + static_cast<std::ptrdiff_t>(saltSize), ivSize, iv.begin());
    cipher_ = AesCbcDecryptor::create(keys.key(salt, cycles), iv);
  }

 private:
  size_t produce(uint8_t* out, size_t count) override {
    if (begin_ == end_) {
      // Fill whole blocks: the encrypted stream is padded to 16 bytes.
      size_t filled = 0;
      while (filled == 0 || filled % 16 != 0) {
        const size_t got = input_->read(buffer_.data() + filled, buffer_.size() - filled);
        if (got == 0) {
          if (filled == 0) return 0;
          fail(ZEL_DATA_ERROR);
        }
        filled += got;
      }
      cipher_->decrypt(buffer_.data(), filled);
      begin_ = 0;
      end_ = filled;
    }
    const size_t piece = std::min(count, end_ - begin_);
    std::memcpy(out, buffer_.data() + begin_, piece);
    begin_ += piece;
    return piece;
  }

  InStreamPtr input_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  std::unique_ptr<AesCbcDecryptor> cipher_;
};

}  // namespace

void readExactly(InStream& stream, uint8_t* buffer, size_t count) {
  while (count > 0) {
    const size_t got = stream.read(buffer, count);
    if (got == 0) fail(ZEL_DATA_ERROR);
    buffer += got;
    count -= got;
  }
}

InStreamPtr makePackStream(ByteSource& source, uint64_t offset, uint64_t size) {
  return std::make_unique<PackStream>(source, offset, size);
}

std::array<uint8_t, 32> deriveAesKey(const std::u16string& password,
                                     const std::vector<uint8_t>& salt, unsigned cyclesPower) {
  std::vector<uint8_t> block(salt);
  for (const char16_t unit : password) {
    block.push_back(static_cast<uint8_t>(unit));
    block.push_back(static_cast<uint8_t>(unit >> 8));
  }
  std::array<uint8_t, 32> key{};
  if (cyclesPower == 0x3F) {
    std::copy_n(block.begin(), std::min<size_t>(block.size(), key.size()), key.begin());
    return key;
  }
  // 7-Zip itself refuses more than 2^24 rounds; so do we, which bounds the time a hostile
  // header can cost.
  if (cyclesPower > 24) fail(ZEL_UNSUPPORTED_METHOD);
  const size_t counterAt = block.size();
  block.resize(counterAt + 8, 0);
  auto hash = Sha256::create();
  for (uint64_t round = 0; round < (uint64_t{1} << cyclesPower); ++round) {
    for (int i = 0; i < 8; ++i)
      block[counterAt + static_cast<size_t>(i)] = static_cast<uint8_t>(round >> (8 * i));
    hash->update(block.data(), block.size());
  }
  return hash->finish();
}

std::array<uint8_t, 32> KeyCache::key(const std::vector<uint8_t>& salt, unsigned cyclesPower) {
  for (const auto& known : derived_)
    if (known.salt == salt && known.cyclesPower == cyclesPower) return known.key;
  if (!asked_) {
    asked_ = true;
    if (auto text = askPassword_()) password_ = wideText(*text);
  }
  if (!password_) fail(ZEL_PASSWORD_REQUIRED);
  const auto key = deriveAesKey(*password_, salt, cyclesPower);
  derived_.push_back({salt, cyclesPower, key});
  return key;
}

InStreamPtr makeDecoder(uint64_t methodId, const std::vector<uint8_t>& properties,
                        std::vector<InStreamPtr> inputs, uint64_t outSize, KeyCache& keys) {
  // BCJ2 takes four inputs, every other coder one.
  if (inputs.size() != (methodId == method::kBcj2 ? 4u : 1u)) fail(ZEL_UNSUPPORTED_METHOD);
  switch (methodId) {
    case method::kCopy:
      return std::make_unique<CopyDecoder>(std::move(inputs[0]), outSize);
    case method::kLzma:
      return std::make_unique<LzmaDecoder>(properties, std::move(inputs[0]), outSize);
    case method::kLzma2:
      return std::make_unique<Lzma2Decoder>(properties, std::move(inputs[0]), outSize);
    case method::kBcj2:
      return std::make_unique<Bcj2Decoder>(std::move(inputs), outSize);
    case method::kAes:
      return std::make_unique<AesDecoder>(properties, std::move(inputs[0]), outSize, keys);
    default:
      if (auto filter = makeFilter(methodId, properties))
        return std::make_unique<FilterDecoder>(std::move(filter), std::move(inputs[0]), outSize);
      fail(ZEL_UNSUPPORTED_METHOD);
  }
}

}  // namespace zel
