#pragma once

#include <cstdint>
#include <string>

namespace zorvex {

// Names of the ROM size codes 0..10 ("32kB" .. "32MB"), as the library's Size
// field and the Rom Info pane show them.
inline constexpr unsigned kSizeNameCount = 11;
extern const char* const sizeNames[kSizeNameCount];
// The name of a size code, or nullptr for codes above 10.
const char* SizeName(unsigned code);

// Byte k of a hexadecimal text such as the Attributes field: the two
// characters at 2k and 2k + 1. 0 when that pair is not complete; a character
// that is no hexadecimal digit counts as 0 for its nibble.
uint8_t HexByteAt(int k, const std::string& text);

// The Rom Info pane text of a library row, built only from its Name and
// Attributes fields (the ROM file is never opened). Lines end with CR LF.
std::string RomInfoText(const std::string& name, const std::string& attributes);

// Screenshots live in "pics/" under the working directory. The row's picture
// is ScreenshotPath(Screenshot field); when that cannot be loaded the pane
// falls back to kDefaultScreenshotPath, and when that fails too it stays empty.
inline constexpr const char* kScreenshotDirectory = "pics/";
inline constexpr const char* kDefaultScreenshotPath = "pics/default.bmp";
std::string ScreenshotPath(const std::string& screenshotField);

}  // namespace zorvex
