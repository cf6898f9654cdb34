// The archive library over archives that the real 7-Zip makes at test time.
#include <gtest/gtest.h>

#include <set>

#include "media/zel/archive_access.h"
#include "media/zel/support.h"
#include "media/zel/zel.h"
#include "tests/native/archive_support.h"

namespace kx::test {
namespace {

struct Listing {
  std::vector<std::string> names;
  std::map<std::string, ZelEntry> entries;
  int32_t error = 0;
  bool opened = false;
};

Listing list(const fs::path& archive, const char* password = nullptr,
             ZelPasswordCallback callback = nullptr) {
  Listing listing;
  ZelEntry* entries = nullptr;
  uint32_t count = 0;
  void* handle = OpenListArchive(archive.c_str(), 0, callback, 0, 0, 0, password, &entries, &count);
  listing.error = GetLastArchiveError(0);
  listing.opened = handle != nullptr;
  for (uint32_t i = 0; handle && i < count; ++i) {
    listing.names.push_back(entries[i].name);
    listing.entries[entries[i].name] = entries[i];
  }
  if (handle) CloseListArchive(handle);
  return listing;
}

struct Extraction {
  bool ok = false;
  int32_t error = 0;
};

Extraction extract(const fs::path& archive, const fs::path& destination,
                   const char* password = nullptr, ZelPasswordCallback passwordCallback = nullptr,
                   ZelProgressCallback progress = nullptr, ZelOverwriteCallback overwrite = nullptr,
                   const ZelTargetList* targets = nullptr) {
  Extraction result;
  result.ok =
      ExtractArchive(archive.c_str(), ZEL_EXTRACT_WITH_FOLDERS, destination.c_str(), targets, 0,
                     password, passwordCallback, progress, nullptr, overwrite) != 0;
  result.error = GetLastArchiveError(0);
  return result;
}

struct PackCase {
  const char* name;
  const char* switches;
  const char* method;  // as 7-Zip lists it, to be sure the coder under test was used
  const char* password;
  const char* tool = "7zz";
};

void PrintTo(const PackCase& pack, std::ostream* out) {
  *out << pack.switches;
}

class ArchiveFormats : public ::testing::TestWithParam<PackCase> {};

TEST_P(ArchiveFormats, ExtractsWhat7ZipPackedByteForByte) {
  const PackCase& pack = GetParam();
  ScratchFolder scratch;
  const auto tree = sampleTree();
  writeTree(scratch / "source", tree);
  const fs::path archive = scratch / "test.7z";
  pack7z(scratch / "source", archive, pack.switches, pack.tool);
  EXPECT_NE(describe7z(archive, pack.password ? pack.password : "").find(pack.method),
            std::string::npos);

  const Listing listing = list(archive, pack.password);
  ASSERT_TRUE(listing.opened) << listing.error;
  for (const auto& [name, bytes] : tree) {
    const std::string listed = name.ends_with('/') ? name.substr(0, name.size() - 1) : name;
    ASSERT_TRUE(listing.entries.contains(listed)) << listed;
    EXPECT_EQ(listing.entries.at(listed).size, bytes.size()) << listed;
    EXPECT_EQ(listing.entries.at(listed).isFolder != 0, name.ends_with('/')) << listed;
  }

  const Extraction result = extract(archive, scratch / "out", pack.password);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(treeDifferences(readTree(scratch / "out"), tree), std::vector<std::string>{});
  // Modification times come back from the archive.
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                fs::last_write_time(scratch / "out/readme.txt") -
                fs::last_write_time(scratch / "source/readme.txt"))
                .count(),
            0);
}

INSTANTIATE_TEST_SUITE_P(
    RealSevenZip, ArchiveFormats,
    ::testing::Values(
        PackCase{"Lzma", "-m0=lzma -ms=on", "LZMA:", nullptr},
        PackCase{"LzmaNotSolid", "-m0=lzma -ms=off", "LZMA:", nullptr},
        PackCase{"LzmaEndMark", "-m0=lzma:eos -ms=off", "LZMA:", nullptr},
        PackCase{"Lzma2", "-m0=lzma2 -mx=9", "LZMA2:", nullptr},
        // Small blocks with several threads give many chunks, stored ones for random data.
        PackCase{"Lzma2Chunks", "-m0=lzma2:d=64k:c=128k -mmt=2 -ms=off", "LZMA2:", nullptr},
        PackCase{"Copy", "-m0=copy", "Copy", nullptr},
        PackCase{"CopyPlainHeader", "-m0=copy -mhc=off", "Copy", nullptr},
        PackCase{"AllTimesAndAttributes", "-mtc=on -mta=on -mtm=on -mhc=off", "LZMA2:", nullptr},
        PackCase{"X86", "-m0=bcj -m1=lzma", "BCJ", nullptr},
        PackCase{"Bcj2", "-mf=BCJ2", "BCJ2", nullptr}, PackCase{"Arm", "-mf=ARM", "ARM ", nullptr},
        PackCase{"ArmThumb", "-mf=ARMT", "ARMT", nullptr},
        PackCase{"Arm64", "-mf=ARM64", "ARM64", nullptr},
        PackCase{"PowerPc", "-mf=PPC", "PPC", nullptr},
        PackCase{"Sparc", "-mf=SPARC", "SPARC", nullptr},
        PackCase{"Ia64", "-mf=IA64", "IA64", nullptr},
        PackCase{"Delta", "-mf=Delta:4", "Delta:4", nullptr},
        PackCase{"Swap4", "-m0=swap4 -m1=lzma", "Swap4", nullptr},
        PackCase{"Swap2", "-m0=swap2 -m1=copy", "Swap2", nullptr},
        PackCase{"AesWithEncryptedHeader", "-psecret -mhe=on", "7zAES", "secret"},
        PackCase{"AesDataOnly", "-psecret -m0=lzma -ms=off", "7zAES", "secret"},
        PackCase{"AesNonAsciiPassword", "-p'p\xC3\xA4sswort' -mhe=on", "7zAES", "p\xC3\xA4sswort"},
        // p7zip's older encoders.
        PackCase{"P7zipLzma2", "-m0=lzma2 -mx=7", "LZMA2:", nullptr, "7z"},
        PackCase{"P7zipBcj2", "-m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0:1 -mb0s1:2 -mb0s2:3",
                 "BCJ2", nullptr, "7z"},
        PackCase{"P7zipX86Solid", "-mf=BCJ -ms=on", "BCJ", nullptr, "7z"},
        PackCase{"P7zipAes", "-psecret -mhe=on", "7zAES", "secret", "7z"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArchiveLibrary, ListingFailuresCarryTheirCodes) {
  ScratchFolder scratch;
  writeTree(scratch / "source", {{"a.txt", "secret data"}});
  pack7z(scratch / "source", scratch / "locked.7z", "-psecret -mhe=on");
  writeBytes(scratch / "text.7z", "this is not an archive at all, only text");
  const std::string locked = readBytes(scratch / "locked.7z");
  writeBytes(scratch / "truncated.7z", locked.substr(0, locked.size() - 10));

  const struct {
    fs::path archive;
    const char* password;
    int32_t code;
  } cases[] = {
      {scratch / "missing.7z", nullptr, ZEL_ARCHIVE_NOT_FOUND},
      {scratch / "*.7z", nullptr, ZEL_ILLEGAL_PATH},
      {scratch / "locked.7z", nullptr, ZEL_CANNOT_OPEN},
      {scratch / "locked.7z", "wrong", ZEL_CANNOT_OPEN},
      {scratch / "text.7z", nullptr, ZEL_CANNOT_OPEN},
      {scratch / "truncated.7z", "secret", ZEL_CANNOT_OPEN},
  };
  for (const auto& c : cases) {
    const Listing listing = list(c.archive, c.password);
    EXPECT_FALSE(listing.opened) << c.archive;
    EXPECT_EQ(listing.error, c.code) << c.archive;
    const Extraction result = extract(c.archive, scratch / "out", c.password);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, c.code) << c.archive;
  }
  EXPECT_TRUE(list(scratch / "locked.7z", "secret").opened);
}

TEST(ArchiveLibrary, DamagedDataFailsAndLeavesNoDamagedFile) {
  ScratchFolder scratch;
  const std::string data = sampleCode(50000, 3);
  writeTree(scratch / "source", {{"data.bin", data}});
  pack7z(scratch / "source", scratch / "plain.7z", "-m0=copy");
  pack7z(scratch / "source", scratch / "packed.7z", "-m0=lzma");
  pack7z(scratch / "source", scratch / "locked.7z", "-psecret -m0=lzma");
  for (const char* name : {"plain.7z", "packed.7z"}) {
    std::string bytes = readBytes(scratch / name);
    bytes[32 + 1000] = static_cast<char>(bytes[32 + 1000] ^ 0x55);  // inside the packed data
    writeBytes(scratch / (std::string("bad-") + name), bytes);
  }
  const struct {
    const char* archive;
    const char* password;
    int32_t code;
  } cases[] = {
      {"bad-plain.7z", nullptr, ZEL_DATA_ERROR},
      {"bad-packed.7z", nullptr, ZEL_DATA_ERROR},
      {"locked.7z", "wrong", ZEL_DATA_ERROR},
      {"locked.7z", nullptr, ZEL_PASSWORD_REQUIRED},
  };
  for (const auto& c : cases) {
    const fs::path out = scratch / (std::string("out-") + c.archive);
    EXPECT_TRUE(list(scratch / c.archive, c.password).opened) << c.archive;
    const Extraction result = extract(scratch / c.archive, out, c.password);
    EXPECT_FALSE(result.ok) << c.archive;
    EXPECT_EQ(result.error, c.code) << c.archive;
    EXPECT_FALSE(fs::exists(out / "data.bin")) << c.archive;
  }
  ASSERT_TRUE(extract(scratch / "locked.7z", scratch / "good", "secret").ok);
  EXPECT_EQ(readBytes(scratch / "good/data.bin"), data);
}

// Replaces bytes in the plain header of an archive by as many others and fixes its CRCs.
std::string patchHeader(std::string archive, const std::string& from, const std::string& to) {
  const auto bytes = [&](size_t offset) { return reinterpret_cast<uint8_t*>(&archive[offset]); };
  uint64_t headerOffset = 0, headerSize = 0;
  std::memcpy(&headerOffset, bytes(12), 8);
  std::memcpy(&headerSize, bytes(20), 8);
  const size_t at = archive.find(from, 32 + headerOffset);
  EXPECT_NE(at, std::string::npos);
  EXPECT_EQ(from.size(), to.size());
  archive.replace(at, from.size(), to);
  const uint32_t headerCrc = zel::crc32Of(bytes(32 + headerOffset), headerSize);
  std::memcpy(bytes(28), &headerCrc, 4);
  const uint32_t startCrc = zel::crc32Of(bytes(12), 20);
  std::memcpy(bytes(8), &startCrc, 4);
  return archive;
}

// Replaces a stored (UTF-16) name by another of the same length.
std::string renameEntry(const std::string& archive, const std::string& from,
                        const std::string& to) {
  const auto utf16 = [](const std::string& text) {
    std::string out;
    for (const char c : text) out += std::string{c, '\0'};
    return out;
  };
  return patchHeader(archive, utf16(from), utf16(to));
}

TEST(ArchiveLibrary, DictionarySizesBeyondTheDataCostNoMemory) {
  ScratchFolder scratch;
  const std::string data = sampleCode(100000, 5);
  writeTree(scratch / "source", {{"data.bin", data}});
  pack7z(scratch / "source", scratch / "small.7z", "-m0=lzma:d=64k -mhc=off");
  // LZMA properties: lc/lp/pb 0x5D, then the dictionary size 64 KiB, now claiming 4 GiB - 1,
  // beyond the library's limit unless the dictionary is sized to the data.
  const std::string huge =
      patchHeader(readBytes(scratch / "small.7z"), std::string("\x5D\x00\x00\x01\x00", 5),
                  std::string("\x5D\xFF\xFF\xFF\xFF", 5));
  writeBytes(scratch / "huge.7z", huge);
  ASSERT_TRUE(extract(scratch / "huge.7z", scratch / "out").ok) << GetLastArchiveError(0);
  EXPECT_EQ(readBytes(scratch / "out/data.bin"), data);
}

TEST(ArchiveLibrary, EntriesThatWouldLeaveTheDestinationFailTheExtraction) {
  ScratchFolder scratch;
  const std::string placeholder = "placeholder-name-0123456789";
  writeTree(scratch / "source", {{"harmless.txt", "fine"}, {placeholder, "evil"}});
  pack7z(scratch / "source", scratch / "template.7z", "-m0=copy -mhc=off");
  const std::string original = readBytes(scratch / "template.7z");
  const auto padded = [&](std::string name) {
    return name + std::string(placeholder.size() - name.size(), 'e');
  };
  for (const std::string& name :
       {padded("../"), padded("..\\"), padded("a/../../"), padded("/tmp/"),
        padded("\\\\server\\share\\"), padded("C:"), padded("file.txt:stream"), padded(".../"),
        padded("x/.. /"), padded("NUL."), padded("sub/com1.")}) {
    SCOPED_TRACE(name);
    writeBytes(scratch / "evil.7z", renameEntry(original, placeholder, name));
    const fs::path out = scratch / "out";
    const Extraction result = extract(scratch / "evil.7z", out);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, ZEL_UNSAFE_NAME);
    EXPECT_FALSE(fs::exists(out / "harmless.txt"));  // nothing at all is written
    EXPECT_EQ(readTree(scratch.path()).size(), 4u);  // the source, the archives, the listing
  }
  writeBytes(scratch / "fine.7z", renameEntry(original, placeholder, padded("./sub/./")));
  ASSERT_TRUE(extract(scratch / "fine.7z", scratch / "out").ok);
  EXPECT_EQ(readBytes(scratch / "out/sub" / padded("").substr(8)), "evil");
}

TEST(ArchiveLibrary, SafeRelativePathKeepsOrdinaryNamesAndRefusesEscapes) {
  using Parts = std::vector<std::u16string>;
  EXPECT_EQ(zel::safeRelativePath(u"a/b\\c.txt"), (Parts{u"a", u"b", u"c.txt"}));
  EXPECT_EQ(zel::safeRelativePath(u"./a//b/"), (Parts{u"a", u"b"}));
  EXPECT_EQ(zel::safeRelativePath(u"..a/b..c/CONSOLE.txt"),
            (Parts{u"..a", u"b..c", u"CONSOLE.txt"}));
  for (const std::u16string name :
       {u"", u"/", u".", u"..", u"a/..", u"\\a", u"c:a", u"a\u0001", u"aux.txt", u"LPT9", u" . "})
    EXPECT_FALSE(zel::safeRelativePath(name)) << std::string(name.begin(), name.end());
}

struct CallbackLog {
  static inline std::vector<std::pair<uint64_t, uint64_t>> progress;
  static inline int stopAfter = -1;
  static inline int overwriteAnswer = ZEL_OVERWRITE_YES;
  static inline int overwriteAsked = 0;
  static inline int passwordAsked = 0;
};

int32_t ZEL_CALL recordProgress(const char*, uint64_t done, uint64_t total) {
  CallbackLog::progress.emplace_back(done, total);
  return CallbackLog::stopAfter < 0 ||
         static_cast<int>(CallbackLog::progress.size()) <= CallbackLog::stopAfter;
}
int32_t ZEL_CALL answerOverwrite(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                 uint32_t, uint32_t, uint32_t, uint32_t) {
  ++CallbackLog::overwriteAsked;
  return CallbackLog::overwriteAnswer;
}
int32_t ZEL_CALL givePassword(char* buffer) {
  ++CallbackLog::passwordAsked;
  std::strcpy(buffer, "secret");
  return 1;
}

TEST(ArchiveLibrary, CallbacksGivePasswordReportProgressAndDecideOverwrites) {
  ScratchFolder scratch;
  const auto tree = sampleTree();
  writeTree(scratch / "source", tree);
  pack7z(scratch / "source", scratch / "locked.7z", "-psecret -mhe=on");
  const fs::path out = scratch / "out";

  // The callback's password wins over the argument, and is asked once per call.
  CallbackLog::progress.clear();
  ASSERT_TRUE(extract(scratch / "locked.7z", out, "wrong", givePassword, recordProgress).ok);
  EXPECT_EQ(CallbackLog::passwordAsked, 1);
  uint64_t total = 0;
  for (const auto& [name, bytes] : tree) total += bytes.size();
  ASSERT_FALSE(CallbackLog::progress.empty());
  EXPECT_EQ(CallbackLog::progress.back(), std::make_pair(total, total));
  EXPECT_TRUE(std::is_sorted(CallbackLog::progress.begin(), CallbackLog::progress.end()));

  // Existing files: skipped files keep their bytes, overwritten ones get the archive's.
  writeBytes(out / "readme.txt", "changed");
  CallbackLog::overwriteAnswer = ZEL_OVERWRITE_SKIP;
  ASSERT_TRUE(extract(scratch / "locked.7z", out, "secret", nullptr, nullptr, answerOverwrite).ok);
  EXPECT_EQ(readBytes(out / "readme.txt"), "changed");
  EXPECT_EQ(CallbackLog::overwriteAsked, static_cast<int>(tree.size()) - 1);  // not the folder
  CallbackLog::overwriteAnswer = ZEL_OVERWRITE_ALL;
  CallbackLog::overwriteAsked = 0;
  ASSERT_TRUE(extract(scratch / "locked.7z", out, "secret", nullptr, nullptr, answerOverwrite).ok);
  EXPECT_EQ(CallbackLog::overwriteAsked, 1);
  EXPECT_EQ(treeDifferences(readTree(out), tree), std::vector<std::string>{});

  // A progress answer of 0 stops the extraction as a failure.
  CallbackLog::progress.clear();
  CallbackLog::stopAfter = 3;
  const Extraction stopped =
      extract(scratch / "locked.7z", scratch / "stopped", "secret", nullptr, recordProgress);
  CallbackLog::stopAfter = -1;
  EXPECT_FALSE(stopped.ok);
  EXPECT_EQ(stopped.error, ZEL_CANCELLED);
}

TEST(ArchiveLibrary, ExtractsOnlyTheNamedTargets) {
  ScratchFolder scratch;
  writeTree(scratch / "source", sampleTree());
  pack7z(scratch / "source", scratch / "all.7z", "-ms=on");
  const char* names[] = {"docs/guide/more.bin", "empty.txt"};
  const ZelTargetList targets{names, 2};
  ASSERT_TRUE(
      extract(scratch / "all.7z", scratch / "out", nullptr, nullptr, nullptr, nullptr, &targets)
          .ok);
  const auto tree = sampleTree();
  EXPECT_EQ(readTree(scratch / "out"),
            (std::map<std::string, std::string>{
                {"docs/guide/more.bin", tree.at("docs/guide/more.bin")}, {"empty.txt", ""}}));
  const char* unknown[] = {"no such file"};
  const ZelTargetList missing{unknown, 1};
  const Extraction result =
      extract(scratch / "all.7z", scratch / "out2", nullptr, nullptr, nullptr, nullptr, &missing);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, ZEL_NOT_IN_ARCHIVE);
}

}  // namespace
}  // namespace kx::test

namespace kx::test {
namespace {

// Every single-byte change of a plain header, and every truncation, fails cleanly or extracts;
// nothing lands outside the destination either way.
TEST(ArchiveLibrary, DamagedHeadersFailCleanly) {
  ScratchFolder scratch;
  writeTree(scratch / "source", {{"a.txt", "first file"}, {"sub/b.txt", "second"}, {"c/", ""}});
  pack7z(scratch / "source", scratch / "good.7z", "-m0=lzma -mhc=off -ms=off");
  const std::string good = readBytes(scratch / "good.7z");
  uint64_t headerOffset = 0;
  std::memcpy(&headerOffset, good.data() + 12, 8);
  const std::set<int32_t> expected = {ZEL_CANNOT_OPEN,    ZEL_DATA_ERROR,
                                      ZEL_UNSAFE_NAME,    ZEL_UNSUPPORTED_METHOD,
                                      ZEL_LIMIT_EXCEEDED, ZEL_PASSWORD_REQUIRED};
  std::vector<std::string> damaged;
  for (size_t at = 32 + headerOffset; at < good.size(); ++at) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x41);
    // A fixed CRC makes the reader parse the damaged header instead of refusing it outright.
    const uint32_t crc =
        zel::crc32Of(reinterpret_cast<const uint8_t*>(bytes.data()) + 32 + headerOffset,
                     bytes.size() - 32 - headerOffset);
    std::memcpy(bytes.data() + 28, &crc, 4);
    const uint32_t startCrc = zel::crc32Of(reinterpret_cast<const uint8_t*>(bytes.data()) + 12, 20);
    std::memcpy(bytes.data() + 8, &startCrc, 4);
    damaged.push_back(bytes);
  }
  for (size_t size = 0; size < good.size(); size += 7) damaged.push_back(good.substr(0, size));
  for (size_t i = 0; i < damaged.size(); ++i) {
    writeBytes(scratch / "damaged.7z", damaged[i]);
    const fs::path out = scratch / "out" / std::to_string(i);
    const Extraction result = extract(scratch / "damaged.7z", out);
    if (!result.ok) {
      EXPECT_TRUE(expected.contains(result.error)) << i << ": " << result.error;
    }
  }
  for (const auto& item : fs::directory_iterator(scratch.path()))
    EXPECT_TRUE((std::set<std::string>{"damaged.7z", "good.7z", "out", "source"})
                    .contains(item.path().filename().string()))
        << item.path();
}

}  // namespace
}  // namespace kx::test
