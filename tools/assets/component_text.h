// The readable description of a stored component tree, compiled into the
// component stream. One object a block, properties before nested objects:
//
//   object TDXImageList panak          # class, then name (may be left out)
//     DXDraw = DXDraw                  # identifier (True and False too)
//     Items = <                        # collection
//       item
//         Name = 'pa1'                 # quoted text
//         PatternHeight = 0            # integer
//         Picture.Data = picture 'pictures/panak/pa1.png' 8   # PNG as a DIB block
//       end
//     >
//     Items.ColorTable = zeros 1024    # binary block of zero bytes
//   end
//
// Other values: [member, member] sets, `wave 'sounds/x.txt'` (a synthesized
// RIFF WAVE block). Paths are relative to the source file's folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace klice::assets {

// The component stream ("TPF0" ...) described by the text of `file`.
std::vector<uint8_t> compile_component_text(const std::string& text, const std::string& file);

// The same, read from a file.
std::vector<uint8_t> compile_component_file(const std::string& file);

}  // namespace klice::assets
