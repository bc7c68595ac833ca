#include "config/xml_document.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include "config/temp_folder.h"

namespace {

const std::string kDeclaration = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";

int EntriesIn(const std::string& folder) {
    int count = 0;
    DIR* dir = opendir(folder.c_str());
    while (dirent* entry = readdir(dir)) {
        count += entry->d_name[0] != '.';
    }
    closedir(dir);
    return count;
}

struct RoundTripCase {
    const char* name;
    std::string file;
    std::string saved;  // what Save writes after the declaration
};

void PrintTo(const RoundTripCase& row, std::ostream* out) {
    *out << row.name;
}

class XmlRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(XmlRoundTrip, LoadThenSaveWritesTheDocumentsOwnForm) {
    TempFolder temp;
    std::string path = temp / "default.xcfg";
    WriteFile(path, GetParam().file);
    XmlDocument document;
    ASSERT_TRUE(document.Load(path));
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(ReadFile(path), kDeclaration + GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlRoundTrip,
    testing::Values(
        RoundTripCase{"SelfClosingRootWrittenOpenAndClosed", "<config/>", "<config></config>"},
        RoundTripCase{"SelfClosingWithSpace", "<config />", "<config></config>"},
        RoundTripCase{"TextMovesBehindChildren", "<a>x<b/>y</a>", "<a><b></b>xy</a>"},
        RoundTripCase{"WhiteSpaceKept", "<a> <b/>\n</a>", "<a><b></b> \n</a>"},
        RoundTripCase{"AttributesInNameOrder", R"(<a z="1" b="2"></a>)", R"(<a b="2" z="1"></a>)"},
        RoundTripCase{"DuplicateAttributeKeepsLast", R"(<a b="1" b="2"/>)", R"(<a b="2"></a>)"},
        RoundTripCase{"SpaceBeforeQuoteEndsAttributes", R"(<a x = "1" y="2"></a>)", "<a></a>"},
        RoundTripCase{"SingleQuotes", "<a x='1'></a>", R"(<a x="1"></a>)"},
        RoundTripCase{"ApostropheBeforeADoubleQuoteEndsAttributes", R"(<a x='1' y="2"></a>)",
                      "<a></a>"},
        RoundTripCase{"ClosingQuoteNeedNotMatch", R"(<a x="1' y='2'></a>)",
                      R"(<a x="1" y="2"></a>)"},
        RoundTripCase{"ApostropheInsideDoubleQuotes", R"(<a x="it's"></a>)", R"(<a x="it's"></a>)"},
        RoundTripCase{"AttributeValuesNotEscaped", R"(<a x="&amp;<"></a>)",
                      R"(<a x="&amp;<"></a>)"},
        RoundTripCase{"EntitiesDecodedOnceAndEscapedAgain", "<a>1 &lt; 2 &amp;amp; R&D</a>",
                      "<a>1 &lt; 2 &amp;amp; R&amp;D</a>"},
        RoundTripCase{"EntitySplitByChildIsJoinedFirst", "<a>&am<b/>p;</a>", "<a><b></b>&amp;</a>"},
        RoundTripCase{"QuotesInTextEscaped", "<a>\"'</a>", "<a>&quot;&apos;</a>"},
        RoundTripCase{"AstralCharacter", "<a>\xF0\x9F\x98\x80</a>", "<a>\xF0\x9F\x98\x80</a>"},
        RoundTripCase{"MalformedUtf8Dropped", "<a>\xC3\x41\x42</a>", "<a>B</a>"},
        RoundTripCase{"ByteOrderMarkAndDeclaration",
                      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<a>1</a>", "<a>1</a>"},
        RoundTripCase{"AnythingAfterTheRootIgnored", "<a></a><b><", "<a></a>"},
        RoundTripCase{"TextBeforeTheRootIgnored", "junk<a/>", "<a></a>"},
        RoundTripCase{"ForeignRootAndEmptyElementKept", "<settings><x></x><y/></settings>",
                      "<settings><x></x><y></y></settings>"}),
    [](const testing::TestParamInfo<RoundTripCase>& row) { return row.param.name; });

struct FailureCase {
    const char* name;
    std::string file;
};

void PrintTo(const FailureCase& row, std::ostream* out) {
    *out << row.name;
}

class XmlLoadFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(XmlLoadFailure, LeavesTheDocumentEmpty) {
    TempFolder temp;
    std::string path = temp / "default.xcfg";
    WriteFile(path, GetParam().file);
    XmlDocument document;
    document.CreateRoot();
    EXPECT_FALSE(document.Load(path));
    EXPECT_EQ(document.Root(), nullptr);
    EXPECT_EQ(document.FileName(), path);
}

std::string Nested(int depth) {
    std::string open;
    std::string close;
    for (int i = 0; i < depth; ++i) {
        open += "<n>";
        close += "</n>";
    }
    return open + close;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlLoadFailure,
    testing::Values(FailureCase{"Empty", ""}, FailureCase{"NoElement", "just text"},
                    FailureCase{"DeclarationOnly", "<?xml version=\"1.0\"?>"},
                    FailureCase{"DeclarationNotClosed", "<?xml version=\"1.0\" ?x><a/>"},
                    FailureCase{"SpaceBeforeDeclaration", " <?xml version=\"1.0\"?><a/>"},
                    FailureCase{"CommentBeforeRoot", "<!-- c --><a/>"},
                    FailureCase{"CommentInsideRoot", "<a><!-- c --></a>"},
                    FailureCase{"TagWithoutEnd", "<a"}, FailureCase{"EndsInsideElement", "<a><b/>"},
                    FailureCase{"TextWithoutFollowingTag", "<a>text"},
                    FailureCase{"WrongClosingTag", "<a>1</b>"},
                    FailureCase{"SpaceInClosingTag", "<a>1</a >"},
                    FailureCase{"ZeroByteEndsInput", std::string("<a>\0</a>", 8)},
                    FailureCase{"DeeperThanTheCap", Nested(kMaxXmlDepth + 1)},
                    FailureCase{"FarTooDeep", Nested(200000)}),
    [](const testing::TestParamInfo<FailureCase>& row) { return row.param.name; });

TEST(XmlDocument, NestingUpToTheCapLoads) {
    TempFolder temp;
    WriteFile(temp / "deep.xcfg", Nested(kMaxXmlDepth));
    XmlDocument document;
    EXPECT_TRUE(document.Load(temp / "deep.xcfg"));
}

TEST(XmlDocument, MissingFileThenCreateRootSavesUnderTheLoadedName) {
    TempFolder temp;
    std::string path = temp / "default.xcfg";
    XmlDocument document;
    EXPECT_FALSE(document.Load(path));
    EXPECT_EQ(document.Root(), nullptr);
    document.CreateRoot();
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(ReadFile(path), kDeclaration + "<config></config>");
}

TEST(XmlDocument, LoadsAndSavesTheBareDefaultNameInTheWorkingFolder) {
    TempFolder temp;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(temp.Path().c_str()), 0);
    XmlDocument document;
    bool loaded = document.Load();
    document.CreateRoot();
    bool saved = document.Save();
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(document.FileName(), "default.xcfg");
    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadFile(temp / "default.xcfg"), kDeclaration + "<config></config>");
}

TEST(XmlDocument, SaveCreatesMissingFolders) {
    TempFolder temp;
    std::string path = temp / "a/b/default.xcfg";
    XmlDocument document;
    document.Load(path);
    document.CreateRoot();
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadFile(path), kDeclaration + "<config></config>");
}

TEST(XmlDocument, SaveWithoutRootOrNameWritesNothing) {
    TempFolder temp;
    std::string path = temp / "default.xcfg";
    WriteFile(path, "old");
    XmlDocument unnamed;
    unnamed.CreateRoot();
    EXPECT_FALSE(unnamed.Save());
    XmlDocument rootless;
    rootless.Load(temp / "missing.xcfg");
    rootless.SetFileName(path);
    EXPECT_FALSE(rootless.Save());
    EXPECT_EQ(ReadFile(path), "old");
}

// A write that fails halfway (here: the file size limit) must leave the old file whole and no
// temporary file behind.
TEST(XmlDocument, FailedSaveKeepsTheOldFile) {
    TempFolder temp;
    std::string path = temp / "default.xcfg";
    const std::string old = kDeclaration + "<config><keep>me</keep></config>";
    WriteFile(path, old);
    XmlDocument document;
    ASSERT_TRUE(document.Load(path));
    document.Root()->SetText(u"big", std::u16string(5000, u'x'));

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool result = document.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(EntriesIn(temp.Path()), 1);
}

TEST(XmlDocument, SaveKeepsPermissionsAndWritesThroughLinks) {
    TempFolder temp;
    std::string real = temp / "real.xcfg";
    std::string link = temp / "default.xcfg";
    WriteFile(real, "<config/>");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real.xcfg", link.c_str()), 0);
    XmlDocument document;
    ASSERT_TRUE(document.Load(link));
    ASSERT_TRUE(document.Save());
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(real), kDeclaration + "<config></config>");
    EXPECT_EQ(EntriesIn(temp.Path()), 2);
}

class XmlFind : public testing::Test {
protected:
    void SetUp() override {
        TempFolder temp;
        WriteFile(temp / "f.xcfg",
                  "<r><a><b>1</b></a><a><b>2</b><c>x</c></a><d><e>v</e></d><A>upper</A></r>");
        ASSERT_TRUE(document.Load(temp / "f.xcfg"));
        root = document.Root();
    }
    std::u16string TextAt(const std::u16string& path) {
        const XmlNode* node = root->Find(path);
        return node != nullptr ? node->Text() : u"<none>";
    }
    XmlDocument document;
    XmlNode* root = nullptr;
};

TEST_F(XmlFind, PathForms) {
    EXPECT_EQ(root->Find(u""), root);
    EXPECT_EQ(root->Find(u"/"), root);
    const struct {
        std::u16string path;
        std::u16string text;
    } cases[] = {
        {u"//a//b", u"1"},    {u"a/b", u"1"},         {u"a/c", u"<none>"}, {u"a?c?/c", u"x"},
        {u"a?b=2?/c", u"x"},  {u"a?b=3?", u"<none>"}, {u"a?b", u"<none>"}, {u"a?b?x", u"<none>"},
        {u"d/e", u"v"},       {u"A", u"upper"},       {u"D", u"<none>"},   {u"a?b?", u""},
        {u"d?e=v?/e/", u"v"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextAt(c.path), c.text) << std::string(c.path.begin(), c.path.end());
    }
}

TEST(XmlNode, SetNumberAppendsThenReplaces) {
    XmlDocument document;
    document.CreateRoot();
    XmlNode* root = document.Root();
    root->SetText(u"first", u"1");
    root->SetNumber(u"timeRefresh", 10);
    EXPECT_EQ(document.Serialize(),
              kDeclaration + "<config><first>1</first><timeRefresh>10</timeRefresh></config>");
    root->SetNumber(u"timeRefresh", -7);
    root->SetAttribute(u"", u"ignored");
    root->SetAttribute(u"k", u"v");
    EXPECT_EQ(
        document.Serialize(),
        kDeclaration + "<config k=\"v\"><first>1</first><timeRefresh>-7</timeRefresh></config>");
}

}  // namespace
