// The keyboard and mouse state of a Qt event as the program's shift state.
#pragma once

#include "Libraries/Utilities.h"

#include <Qt>

inline TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers,
                                Qt::MouseButtons buttons = Qt::NoButton,
                                bool doubleClick = false)
{
    TShiftState state = 0;
    if (modifiers & Qt::ShiftModifier) state |= ShiftBit(ssShift);
    if (modifiers & Qt::AltModifier) state |= ShiftBit(ssAlt);
    if (modifiers & Qt::ControlModifier) state |= ShiftBit(ssCtrl);
    if (buttons & Qt::LeftButton) state |= ShiftBit(ssLeft);
    if (buttons & Qt::RightButton) state |= ShiftBit(ssRight);
    if (buttons & Qt::MiddleButton) state |= ShiftBit(ssMiddle);
    if (doubleClick) state |= ShiftBit(ssDouble);
    return state;
}
