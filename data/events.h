// The event types of the window and its controls: notify, key and mouse
// events with their shift state and mouse button.
#pragma once

#include <cstdint>

#include "data/persistent.h"

namespace klice {

enum class TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

using TNotifyEvent = TEvent<TObject*>;                                      // (Sender)
using TKeyEvent = TEvent<TObject*, uint16_t&, TShiftState>;                 // (Sender, Key, Shift)
using TKeyPressEvent = TEvent<TObject*, char&>;                             // (Sender, Key)
using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;  // (Sender, Button, Shift, X, Y)
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;            // (Sender, Shift, X, Y)

}  // namespace klice
