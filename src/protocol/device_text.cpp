#include "protocol/device_text.h"

// No string table is linked into this build yet: every lookup reads as a missing text.
std::u16string DeviceText(unsigned number) {
    (void)number;
    return {};
}
