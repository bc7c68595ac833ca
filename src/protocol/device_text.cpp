#include "protocol/device_text.h"

#include "app/string_table.h"

std::u16string DeviceText(unsigned number) {
    return LoadText(number);
}
