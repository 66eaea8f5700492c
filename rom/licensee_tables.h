#pragma once

#include <cstddef>

namespace zorvex {

// One publisher of a licensee table. The key is lowercase hexadecimal: two
// digits of the old licensee byte, or four digits for the two ASCII characters
// of the new licensee code ("01" -> "3031"). Each table ends with a row whose
// key is "END"; that row's name is never shown.
struct LicenseeRow {
    const char* name;  // padded with spaces to the table's width
    const char* key;
};

// Header byte 0x14B; names padded to 20 characters; ascending by code.
extern const LicenseeRow oldLicenseeTable[];
inline constexpr size_t kOldLicenseeRows = 96;
inline constexpr size_t kOldLicenseeNameWidth = 20;

// Header bytes 0x144..0x145, used when 0x14B is 0x33; names padded to 21.
extern const LicenseeRow newLicenseeTable[];
inline constexpr size_t kNewLicenseeRows = 101;
inline constexpr size_t kNewLicenseeNameWidth = 21;

// Searches a table from its first row for the key that matches the start of
// text (letter case ignored, over the key's length; text holds textLength
// characters and nothing past them is read). The padded name, or nullptr.
const char* FindLicensee(const LicenseeRow* table, const char* text, size_t textLength);

}  // namespace zorvex
