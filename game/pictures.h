// The pictures the game looks up by name, as game/waves.h names the waves.
// The names are the game's own, Czech (the glossary in
// docs/architecture.md translates them), and they are what the picture
// files and the window's stream store.
#pragma once

#include <array>
#include <string>

namespace klice::pictures {

// In the window's panak list, stored with the window.
inline constexpr const char* kTitle = "uvod1";          // the title screen
inline constexpr const char* kMenu = "uvod2";           // the menu screen
inline constexpr const char* kSliderKnob = "posuvnik";  // the level slider's knob
inline constexpr const char* kStartLit = "hra1";        // the start box under the mouse
inline constexpr const char* kEndLit = "konec1";        // the end box under the mouse
inline constexpr const char* kUpLit = "sipka1";         // the slider's up arrow under the mouse
inline constexpr const char* kDownLit = "sipka2";       // its down arrow
inline constexpr const char* kMusicHint = "zapvyp";     // the music key's hint in play
inline constexpr const char* kKey = "klic";
inline constexpr const char* kJump = "hop";  // the player in the air
// The player walking, one picture after the other.
inline constexpr std::array<const char*, 4> kWalk = {"pa1", "pa2", "pa3", "pa4"};
// The splash of a death.
inline constexpr std::array<const char*, 4> kSplash = {"prsk1", "prsk2", "prsk3", "prsk4"};

// In the ruzne list, the level objects (ruzne.dat).
inline constexpr const char* kBlock = "ctverec";  // a moving block
inline constexpr const char* kExitArrow = "sipka";
// The hazards. A kind's pictures are its name and 1, 2 or 3: "al2".
inline constexpr const char* kFlame = "al";
inline constexpr const char* kSkull = "leb";
inline constexpr const char* kTeeth = "zuby";
inline constexpr std::array<const char*, 3> kHazards = {kFlame, kSkull, kTeeth};
inline constexpr int kHazardPictures = 3;
inline std::string hazard_picture(const char* kind, int n) { return kind + std::to_string(n); }

// The krajina list holds the level backgrounds: background_name_of()
// (game/level_file.h) names them.

}  // namespace klice::pictures
