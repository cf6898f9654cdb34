#include "startup/trailing_data.h"

#include <gtest/gtest.h>

#include "tests/native/pe_fixture.h"

namespace kx {
namespace {

void putField(std::string& bytes, size_t offset, uint32_t value, unsigned size) {
  for (unsigned i = 0; i < size; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// Headers of a PE file with the given sections (raw pointer, raw size), no optional header.
std::string peHeaders(const std::vector<std::pair<uint32_t, uint32_t>>& sections) {
  constexpr size_t peOffset = 0x40;
  std::string bytes(peOffset + 24 + 40 * sections.size(), '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  putField(bytes, 0x3C, peOffset, 4);
  bytes.replace(peOffset, 4, std::string_view("PE\0\0", 4));
  putField(bytes, peOffset + 6, static_cast<uint32_t>(sections.size()), 2);
  for (size_t k = 0; k < sections.size(); ++k) {
    const size_t header = peOffset + 24 + 40 * k;
    putField(bytes, header + 20, sections[k].first, 4);
    putField(bytes, header + 16, sections[k].second, 4);
  }
  return bytes;
}

class RealProgram : public ::testing::TestWithParam<const char*> {};

TEST_P(RealProgram, EndsAtItsLastSectionAndCarriesWhatIsAppended) {
  const std::string program = test::realProgram(GetParam());
  ASSERT_GT(program.size(), 1024u);
  EXPECT_EQ(endOfSections(program), program.size());
  EXPECT_EQ(trailingData(program), "");

  constexpr char kScript[] = "Comment\r\n$\r\n\0\xff tail";
  const std::string script(kScript, sizeof kScript - 1);
  EXPECT_EQ(trailingData(program + script), script);
  EXPECT_EQ(trailingData(program + "x"), "x");
}

TEST_P(RealProgram, TruncatedCopiesHaveNoTrailingData) {
  const std::string program = test::realProgram(GetParam());
  for (size_t size :
       {program.size() - 1, program.size() / 2, size_t{1024}, size_t{0x40}, size_t{2}})
    EXPECT_EQ(trailingData(std::string_view(program).substr(0, size)), "") << size;
  EXPECT_EQ(endOfSections(std::string_view(program).substr(0, 0x40)), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(CrossLinked, RealProgram, ::testing::Values("i686.exe", "x86_64.exe"));

TEST(TrailingData, EndIsTheFurthestSectionNotTheLastInTheTable) {
  std::string file = peHeaders({{0x200, 0x400}, {0x100, 0x100}, {0x600, 0}});
  file.resize(0x600, '\0');
  EXPECT_EQ(endOfSections(file), 0x600u);
  EXPECT_EQ(trailingData(file + "script"), "script");
}

TEST(TrailingData, SectionsReachingPastTheFileLeaveNone) {
  // 0xFFFFFFFF + 0xFFFFFFFF must not wrap around to a small end.
  std::string file = peHeaders({{0xFFFFFFFF, 0xFFFFFFFF}});
  file += std::string(64, 'x');
  EXPECT_EQ(endOfSections(file), uint64_t{0xFFFFFFFF} * 2);
  EXPECT_EQ(trailingData(file), "");
}

TEST(TrailingData, GarbageIsNotAProgram) {
  std::string wrongSignature = peHeaders({{0x100, 0x10}});
  wrongSignature[0x41] = 'X';
  std::string farHeader = peHeaders({{0x100, 0x10}});
  putField(farHeader, 0x3C, 0xFFFFFFF0, 4);
  std::string tooManySections = peHeaders({{0x100, 0x10}});
  putField(tooManySections, 0x46, 0xFFFF, 2);
  std::string hugeOptionalHeader = peHeaders({{0x100, 0x10}});
  putField(hugeOptionalHeader, 0x54, 0xFFFF, 2);
  const std::string cases[] = {"",
                               "M",
                               "MZ",
                               std::string(4096, 'M'),
                               "MZ" + std::string(0x3A, '\0') + "\x40",
                               wrongSignature,
                               farHeader,
                               tooManySections,
                               hugeOptionalHeader};
  for (const std::string& file : cases) {
    EXPECT_EQ(endOfSections(file), std::nullopt) << file.size();
    EXPECT_EQ(trailingData(file + "data"), "") << file.size();
  }
}

}  // namespace
}  // namespace kx
