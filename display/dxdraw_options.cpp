#include "display/dxdraw_options.h"

namespace klice {

const TTypeInfo& DXDrawOptionType() {
    static const TTypeInfo type(
        "TDXDrawOption",
        std::vector<std::string>{"doFullScreen", "doNoWindowChange", "doAllowReboot", "doWaitVBlank",
                                 "doAllowPalette256", "doSystemMemory", "doStretch", "doCenter", "doFlip", "do3D",
                                 "doDirectX7Mode", "doRetainedMode", "doHardware", "doSelectDriver", "doZBuffer"});
    return type;
}

TDXDrawOptions EffectiveOptions(TDXDrawOptions options) {
    TDXDrawOptions now = options;
    if (!now.Contains(doFullScreen)) {
        now.Exclude(doNoWindowChange).Exclude(doAllowReboot).Exclude(doAllowPalette256).Exclude(doFlip);
    }
    if (!now.Contains(do3D)) {
        now.Exclude(doDirectX7Mode)
            .Exclude(doRetainedMode)
            .Exclude(doHardware)
            .Exclude(doSelectDriver)
            .Exclude(doZBuffer);
    }
    if (now.Contains(doSystemMemory)) now.Exclude(doFlip);
    if (now.Contains(doDirectX7Mode)) now.Exclude(doRetainedMode);
    now.Exclude(doHardware);
    return now;
}

}  // namespace klice
