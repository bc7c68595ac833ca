// The string-table compiler, run as the build runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "config/temp_folder.h"

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return text;
}

// Runs zel-stc from the program folder and waits for that process. Standard error goes to a
// file so that neither pipe can fill while the other is read.
Result RunStc(const std::vector<std::string>& args, const TempFolder& temp) {
    std::string program = std::string(std::getenv("ZEL_PROGRAM_DIR")) + "/zel-stc";
    std::string errFile = temp / "stderr.txt";
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        FILE* err = std::fopen(errFile.c_str(), "w");
        dup2(fileno(err), 2);
        close(out[0]);
        std::vector<char*> argv{program.data()};
        std::vector<std::string> copies = args;
        for (auto& arg : copies) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    Result result;
    result.out = Drain(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = ReadFile(errFile);
    return result;
}

// Laid out by hand, check value computed with python3 (bitwise CRC-16/MODBUS).
const std::string kExpectedTable(
    "\x00\x03\x00\x05\x00\x00\x00\x1c\x00\x11\x00\x07\x00\x00\x00\x2d\x00\x00\x01\x2c\x00\x00\x00"
    "\x2d\x00\x07\xc3\xae"
    "Five\tTab\nLine\\end\xc3\x91"
    "and\xc3\xba",
    52);

TEST(ZelStc, BuildWritesTheTableAndDumpPrintsItBack) {
    TempFolder temp;
    WriteFile(temp / "cat.txt",
              "# comment\n\n300\t\xC3\x91"
              "and\xC3\xBA\r\n5\tFive\\tTab\\nLine\\\\end\n7\t\n");
    Result build = RunStc({"build", temp / "cat.txt", temp / "out.stc"}, temp);
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(ReadFile(temp / "out.stc"), kExpectedTable);

    Result dump = RunStc({"dump", temp / "out.stc"}, temp);
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out,
              "5\tFive\\tTab\\nLine\\\\end\n7\t\n300\t\xC3\x91"
              "and\xC3\xBA\n");
}

TEST(ZelStc, ShippedTablesDumpToTheirCatalogs) {
    for (const char* language : {"en", "es"}) {
        TempFolder temp;
        std::string table =
            std::string(std::getenv("ZEL_PROGRAM_DIR")) + "/ZELSoftware." + language + ".stc";
        Result dump = RunStc({"dump", table}, temp);
        EXPECT_EQ(dump.status, 0);
        std::string catalog = ReadFile(std::string(ZEL_STRINGS_DIR) + "/" + language + ".txt");
        std::string withoutComments;
        for (std::size_t start = 0; start < catalog.size();) {
            std::size_t end = catalog.find('\n', start);
            std::string line = catalog.substr(start, end - start + 1);
            if (line[0] != '#' && line != "\n") {
                withoutComments += line;
            }
            start = end + 1;
        }
        EXPECT_EQ(dump.out, withoutComments) << language;
    }
}

struct BadCatalog {
    const char* name;
    std::string content;
    const char* message;
};

void PrintTo(const BadCatalog& row, std::ostream* out) {
    *out << row.name;
}

class ZelStcRejects : public testing::TestWithParam<BadCatalog> {};

TEST_P(ZelStcRejects, NamesTheLineAndWritesNothing) {
    TempFolder temp;
    WriteFile(temp / "cat.txt", GetParam().content);
    Result build = RunStc({"build", temp / "cat.txt", temp / "out.stc"}, temp);
    EXPECT_EQ(build.status, 1);
    EXPECT_NE(build.err.find(GetParam().message), std::string::npos) << build.err;
    EXPECT_EQ(ReadFile(temp / "out.stc"), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(Cases, ZelStcRejects,
                         testing::Values(BadCatalog{"Duplicate", "1\ta\n2\tb\n1\tc\n", "line 3"},
                                         BadCatalog{"NumberTooLarge", "65536\tx\n", "line 1"},
                                         BadCatalog{"NotANumber", "1a\tx\n", "line 1"},
                                         BadCatalog{"NoTab", "\n12 text\n", "line 2"},
                                         BadCatalog{"UnknownEscape", "1\tbad \\q\n", "line 1"},
                                         BadCatalog{"EscapeAtTheEnd", "1\tbad \\\n", "line 1"}),
                         [](const testing::TestParamInfo<BadCatalog>& row) {
                             return row.param.name;
                         });

TEST(ZelStc, DumpOfANonTableAndUsage) {
    TempFolder temp;
    WriteFile(temp / "bad.stc",
              std::string("\x00\x01\x00\x01\x00\x00\x00\x0c\x00\x00\x00\x00", 12));
    Result dump = RunStc({"dump", temp / "bad.stc"}, temp);
    EXPECT_EQ(dump.status, 1);
    EXPECT_TRUE(dump.out.empty());
    EXPECT_EQ(RunStc({"dump", temp / "missing.stc"}, temp).status, 1);
    EXPECT_EQ(RunStc({}, temp).status, 64);
    EXPECT_EQ(RunStc({"dump"}, temp).status, 64);
    EXPECT_EQ(RunStc({"build", temp / "x"}, temp).status, 64);
}

}  // namespace
