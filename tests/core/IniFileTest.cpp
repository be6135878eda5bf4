#include "IniFile.h"

#include <gtest/gtest.h>

namespace {

// A file kept by hand: a comment before any section, odd key case, spaces around "=",
// LF-only lines, an unknown section and key, and no line end after the last line.
const std::string HandWritten = "; Quarrix settings, kept by hand\n"
                                "[modulepath]\n"
                                "pathcs1.5 = C:\\Games\\CS15\\hl.exe  \n"
                                "; old path: D:\\cs\\hl.exe\n"
                                "Unknown=keep me\n"
                                "\n"
                                "[Extra]\n"
                                "Something = 1\n"
                                "\n"
                                "[RUNSETTINGS]\n"
                                "RunCD=0";

TEST(IniFileTest, WritesChangeOnlyTheirValuesAndKeepEveryOtherByte) {
    IniFile ini(HandWritten);
    const std::string gbkPath = "D:\\\xD3\xCE\xCF\xB7\\hl.exe"; // "游戏" in GBK
    ini.Write("ModulePath", "PathCS1.5", gbkPath);
    ini.Write("ModulePath", "PathCD", "");
    ini.Write("runsettings", "RUNCD", "1");
    ini.Write("RunSettings", "Minimize", "1");
    ini.Write("Extra", "Something", "1"); // same value: the spaces stay too
    ini.Write("AutoActions", "Interval", "1");

    EXPECT_EQ(ini.Bytes(), "; Quarrix settings, kept by hand\n"
                           "[modulepath]\n"
                           "pathcs1.5 = D:\\\xD3\xCE\xCF\xB7\\hl.exe\n"
                           "; old path: D:\\cs\\hl.exe\n"
                           "Unknown=keep me\n"
                           "PathCD=\r\n"
                           "\n"
                           "[Extra]\n"
                           "Something = 1\n"
                           "\n"
                           "[RUNSETTINGS]\n"
                           "RunCD=1\r\n"
                           "Minimize=1\r\n"
                           "[AutoActions]\r\n"
                           "Interval=1\r\n");
    EXPECT_EQ(ini.Read("ModulePath", "PathCS1.5", 256), gbkPath);
    EXPECT_EQ(ini.Read("Extra", "Something", 4), "1");
}

struct WriteCase {
    const char* Name;
    std::string Before;
    const char* Section;
    const char* Key;
    const char* Value;
    std::string After;
};

// Test names carry the case name; the bytes would only clutter the listing.
void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.Name;
}

class IniFileWriteTest : public testing::TestWithParam<WriteCase> {};

TEST_P(IniFileWriteTest, ProducesTheProfileFunctionsText) {
    IniFile ini(GetParam().Before);
    ini.Write(GetParam().Section, GetParam().Key, GetParam().Value);
    EXPECT_EQ(ini.Bytes(), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileWriteTest,
    testing::Values(
        WriteCase{"EmptyTextGetsSectionAndKey", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"EmptyValueKeepsTheKey", "[S]\r\nk=old\r\n", "S", "K", "", "[S]\r\nk=\r\n"},
        WriteCase{"NewKeyBeforeBlankLinesEndingTheSection", "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n", "A",
                  "c", "3", "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n"},
        WriteCase{"NewKeyAfterTrailingCommentGoesAfterLastKey", "[A]\r\na=1\r\n; note\r\n[B]\r\n",
                  "A", "c", "3", "[A]\r\na=1\r\nc=3\r\n; note\r\n[B]\r\n"},
        WriteCase{"NewKeyInEmptySectionFollowsHeader", "[A]\r\n[B]\r\nb=2\r\n", "A", "a", "1",
                  "[A]\r\na=1\r\n[B]\r\nb=2\r\n"},
        WriteCase{"NewKeyAfterLastLineWithoutLineEnd", "[A]\r\nx=1", "A", "y", "2",
                  "[A]\r\nx=1\r\ny=2\r\n"},
        WriteCase{"NewKeyAfterLastLineEndingInStrayCr", "[A]\r\nx=1\r", "A", "y", "2",
                  "[A]\r\nx=1\r\r\ny=2\r\n"},
        WriteCase{"NewKeyAfterHeaderWithoutLineEnd", "[A]", "A", "y", "2", "[A]\r\ny=2\r\n"},
        WriteCase{"NewSectionAfterTextWithoutLineEnd", "[A]\r\nx=1", "B", "z", "",
                  "[A]\r\nx=1\r\n[B]\r\nz=\r\n"},
        WriteCase{"NewSectionAfterBlankLines", "[A]\r\nx=1\r\n\r\n", "B", "z", "9",
                  "[A]\r\nx=1\r\n\r\n[B]\r\nz=9\r\n"},
        WriteCase{"KeyWithoutEqualsGetsItsValue", "[A]\r\nflag  \r\n", "A", "FLAG", "1",
                  "[A]\r\nflag=1\r\n"},
        WriteCase{"BlankValueReplacedAfterEquals", "[A]\r\nk=   \r\n", "A", "k", "5",
                  "[A]\r\nk=5\r\n"},
        WriteCase{"FirstOfDuplicateKeysIsReplaced", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "3",
                  "[A]\r\nk=3\r\nk=2\r\n"},
        WriteCase{"KeysBeforeAnySectionAreNotMatched", "k=1\r\n", "A", "k", "2",
                  "k=1\r\n[A]\r\nk=2\r\n"},
        WriteCase{"CommentedKeyIsNotMatched", "[A]\r\n;k=1\r\n", "A", "k", "2",
                  "[A]\r\nk=2\r\n;k=1\r\n"},
        WriteCase{"LineBreakInValueCannotAddLines", "[A]\r\n", "A", "k", "x\r\nRunCD=0",
                  "[A]\r\nk=x\r\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return info.param.Name; });

struct ReadCase {
    const char* Name;
    std::string Text;
    const char* Section;
    const char* Key;
    size_t BufferSize;
    std::string Expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.Name;
}

class IniFileReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(IniFileReadTest, ReadsLikeTheProfileFunctions) {
    EXPECT_EQ(
        IniFile(GetParam().Text).Read(GetParam().Section, GetParam().Key, GetParam().BufferSize),
        GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileReadTest,
    testing::Values(
        ReadCase{"TrimsAroundKeyAndValue", "[S]\r\n  k  =  a b  \r\n", "S", "k", 64, "a b"},
        ReadCase{"NamesIgnoreAsciiCase", "[sEcTiOn]\nKEY=v\n", "Section", "key", 64, "v"},
        ReadCase{"LfOnlyLines", "[A]\na=1\n[B]\nb=2\n", "B", "b", 64, "2"},
        ReadCase{"StrayCrIsWhiteSpace", "[A]\r\na=1\r\r\n", "A", "a", 64, "1"},
        ReadCase{"LastLineWithoutLineEnd", "[A]\r\na=1", "A", "a", 64, "1"},
        ReadCase{"CutToBufferSizeMinusOne", "[S]\r\nk=123456\r\n", "S", "k", 4, "123"},
        ReadCase{"ZeroBufferReadsNothing", "[S]\r\nk=1\r\n", "S", "k", 0, ""},
        ReadCase{"MissingKey", "[S]\r\nk=1\r\n", "S", "other", 64, ""},
        ReadCase{"MissingSection", "[S]\r\nk=1\r\n", "T", "k", 64, ""},
        ReadCase{"KeyOfAnotherSection", "[S]\r\n[T]\r\nk=1\r\n", "S", "k", 64, ""},
        ReadCase{"EmptyValue", "[S]\r\nk=\r\n", "S", "k", 64, ""},
        ReadCase{"KeyWithoutEquals", "[S]\r\nk\r\n", "S", "k", 64, ""},
        ReadCase{"EnclosingQuotesRemoved", "[S]\r\nk=\"a b\"\r\n", "S", "k", 64, "a b"},
        ReadCase{"InnerQuotesKept", "[S]\r\nk=-game \"cs\" x\r\n", "S", "k", 64, "-game \"cs\" x"},
        ReadCase{"SecondEqualsBelongsToValue", "[S]\r\nk=a=b\r\n", "S", "k", 64, "a=b"},
        ReadCase{"GbkBytesUntouched", "[S]\r\nk=\xC4\xE3\xBA\xC3\r\n", "S", "k", 64,
                 "\xC4\xE3\xBA\xC3"},
        // 0x5D (']') as the second byte of a GBK character does not end the name.
        ReadCase{"GbkSectionNameWithBracketTrailByte", "[\x81]x]\r\nk=1\r\n", "\x81]x", "k", 64,
                 "1"},
        // 'A' as a GBK trail byte is part of a character, not a letter to fold.
        ReadCase{"GbkTrailByteNotCaseFolded", "[S]\r\n\x81\x41=1\r\n", "S", "\x81\x61", 64, ""}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.Name; });

} // namespace
