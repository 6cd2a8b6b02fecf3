// The profile-file layer on its own: integer syntax, lookup rules, how writes
// place keys and sections, that lines the program does not write survive
// byte for byte, and how a save fails. The settings keys themselves are
// covered by SettingsTest.
#include "config/ProfileFile.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct IntegerCase {
    const char *text;
    std::optional<int> expected;
};

class ProfileIntegerSyntax : public ::testing::TestWithParam<IntegerCase> {};

} // namespace

TEST_P(ProfileIntegerSyntax, ParsesOrRefuses) {
    const IntegerCase &c = GetParam();
    EXPECT_EQ(ProfileFile::parseInteger(QString::fromLatin1(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileIntegerSyntax,
    ::testing::Values(IntegerCase{"30", 30}, IntegerCase{"0x1E", 30}, IntegerCase{"0X1e", 30},
                      IntegerCase{"-5", -5}, IntegerCase{"+7", 7}, IntegerCase{"007", 7},
                      IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", std::numeric_limits<int>::min()},
                      IntegerCase{"2147483648", std::nullopt},
                      IntegerCase{"99999999999999999999", std::nullopt},
                      IntegerCase{"0xFFFFFFFF", -1}, IntegerCase{"0x100000000", std::nullopt},
                      IntegerCase{"0x", std::nullopt}, IntegerCase{"0x1G", std::nullopt},
                      IntegerCase{"12abc", std::nullopt}, IntegerCase{"1.5", std::nullopt},
                      IntegerCase{"", std::nullopt}, IntegerCase{"-", std::nullopt},
                      IntegerCase{"1 2", std::nullopt}));

TEST(ProfileFile, NamesAreCaseInsensitiveAndTheFirstOccurrenceWins) {
    const ProfileFile p =
        ProfileFile::fromBytes("x", "[main]\nTOP = 5 \ntop=6\n[MAIN]\nLeft=9\n[Other]\nLeft=3\n");
    EXPECT_EQ(p.readInteger("Main", "Top", 0), 5);
    // The second [MAIN] section is never consulted.
    EXPECT_EQ(p.readInteger("Main", "Left", 0), 0);
    EXPECT_EQ(p.readInteger("other", "LEFT", 0), 3);
}

TEST(ProfileFile, ValuesAreTrimmedAndLimitedTo2047Characters) {
    const QByteArray longValue(3000, 'a');
    const ProfileFile p = ProfileFile::fromBytes(
        "x", "[S]\r\n  Text =   two words \t\r\nLong=" + longValue + "\r\nEmpty=\r\n");
    EXPECT_EQ(p.readString("S", "Text", "d"), "two words");
    EXPECT_EQ(p.readString("S", "Long", "d").size(), 2047);
    EXPECT_EQ(p.readString("S", "Empty", "d"), "");
    EXPECT_EQ(p.readString("S", "Missing", "d"), "d");
    EXPECT_EQ(p.readString("Nope", "Text", "d"), "d");
}

TEST(ProfileFile, MalformedOrMissingIntegersAndBooleansGiveTheirDefaults) {
    const ProfileFile p =
        ProfileFile::fromBytes("x", "[S]\nA=abc\nB=\nOn=2\nOff=0\nHexOn=0x10\nBad=yes\n");
    EXPECT_EQ(p.readInteger("S", "A", 42), 42);
    EXPECT_EQ(p.readInteger("S", "B", 42), 42);
    EXPECT_TRUE(p.readBool("S", "On", false));
    EXPECT_FALSE(p.readBool("S", "Off", true));
    EXPECT_TRUE(p.readBool("S", "HexOn", false));
    EXPECT_TRUE(p.readBool("S", "Bad", true));
    EXPECT_FALSE(p.readBool("S", "Bad", false));
}

TEST(ProfileFile, TextIsWindows1251OnDisk) {
    // "Unit_№2=7" with the numero sign as byte 0xB9 and a Cyrillic value.
    const ProfileFile p =
        ProfileFile::fromBytes("x", QByteArray("[UNITS]\nUnit_\xB9"
                                               "2=7\nName=\xCF\xF3\xEB\xFC\xF2\n"));
    EXPECT_EQ(p.readInteger("units", QStringLiteral("UNIT_№2"), 0), 7);
    EXPECT_EQ(p.readString("UNITS", "Name", ""), QStringLiteral("Пульт"));

    ProfileFile w("x");
    w.writeString(QStringLiteral("Раздел"), QStringLiteral("Unit_№1"), QStringLiteral("Пульт"));
    EXPECT_EQ(w.toBytes(), QByteArray("[\xD0\xE0\xE7\xE4\xE5\xEB]\nUnit_\xB9"
                                      "1=\xCF\xF3\xEB\xFC\xF2\n"));
}

TEST(ProfileFile, CharactersOutsideTheCodePageAreReportedAndNeverWrittenAsControlBytes) {
    EXPECT_TRUE(ProfileFile::encodable(QStringLiteral("Пульт №3 \"Север\"")));
    EXPECT_FALSE(ProfileFile::encodable(QStringLiteral("漢字")));
    ProfileFile w("x");
    w.writeString("S", "K", QStringLiteral("a漢b"));
    EXPECT_EQ(w.toBytes(), QByteArray("[S]\nK=a?b\n"));
}

TEST(ProfileFile, WritesReplaceInPlaceAndAppendAfterTheSectionsLastKey) {
    ProfileFile p = ProfileFile::fromBytes("x", "[A]\nkey=1\nOther=2\n\n[B]\nX=1\n");
    p.writeInteger("a", "KEY", 5); // replaced in place, keeps the file's spelling
    p.writeInteger("A", "New", 6); // after Other, before the blank separator line
    p.writeString("C", "-", "-");  // new section at the end
    EXPECT_EQ(p.toBytes(), QByteArray("[A]\nkey=5\nOther=2\nNew=6\n\n[B]\nX=1\n[C]\n-=-\n"));
}

TEST(ProfileFile, ALineBreakInAValueCannotStartANewKeyOrSection) {
    ProfileFile p("x");
    p.writeString("Sound", "SoundFile", "a.wav\n[Main]\r\nUnitsAmount=15");
    EXPECT_EQ(p.toBytes(), QByteArray("[Sound]\nSoundFile=a.wav [Main]  UnitsAmount=15\n"));
    const ProfileFile back = ProfileFile::fromBytes("x", p.toBytes());
    EXPECT_FALSE(back.hasSection("Main"));
}

TEST(ProfileFile, UnwrittenLinesSurviveByteForByteWithTheirLineEnds) {
    // Windows line ends, a comment, a line without '=', a byte the code page
    // leaves undefined (0x98) and no line end at the very end.
    const QByteArray original("; comment \x98\r\n[Main]\r\nTop=1\r\nstray line\r\n"
                              "[Database]\r\nDataBaseDir=D:\\Base\\\r\n[Notes]\r\nlast=\x98");
    ProfileFile p = ProfileFile::fromBytes("x", original);
    p.writeInteger("Main", "Top", 2);
    p.writeInteger("Notes", "added", 3);
    p.writeInteger("Sound", "Amount", 4);
    EXPECT_EQ(p.toBytes(), QByteArray("; comment \x98\r\n[Main]\r\nTop=2\r\nstray line\r\n"
                                      "[Database]\r\nDataBaseDir=D:\\Base\\\r\n[Notes]\r\n"
                                      "last=\x98\r\nadded=3\r\n[Sound]\r\nAmount=4\r\n"));
}

TEST(ProfileFile, SaveReplacesTheFileAndLoadReadsItBack) {
    test::TempProgramFolder folder;
    const QString path = folder.file("a.INI");
    writeAll(path, "[Keep]\nMe=1\n");
    ProfileFile p = ProfileFile::load(path);
    p.writeInteger("Keep", "Too", 2);
    p.save();
    EXPECT_EQ(readAll(path), QByteArray("[Keep]\nMe=1\nToo=2\n"));
    EXPECT_EQ(ProfileFile::load(path).readInteger("keep", "too", 0), 2);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"a.INI"});
}

TEST(ProfileFile, SaveThatCannotWriteRaisesUnableToWriteWithThePath) {
    test::TempProgramFolder folder;
    const QString path = folder.file("missing-folder/a.INI");
    ProfileFile p(path);
    p.writeInteger("S", "K", 1);
    try {
        p.save();
        FAIL() << "save succeeded";
    } catch (const ProfileWriteError &e) {
        EXPECT_EQ(e.text(), "Unable to write to " + path);
    }
}

TEST(ProfileFile, AFileThatExistsButCannotBeReadIsNeverReplaced) {
    // A directory in the file's place stands for any file that cannot be
    // read (permissions do not stop the root account the tests may run as).
    test::TempProgramFolder folder;
    const QString path = folder.file("a.INI");
    ASSERT_TRUE(QDir(folder.path()).mkdir("a.INI"));
    ProfileFile p = ProfileFile::load(path);
    EXPECT_FALSE(p.readable());
    EXPECT_EQ(p.readInteger("S", "K", 7), 7);
    p.writeInteger("S", "K", 1);
    EXPECT_THROW(p.save(), ProfileWriteError);
    EXPECT_TRUE(QFileInfo(path).isDir());
}
