// The one place where the device operations take texts from the string table.
#pragma once

#include <string>

// Text `number` of the process-wide string table; empty when no table is open or the table
// lacks the number.
std::u16string DeviceText(unsigned number);
