// Whole numbers in the settings file and in the windows' entry fields.
#pragma once

#include <cstdint>
#include <string>

// Decimal reading as the settings file has always used it: leading white space skipped, an
// optional sign, digits up to the first non-digit; no digits gives 0; values beyond the
// 32-bit range saturate at INT32_MAX / INT32_MIN. Never fails.
std::int32_t ParseWideInteger(const std::u16string& text);
