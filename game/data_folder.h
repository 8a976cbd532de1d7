// Where the game's data files (krajina.dat, ruzne.dat, p1.dat ... p25.dat)
// are read from. The working folder comes first, as it always has; a player
// who starts the game from a shortcut or a menu somewhere else finds them
// beside the program or in the installed data folder instead.
#pragma once

#include <string>
#include <vector>

namespace klice {

// The file whose presence marks a folder as the game's data folder.
inline constexpr char kDataMarkerFile[] = "krajina.dat";

// The folders to look in, in order: the working folder (""), the folder of
// the running program, and the data folder of an installed game where this
// build has one. Each but the first ends with a separator.
std::vector<std::string> data_folder_candidates();

// The first candidate that holds the marker file (readable). When none does,
// the first candidate: the game then fails on it exactly as before, with
// messages naming the path it tried first.
std::string first_data_folder(const std::vector<std::string>& candidates);

// The folder the data files are read from from now on ("" is the working
// folder, the start value), and a data file's path in it.
void use_data_folder(const std::string& folder);
const std::string& data_folder();
std::string data_file(const std::string& name);

}  // namespace klice
