// SIGKILL at random moments while a process saves the settings file or the registry file in a
// loop: the file on disk is always one complete version, never a mix or a torn write.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "config/temp_folder.h"
#include "config/xml_document.h"
#include "hardening/save_loop.h"
#include "platform/registry.h"

namespace {

constexpr int kRounds = 50;
constexpr int kLongestRunMs = 60;

// Starts the save loop on `file`; returns its pid once it has saved the first time.
pid_t StartSaveLoop(const std::string& kind, const std::string& file) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        return -1;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(ready[1], STDOUT_FILENO);
        execl(ZEL_SAVE_LOOP, ZEL_SAVE_LOOP, kind.c_str(), file.c_str(), nullptr);
        _exit(127);
    }
    close(ready[1]);
    char byte = 0;
    ssize_t got = read(ready[0], &byte, 1);
    close(ready[0]);
    if (got != 1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// Which complete version `payload` is: 0 or 1, or -1 for anything else.
int VersionOf(const std::u16string& payload) {
    for (unsigned version : {0u, 1u}) {
        if (payload == SavePayload(version)) {
            return static_cast<int>(version);
        }
    }
    return -1;
}

int SettingsVersion(const std::string& file) {
    XmlDocument document;
    if (!document.Load(file)) {
        return -1;
    }
    const XmlNode* payload = document.Root()->Find(u"payload");
    return payload != nullptr ? VersionOf(payload->Text()) : -1;
}

int RegistryVersion(const std::string& file) {
    platform::RegistryValue value;
    if (platform::RegistryFile(file).QueryValue(kSaveLoopKey, kSaveLoopValue, value, 1 << 20) !=
            platform::RegistryStatus::Ok ||
        value.type != platform::kRegSz) {
        return -1;
    }
    return VersionOf(std::u16string(reinterpret_cast<const char16_t*>(value.data.data()),
                                    value.data.size() / 2 - 1));
}

struct CrashCase {
    const char* kind;
    const char* fileName;
    int (*version)(const std::string& file);
};

void PrintTo(const CrashCase& c, std::ostream* os) {
    *os << c.kind;
}

class CrashSafeFile : public testing::TestWithParam<CrashCase> {};

TEST_P(CrashSafeFile, SigkillWhileSavingLeavesOneCompleteVersion) {
    const CrashCase& c = GetParam();
    const char* seedText = std::getenv("ZEL_CRASH_SEED");
    const unsigned seed = seedText != nullptr
                              ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                              : std::random_device{}();
    std::printf("seed %u (set ZEL_CRASH_SEED to repeat)\n", seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> runMs(0, kLongestRunMs);

    TempFolder folder;
    const std::string file = folder / c.fileName;
    int seen[2] = {0, 0};
    for (int round = 0; round < kRounds; ++round) {
        pid_t pid = StartSaveLoop(c.kind, file);
        ASSERT_GT(pid, 0) << "the save loop did not start";
        std::this_thread::sleep_for(
            std::chrono::microseconds(runMs(random) * 1000 + runMs(random) * 17));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the save loop ended on its own, round " << round;
        const int version = c.version(file);
        ASSERT_NE(version, -1) << "round " << round << " (seed " << seed << ") left a torn file";
        ++seen[version];
    }
    std::printf("complete versions found: %d of version 0, %d of version 1\n", seen[0], seen[1]);
}

INSTANTIATE_TEST_SUITE_P(Files, CrashSafeFile,
                         testing::Values(CrashCase{"settings", "default.xcfg", SettingsVersion},
                                         CrashCase{"registry", "user.reg", RegistryVersion}),
                         [](const testing::TestParamInfo<CrashCase>& row) {
                             return std::string(row.param.kind);
                         });

}  // namespace
