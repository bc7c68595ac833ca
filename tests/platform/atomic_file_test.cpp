#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The id of a process that has already ended.
pid_t EndedProcess() {
    pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

class AtomicFile : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("zel-atomic-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
};

TEST_F(AtomicFile, ReplacesTheWholeFile) {
    const fs::path file = folder / "default.xcfg";
    std::ofstream(file) << "old contents that are longer";
    ASSERT_EQ(platform::ReplaceFileContents(file.string(), "new"), platform::FileWriteResult::Ok);
    EXPECT_EQ(ReadAll(file), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(AtomicFile, MissingFolderIsReportedAndNothingWritten) {
    EXPECT_EQ(platform::ReplaceFileContents((folder / "no" / "file").string(), "x"),
              platform::FileWriteResult::FolderMissing);
    EXPECT_FALSE(fs::exists(folder / "no"));
}

// A writer killed between creating its temporary file and the rename leaves the temporary file;
// the next save clears it, but never one whose writer still runs, nor another file's.
TEST_F(AtomicFile, NextSaveRemovesTempsOfKilledWritersOnly) {
    const fs::path file = folder / "user.reg";
    const fs::path orphan = folder / ("user.reg.tmp" + std::to_string(EndedProcess()) + "-0");
    const fs::path live = folder / ("user.reg.tmp" + std::to_string(getppid()) + "-3");
    const fs::path other = folder / ("other.reg.tmp" + std::to_string(EndedProcess()) + "-0");
    const fs::path unrelated = folder / "user.reg.tmpnotes";
    for (const fs::path& p : {orphan, live, other, unrelated}) {
        std::ofstream(p) << "partial";
    }
    ASSERT_EQ(platform::ReplaceFileContents(file.string(), "saved"), platform::FileWriteResult::Ok);
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_EQ(ReadAll(file), "saved");
}

}  // namespace
