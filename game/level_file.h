// Level files: one 1496-byte level_record each, little-endian, named
// "p1.dat" ... "p25.dat" in the working directory.
#pragma once

#include <cstdint>
#include <string>

#include "game/level_record.h"

namespace klice {

// "p" followed by the level number in decimal: "p1", "p25".
std::string level_name_of(int32_t level);

// Reads the first record of an existing file, which is opened for reading
// and writing as the game has always done (so a read-only file is refused).
// Bytes after the first 1496 are ignored; a shorter file is "Read beyond end
// of file". Raises EInOutError.
level_record read_level_file(const std::string& path);

// Writes `record` as a level file, replacing any file of that name.
// Raises EInOutError.
void write_level_file(const std::string& path, const level_record& record);

}  // namespace klice
