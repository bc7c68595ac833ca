// Saves one file over and over, alternating between two complete versions, until it is
// killed: the victim of the crash-safety test.
//
//   hardening_save_loop settings|registry FILE
//
// Version k (0 or 1) of the settings file has a root "config" whose child "payload" holds
// kPayloadLength copies of the letter 'a' + k; version k of the registry file holds that text
// as the value "Language" of the language key. After the first save one byte goes to stdout,
// so the test knows the loop is running.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "config/xml_document.h"
#include "hardening/save_loop.h"
#include "platform/registry.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hardening_save_loop settings|registry FILE\n");
        return 64;
    }
    const std::string kind = argv[1];
    const std::string path = argv[2];
    platform::RegistryFile registry(path);
    XmlDocument document;
    document.CreateRoot();
    document.SetFileName(path);
    for (unsigned round = 0;; ++round) {
        const std::u16string payload = SavePayload(round % 2);
        bool saved = false;
        if (kind == "settings") {
            document.Root()->SetText(u"payload", payload);
            saved = document.Save();
        } else {
            platform::RegistryValue value{platform::kRegSz, platform::RegistryStringData(payload)};
            saved = registry.SetValue(kSaveLoopKey, kSaveLoopValue, value) ==
                    platform::RegistryStatus::Ok;
        }
        if (!saved) {
            std::fprintf(stderr, "hardening_save_loop: save failed\n");
            return 1;
        }
        if (round == 0) {
            (void)!write(STDOUT_FILENO, "s", 1);
        }
    }
}
