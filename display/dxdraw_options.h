// The display component's options: what a stored set asks for, and what of
// it is in effect.
#pragma once

#include "data/persistent.h"

namespace klice {

enum class TDXDrawOption {
    doFullScreen,
    doNoWindowChange,
    doAllowReboot,
    doWaitVBlank,
    doAllowPalette256,
    doSystemMemory,
    doStretch,
    doCenter,
    doFlip,
    do3D,
    doDirectX7Mode,
    doRetainedMode,
    doHardware,
    doSelectDriver,
    doZBuffer,
};

// A set of TDXDrawOption (bit n for the option of value n); stored as 16 bits.
using TDXDrawOptions = TSet<TDXDrawOption>;
const TTypeInfo& DXDrawOptionType();

using enum TDXDrawOption;

inline constexpr TDXDrawOptions kDefaultDXDrawOptions{doAllowReboot,  doWaitVBlank, doCenter,      do3D,
                                                      doDirectX7Mode, doHardware,   doSelectDriver};

// The options in effect for a stored set.
TDXDrawOptions EffectiveOptions(TDXDrawOptions options);

}  // namespace klice
