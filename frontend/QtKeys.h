// The PC key codes of the window system's keys, for the key handlers of
// both windows.
#pragma once

#include <Qt>

#include "system/KeyMap.h"

namespace varnox {

// 0 for a key neither window handles by code.
inline int VirtualKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace: return VkBack;
        case Qt::Key_Tab: return VkTab;
        case Qt::Key_Pause: return VkPause;
        case Qt::Key_Print: return VkPrint;
        case Qt::Key_Insert: return VkInsert;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VkReturn;
        case Qt::Key_Escape: return VkEscape;
        case Qt::Key_PageUp: return VkPageUp;
        case Qt::Key_PageDown: return VkPageDown;
        case Qt::Key_End: return VkEnd;
        case Qt::Key_Home: return VkHome;
        case Qt::Key_Left: return VkLeft;
        case Qt::Key_Up: return VkUp;
        case Qt::Key_Right: return VkRight;
        case Qt::Key_Down: return VkDown;
        case Qt::Key_Delete: return VkDelete;
        default:
            // F1..F12 in one run of codes each side.
            if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VkF1 + (qtKey - Qt::Key_F1);
            return 0;
    }
}

}  // namespace varnox
