#include "ProcessLauncher.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <shellapi.h>
#endif

namespace {

using Arguments = std::vector<std::wstring>;

struct QuotingCase {
    const char* Name;
    Arguments Given;
    std::wstring Line; // what follows the quoted program name
};

void PrintTo(const QuotingCase& c, std::ostream* out) {
    *out << c.Name;
}

class Quoting : public ::testing::TestWithParam<QuotingCase> {};

// The exact text is pinned, so a change in the quoting shows here on every system.
TEST_P(Quoting, GivesTheExpectedLine) {
    EXPECT_EQ(WindowsCommandLine(L"C:\\Games\\hl.exe", GetParam().Given),
              L"\"C:\\Games\\hl.exe\"" + GetParam().Line);
}

#ifdef _WIN32
// The system's own parser reads back exactly the arguments given, the program first.
TEST_P(Quoting, CommandLineToArgvWReadsTheArgumentsBack) {
    const std::wstring program = L"C:\\Program Files\\游戏 (x86)\\hl.exe";
    const std::wstring line = WindowsCommandLine(program, GetParam().Given);
    int count = 0;
    wchar_t** read = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(read, nullptr);
    Arguments back(read, read + count);
    LocalFree(read);
    Arguments expected{program};
    expected.insert(expected.end(), GetParam().Given.begin(), GetParam().Given.end());
    EXPECT_EQ(back, expected) << "line: " << ::testing::PrintToString(line);
}
#endif

INSTANTIATE_TEST_SUITE_P(
    Arguments, Quoting,
    ::testing::Values(
        QuotingCase{"None", {}, L""},
        QuotingCase{"Plain",
                    {L"-game", L"cstrike", L"+connect", L"127.0.0.1:27015"},
                    L" -game cstrike +connect 127.0.0.1:27015"},
        QuotingCase{"Empty", {L"", L"x", L""}, L" \"\" x \"\""},
        QuotingCase{"Blanks", {L"two words", L"tab\there"}, L" \"two words\" \"tab\there\""},
        QuotingCase{"Quote", {L"a\"b", L"\""}, L" \"a\\\"b\" \"\\\"\""},
        QuotingCase{"BackslashesAlone",
                    {L"C:\\a\\b", L"\\\\server\\share"},
                    L" C:\\a\\b \\\\server\\share"},
        QuotingCase{"BackslashesBeforeQuote",
                    {L"a\\\"b", L"a\\\\\"b"},
                    L" \"a\\\\\\\"b\" \"a\\\\\\\\\\\"b\""},
        QuotingCase{"TrailingBackslashWithBlank",
                    {L"C:\\my dir\\", L"x\\\\"},
                    L" \"C:\\my dir\\\\\" x\\\\"},
        QuotingCase{"TrailingBackslashAlone", {L"\\"}, L" \\"},
        QuotingCase{"Chinese", {L"+name", L"玩家 一号", L"中文"}, L" +name \"玩家 一号\" 中文"},
        QuotingCase{
            "ShellCharacters", {L"&", L"|", L"%PATH%", L"^", L"<x>"}, L" & | %PATH% ^ <x>"}),
    [](const ::testing::TestParamInfo<QuotingCase>& info) { return std::string(info.param.Name); });

} // namespace
