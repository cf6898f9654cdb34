#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

struct ArgumentsTextCase {
  const char* commandLine;
  const char* expected;
};

class ArgumentsText : public ::testing::TestWithParam<ArgumentsTextCase> {};

TEST_P(ArgumentsText, IsTheCommandLineWithoutTheProgramPath) {
  EXPECT_EQ(argumentsText(GetParam().commandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArgumentsText,
    ::testing::Values(ArgumentsTextCase{"setup.exe", ""}, ArgumentsTextCase{"setup.exe /s", "/s"},
                      ArgumentsTextCase{"setup.exe  two blanks", " two blanks"},
                      ArgumentsTextCase{"\"C:\\My Setup\\setup.exe\"", ""},
                      ArgumentsTextCase{"\"C:\\My Setup\\setup.exe\" ", ""},
                      ArgumentsTextCase{
                          "\"C:\\My Setup\\setup.exe\" \"TARGETDIR=C:\\Program Files\\App\" /s",
                          "\"TARGETDIR=C:\\Program Files\\App\" /s"},
                      // The one character after the closing quote goes, whatever it is.
                      ArgumentsTextCase{"\"C:\\setup.exe\"x /s", " /s"},
                      ArgumentsTextCase{"\"C:\\unclosed quote", ""}, ArgumentsTextCase{"", ""}));

// Every field the command line sets, flattened for comparison.
std::string describe(const StartOptions& o) {
  std::string text = std::string("silent=") + (o.silent ? "1" : "0") + " log=" + o.logFile +
                     " sfx=" + o.sfxPath + "|" + o.sfxFile + " sources=" + o.sourcesFolder +
                     " key=" + o.archivePassword;
  for (const auto& [name, value] : o.overrides) text += " [" + name + "=" + value + "]";
  return text;
}

struct SwitchCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* expected;
};

class Switches : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(Switches, FollowTheTable) {
  StartOptions options;
  readCommandLine("setup.exe", GetParam().arguments, options);
  EXPECT_EQ(describe(options), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Switches,
    ::testing::Values(
        SwitchCase{"None", {}, "silent=0 log= sfx=| sources= key="},
        SwitchCase{"SilentUpper", {"/S"}, "silent=1 log= sfx=| sources= key="},
        SwitchCase{"SilentDash", {"-s"}, "silent=1 log= sfx=| sources= key="},
        SwitchCase{"SilentWordIsNot", {"/silent"}, "silent=0 log= sfx=| sources= key="},
        SwitchCase{"LogLowered",
                   {"/L=C:\\Logs\\Setup.LOG"},
                   "silent=0 log=c:\\logs\\setup.log sfx=| sources= key="},
        SwitchCase{"LogDash", {"-l=log.txt"}, "silent=0 log=log.txt sfx=| sources= key="},
        SwitchCase{
            "FirstLogWins", {"/l=first", "-l=second"}, "silent=0 log=first sfx=| sources= key="},
        SwitchCase{"PackageLowered",
                   {"/M=C:\\Down\\Pack.MSI"},
                   "silent=0 log= sfx=c:\\down\\|pack.msi sources= key="},
        SwitchCase{"PackageDashIsNot", {"-m=x"}, "silent=0 log= sfx=| sources= key="},
        SwitchCase{"SourcesLowered", {"-P=D:\\Src"}, "silent=0 log= sfx=| sources=d:\\src key="},
        SwitchCase{
            "PasswordKeepsCase", {"/K=PassWord"}, "silent=0 log= sfx=| sources= key=PassWord"},
        SwitchCase{"SlashIsNotAnOverride", {"/X=1", "-Y=2"}, "silent=0 log= sfx=| sources= key="},
        SwitchCase{"OverrideSplitsAtFirstEquals",
                   {"A=B=C", "TARGETDIR=C:\\Program Files\\App"},
                   "silent=0 log= sfx=| sources= key= [A=B=C] [TARGETDIR=C:\\Program Files\\App]"},
        // A marker anywhere in the argument counts; the first three characters go regardless.
        SwitchCase{
            "MarkerInside", {"xx/l=abc"}, "silent=0 log=l=abc sfx=| sources= key= [xx/l=abc]"},
        SwitchCase{"NoEqualsIgnored", {"hello", "/q"}, "silent=0 log= sfx=| sources= key="}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, QuotedOverrideWithProgramPathAndSilentSwitch) {
  StartOptions options;
  readCommandLine("\"C:\\Setup\\setup.exe\" \"TARGETDIR=C:\\Program Files\\App\" /s",
                  {"TARGETDIR=C:\\Program Files\\App", "/s"}, options);
  EXPECT_EQ(options.commandLine, "\"TARGETDIR=C:\\Program Files\\App\" /s");
  EXPECT_TRUE(options.silent);
  ASSERT_EQ(options.overrides.size(), 1u);
  EXPECT_EQ(options.overrides[0].second, "C:\\Program Files\\App");
}

}  // namespace
}  // namespace kx
