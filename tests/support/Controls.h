#pragma once

// Finding a window's controls by their command id, as the dialog code names them.

#include "ui/common/ToolTip.h"

#include <QWidget>

// The control of type T with that id among the window's children, or none.
template <typename T> T* Control(QWidget& window, int id) {
    for (T* control : window.findChildren<T*>()) {
        if (CommandId(control) == id)
            return control;
    }
    return nullptr;
}
