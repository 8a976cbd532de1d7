// Presented frames as PNG files.
#pragma once

#include <string>

#include "platform/application.h"

namespace klice::play {

// Writes the frame as an 8-bit RGB PNG; raises std::runtime_error when the
// file cannot be written.
void write_png(const platform::Frame& frame, const std::string& path);

// "frame-000123.png"
std::string frame_file_name(long long tick);

}  // namespace klice::play
