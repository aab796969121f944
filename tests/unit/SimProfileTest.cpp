// What the simulated .ini files promise: the answers kernel32 (and Wine, our oracle)
// gives for the same files and calls.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "platform/sim/SimProfile.h"

namespace {

constexpr const char* kIni = "C:\\Prog\\bkg.ini";

const char* shown(const char* text) { return text != nullptr ? text : "(null)"; }

// What a caller sees: the buffer up to its first NUL ("#" when nothing was written).
std::string read(sim::SimProfile& profile, const char* section, const char* key, const char* fallback,
                 std::uint32_t size = 256, std::uint32_t* length = nullptr) {
    std::string buffer(size + 1, '#');
    const std::uint32_t copied = profile.getString(section, key, fallback, &buffer[0], size, kIni);
    if (length != nullptr) *length = copied;
    return buffer.substr(0, size == 0 ? 1 : buffer.find('\0'));
}

TEST(SimProfile, ReadsLikeKernel32) {
    struct Case {
        const char* file;  // nullptr: no such file
        const char* section;
        const char* key;
        const char* fallback;
        const char* expected;
        std::uint32_t size = 256;
    };
    const Case cases[] = {
        {"[Section1]\r\nName1=val1\r\n", "sECTION1", "NAME1", "d", "val1"},
        {"[ section1 ]\r\nname1=val1\r\n", "section1", "name1", "d", "val1"},
        {"[section1]\r\nname1=val1\r\n", " section1 ", " name1 ", "d", "val1"},
        {"[a]b]\r\nk=v\r\n", "a]b", "k", "d", "v"},
        {"[sec] trailing\r\nk=v\r\n", "sec", "k", "d", "v"},
        {"[s]\r\n  key   =   value  \r\n", "s", "key", "d", "value"},
        {"[s]\rk1=v1\rk2=v2\r", "s", "k2", "d", "v2"},
        {"[s]\r\nk=\"quoted\"\r\n", "s", "k", "d", "quoted"},
        {"[s]\r\nk='single'\r\n", "s", "k", "d", "single"},
        {"[s]\r\nk=\"  inner blanks  \"\r\n", "s", "k", "d", "  inner blanks  "},
        {"[s]\r\nk=\"mixed'\r\n", "s", "k", "d", "\"mixed'"},
        {"[s]\r\nk=\"\r\n", "s", "k", "d", "\""},
        {"[s]\r\nk=a\"b\"c\r\n", "s", "k", "d", "a\"b\"c"},
        {"[s]\r\nk=value ; note\r\n", "s", "k", "d", "value ; note"},
        {"[s]\r\n;k=commented\r\nk=real\r\n", "s", "k", "d", "real"},
        {"[s]\r\nk=\r\n", "s", "k", "d", ""},
        {"[s]\r\nother=1\r\n", "s", "k", "default  ", "default"},
        {"[s]\r\nother=1\r\n", "s", "k", nullptr, ""},
        {"[other]\r\nk=1\r\n", "s", "k", "d", "d"},
        {"[s]\r\nk=1\r\n", "", "k", "d", "d"},
        {"[s]\r\nk=1\r\n", "s", "", "d", "d"},
        {nullptr, "s", "k", "default \t ", "default"},
        {"[s]\r\nflag\r\n", "s", "flag", "d", "d"},
        {"[s]\r\nk=1\r\n[S]\r\nk=2\r\nonly=3\r\n", "s", "k", "d", "1"},
        {"[s]\r\nk=1\r\n[S]\r\nk=2\r\nonly=3\r\n", "s", "only", "d", "d"},
        {"[s]\r\nk=1\r\nK=2\r\n", "s", "k", "d", "1"},
        {"k=outside\r\n[s\r\nk=1\r\n", "s", "k", "d", "d"},
        {"[s]\r\nk=abcdef\r\n", "s", "k", "d", "abcde", 6},
        {"[s]\r\nk=abcdef\r\n", "s", "k", "d", "", 1},
        {"[s]\r\nk=abcdef\r\n", "s", "k", "d", "#", 0},
        {"[s]\r\n", "s", "k", "default", "def", 4},
    };
    for (const Case& c : cases) {
        sim::SimProfile profile;
        if (c.file != nullptr) profile.setFile(kIni, c.file);
        std::uint32_t length = 99;
        EXPECT_EQ(read(profile, c.section, c.key, c.fallback, c.size, &length), c.expected)
            << shown(c.file) << " [" << c.section << "] " << c.key << " size " << c.size;
        EXPECT_EQ(length, c.size == 0 ? 0 : std::string(c.expected).size()) << shown(c.file);
    }
}

TEST(SimProfile, IntegersParseLikeGetPrivateProfileIntA) {
    struct Case {
        const char* line;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"k=+1", 1},         {"k=42A9", 42},          {"k=B429", 0},     {"k=4294967297", 1},
        {"k=-1", 0xFFFFFFFFu}, {"k=00012", 12},       {"k=\" 7\"", 7},   {"k='9'", 9},
        {"k=-", 0},          {"k=0x10", 0},           {"k=", 77},        {"k=\"\"", 77},
        {"k", 77},           {"other=5", 77},         {"K = 12 ; c", 12}, {"k=2147483648", 0x80000000u},
    };
    for (const Case& c : cases) {
        sim::SimProfile profile;
        profile.setFile(kIni, std::string("[s]\r\n") + c.line + "\r\n");
        EXPECT_EQ(profile.getInt("s", "k", 77, kIni), c.expected) << c.line;
    }
    sim::SimProfile profile;
    EXPECT_EQ(profile.getInt("s", "k", -3, kIni), static_cast<std::uint32_t>(-3));
}

TEST(SimProfile, NullKeyListsKeysAndNullSectionListsSections) {
    struct Case {
        const char* section;
        std::uint32_t size;
        std::string expected;  // including the closing double NUL
        std::uint32_t length;
    };
    const std::string file = "[one]\r\nalpha=1\r\nflag\r\n;note\r\nBeta=2\r\n[two]\r\ngamma=3\r\n[one]\r\nlate=4\r\n";
    const Case cases[] = {
        {"ONE", 64, std::string("alpha\0Beta\0\0", 12), 11},
        {"one", 9, std::string("alpha\0B\0\0", 9), 7},
        {"one", 2, std::string("\0\0", 2), 0},
        {"missing", 64, std::string("\0\0", 2), 0},
        {nullptr, 64, std::string("one\0two\0one\0\0", 13), 12},
        {nullptr, 6, std::string("one\0\0\0", 6), 4},
    };
    for (const Case& c : cases) {
        sim::SimProfile profile;
        profile.setFile(kIni, file);
        std::string buffer(c.size, '#');
        EXPECT_EQ(profile.getString(c.section, nullptr, "d", &buffer[0], c.size, kIni), c.length);
        EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected) << shown(c.section);
    }
}

TEST(SimProfile, WritesLikeWritePrivateProfileStringA) {
    struct Case {
        const char* before;  // nullptr: no such file
        const char* section;
        const char* key;
        const char* value;
        const char* after;  // nullptr: still no file
    };
    const Case cases[] = {
        {nullptr, "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        {"[a]\nx=1", "b", "k", "v", "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
        {"[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "A", "z", "3", "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"},
        {"[a]", "a", "k", "v", "[a]\r\nk=v\r\n"},
        {"[a]\r\n Key = old ; c\r\nafter=1\r\n", "a", "KEY", "new", "[a]\r\nKey=new\r\nafter=1\r\n"},
        {"[a]\nk=1\nm=2\n", "a", "k", "9", "[a]\nk=9\nm=2\n"},
        {"[a]\r\nflag\r\n", "a", "flag", "1", "[a]\r\nflag=1\r\n"},
        {"[a]\r\nk=1\r\n[a]\r\nk=2\r\n", "a", "k", "3", "[a]\r\nk=3\r\n[a]\r\nk=2\r\n"},
        {"[a]\r\nk=1\r\nm=2\r\n", "a", "k", nullptr, "[a]\r\nm=2\r\n"},
        {"[a]\r\nk=1\r\n", "a", "gone", nullptr, "[a]\r\nk=1\r\n"},
        {nullptr, "a", "k", nullptr, nullptr},
        {";top\r\n[a]\r\nk=1\r\n[b]\r\nm=2\r\n[A]\r\nn=3\r\n", "a", nullptr, nullptr, ";top\r\n[b]\r\nm=2\r\n"},
        {"[a]\r\nk=1\r\n", "zz", nullptr, nullptr, "[a]\r\nk=1\r\n"},
    };
    for (const Case& c : cases) {
        sim::SimProfile profile;
        if (c.before != nullptr) profile.setFile(kIni, c.before);
        EXPECT_TRUE(profile.writeString(c.section, c.key, c.value, kIni)) << shown(c.before);
        EXPECT_EQ(profile.hasFile(kIni), c.after != nullptr) << shown(c.before);
        if (c.after != nullptr) {
            EXPECT_EQ(profile.file(kIni), c.after) << shown(c.before);
        }
    }
    sim::SimProfile profile;
    EXPECT_FALSE(profile.writeString(nullptr, "k", "v", kIni));
    EXPECT_FALSE(profile.writeString("", "k", "v", kIni));
    EXPECT_FALSE(profile.writeString("s", "", "v", kIni));
    EXPECT_FALSE(profile.hasFile(kIni));
    // File names are Windows paths: case and the kind of slash do not matter.
    ASSERT_TRUE(profile.writeString("s", "k", "v", "c:/PROG/BKG.INI"));
    EXPECT_EQ(read(profile, "s", "k", "d"), "v");
    profile.removeFile("C:\\prog\\bkg.ini");
    EXPECT_EQ(read(profile, "s", "k", "d"), "d");
}

TEST(SimProfile, SurvivesJunkAndHugeFiles) {
    std::mt19937 random(1234);
    std::string junk(1 << 18, '\0');
    const char alphabet[] = {'\0', '\xFF', '[', ']', '=', '\r', '\n', ' ', '"', ';', 'k', 's', '5'};
    for (char& c : junk) c = alphabet[random() % sizeof(alphabet)];
    sim::SimProfile profile;
    profile.setFile(kIni, junk + "\r\n[tail]\r\nkey=found\r\n");
    for (const char* section : {"s", "k", "\xFF", static_cast<const char*>(nullptr)}) {
        EXPECT_LE(read(profile, section, "k", "d", 8).size(), 7u);
        EXPECT_LE(read(profile, section, nullptr, "d", 8).size(), 7u);
        profile.getInt(section, "s", 1, kIni);
        profile.writeString(section, "k", "v", kIni);
    }
    EXPECT_TRUE(profile.writeString("s", nullptr, nullptr, kIni));
    EXPECT_EQ(read(profile, "tail", "key", "d"), "found");

    // A NUL ends what a C caller can see of a value.
    profile.setFile(kIni, std::string("[s]\r\nk=ab\0cd\r\n", 14));
    std::uint32_t length = 0;
    read(profile, "s", "k", "d", 256, &length);
    EXPECT_EQ(length, 2u);

    const std::string longLine(100 * 1024, '7');
    profile.setFile(kIni, "[" + longLine + "\r\n[s]\r\n" + longLine + "=x\r\nk=" + longLine + "\r\n");
    EXPECT_EQ(read(profile, "s", "k", "d", 16).size(), 15u);
    EXPECT_EQ(read(profile, "s", "k", "d", 200 * 1024), longLine);
    EXPECT_EQ(read(profile, "s", longLine.c_str(), "d"), "x");
    profile.getInt("s", "k", 0, kIni);

    // Several megabytes with the key at the very end: every call has to stay linear.
    std::string big;
    for (int i = 0; i < 200000; ++i) big += "[sec" + std::to_string(i) + "]\r\nkey=" + std::to_string(i) + "\r\n";
    profile.setFile(kIni, big);
    EXPECT_EQ(profile.getInt("sec199999", "key", -1, kIni), 199999u);
    EXPECT_TRUE(profile.writeString("sec199999", "new", "1", kIni));
    EXPECT_TRUE(profile.writeString("sec0", nullptr, nullptr, kIni));
    EXPECT_EQ(profile.getInt("sec199999", "new", 0, kIni), 1u);
}

}  // namespace
