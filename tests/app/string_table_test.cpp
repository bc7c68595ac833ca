#include "app/string_table.h"

#include <gtest/gtest.h>

#include <thread>

#include "config/temp_folder.h"

namespace {

// Tables laid out by hand, check values computed with python3 (bitwise CRC-16/MODBUS).
// Six entries: 5 "Five", 7 (length 0), 9 "a\0b", 11 "ive" (overlapping "Five"),
// 300 "Ñandú", 65535 "last"; texts start at offset 52.
const std::string kTable(
    "\x00\x06"
    "\x00\x05\x00\x00\x00\x34\x00\x04"
    "\x00\x07\x00\x00\x00\x34\x00\x00"
    "\x00\x09\x00\x00\x00\x38\x00\x03"
    "\x00\x0b\x00\x00\x00\x35\x00\x03"
    "\x01\x2c\x00\x00\x00\x3b\x00\x07"
    "\xff\xff\x00\x00\x00\x42\x00\x04"
    "\x77\x61"
    "Five"
    "a\x00"
    "b\xc3\x91"
    "and\xc3\xba"
    "last",
    70);
constexpr std::size_t kIndexEnd = 2 + 6 * 8;  // where the check value starts

// Numbers 1, 9, 3 (not sorted) with texts "one", "nine", "3".
const std::string kUnsorted(
    "\x00\x03\x00\x01\x00\x00\x00\x1c\x00\x03\x00\x09\x00\x00\x00\x1f\x00\x04\x00\x03\x00\x00\x00"
    "\x23\x00\x01\xeb\x4b"
    "onenine3",
    36);
// Number 4 three times, with texts "one", "nine", "3".
const std::string kDuplicates(
    "\x00\x03\x00\x04\x00\x00\x00\x1c\x00\x03\x00\x04\x00\x00\x00\x1f\x00\x04\x00\x04\x00\x00\x00"
    "\x23\x00\x01\xaf\xe1"
    "onenine3",
    36);
// Number 1 whose text lies beyond the end of the file.
const std::string kTextBeyondEnd("\x00\x01\x00\x01\x00\x00\x03\xe8\x00\x02\x6c\xe6", 12);

class StringTable : public testing::Test {
protected:
    bool OpenBytes(const std::string& bytes) {
        WriteFile(temp / "t.stc", bytes);
        return table.Open(temp / "t.stc");
    }
    std::u16string Lookup(unsigned number) {
        std::u16string text = u"unchanged";
        return table.GetString(number, text);
    }
    TempFolder temp;
    XCStringTableFile table;
};

TEST_F(StringTable, LooksUpEveryKindOfEntry) {
    ASSERT_TRUE(OpenBytes(kTable));
    EXPECT_TRUE(table.IsOpen());
    const struct {
        unsigned number;
        std::u16string text;
    } cases[] = {
        {5, u"Five"},
        {7, u""},
        {9, u"a"},
        {11, u"ive"},
        {300,
         u"\x00D1"
         u"and\x00FA"},
        {65535, u"last"},
        {0, u"unchanged"},
        {6, u"unchanged"},
        {10, u"unchanged"},
        {299, u"unchanged"},
        {65536, u"unchanged"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Lookup(c.number), c.text) << c.number;
        EXPECT_EQ(Lookup(c.number), c.text) << c.number << " again";
    }
    ASSERT_EQ(table.Entries().size(), 6u);
    EXPECT_EQ(table.Entries()[4].number, 300);
    EXPECT_EQ(table.Entries()[4].offset, 59u);
    EXPECT_EQ(table.Entries()[4].length, 7);
}

TEST_F(StringTable, BinarySearchTakesTheMiddleFirst) {
    ASSERT_TRUE(OpenBytes(kUnsorted));
    EXPECT_EQ(Lookup(9), u"nine");
    EXPECT_EQ(Lookup(1), u"one");
    EXPECT_EQ(Lookup(3), u"unchanged");  // 9 sits in the middle, so 3 is looked for before it
    ASSERT_TRUE(OpenBytes(kDuplicates));
    EXPECT_EQ(Lookup(4), u"nine");
}

TEST_F(StringTable, EmptyTableOpensClosed) {
    EXPECT_TRUE(OpenBytes(std::string("\x00\x00garbage", 9)));
    EXPECT_FALSE(table.IsOpen());
    EXPECT_EQ(Lookup(5), u"unchanged");
}

TEST_F(StringTable, AlteredIndexByteFailsTheCheck) {
    for (std::size_t at : {std::size_t{0}, kIndexEnd - 1, kIndexEnd, kIndexEnd + 1}) {
        std::string altered = kTable;
        altered[at] = static_cast<char>(altered[at] ^ 0x01);
        EXPECT_FALSE(OpenBytes(altered)) << "byte " << at;
        EXPECT_FALSE(table.IsOpen());
        EXPECT_EQ(Lookup(5), u"unchanged");
    }
}

TEST_F(StringTable, FileCutBeforeItsCheckValueFails) {
    for (std::size_t length = 0; length < kIndexEnd + 2; ++length) {
        EXPECT_FALSE(OpenBytes(kTable.substr(0, length))) << length << " bytes";
    }
    // Cut inside the texts: the index still checks out; what cannot be read stays unchanged.
    ASSERT_TRUE(OpenBytes(kTable.substr(0, kTable.size() - 2)));
    EXPECT_EQ(Lookup(5), u"Five");
    EXPECT_EQ(Lookup(65535), u"unchanged");
    ASSERT_TRUE(OpenBytes(kTextBeyondEnd));
    EXPECT_EQ(Lookup(1), u"unchanged");
}

TEST_F(StringTable, FailedOpenClosesTheTableBefore) {
    ASSERT_TRUE(OpenBytes(kTable));
    EXPECT_FALSE(table.Open(temp / "missing.stc"));
    EXPECT_FALSE(table.IsOpen());
    EXPECT_TRUE(table.Entries().empty());
    EXPECT_EQ(Lookup(5), u"unchanged");
}

TEST_F(StringTable, LookupsFromSeveralThreadsAgree) {
    ASSERT_TRUE(OpenBytes(kTable));
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                std::u16string a;
                std::u16string b;
                wrong[t] += table.GetString(5, a) != u"Five";
                wrong[t] += table.GetString(65535, b) != u"last";
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
