// Level files: one 1496-byte level_record each, little-endian, named
// "p1.dat" ... "p25.dat" in the data folder (game/data_folder.h); and the
// other names a level's number gives.
#pragma once

#include <cstdint>
#include <string>

#include "game/level_record.h"

namespace klice {

// The levels are numbered 1 ... kLevelCount; after the last comes the first.
inline constexpr int32_t kLevelCount = 25;

// "p" followed by the level number in decimal: "p1", "p25".
std::string level_name_of(int32_t level);
// The level's file name in the data folder: "p1.dat".
std::string level_file_of(int32_t level);
// The level's background picture in krajina. Levels 11 to 20 have none of
// their own: they reuse those of levels 1 to 10.
std::string background_name_of(int32_t level);

// Reads the first record of an existing file. The file is opened for reading
// only: an installed game's files belong to the system and are read-only to
// the player, so asking for write access, as the game once did, would refuse
// every level. Bytes after the first 1496 are ignored; a shorter file is
// "Read beyond end of file". Raises EInOutError.
level_record read_level_file(const std::string& path);

// Writes `record` as a level file, replacing any file of that name.
// Raises EInOutError.
void write_level_file(const std::string& path, const level_record& record);

}  // namespace klice
