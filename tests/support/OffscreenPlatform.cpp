// The GUI tests run on Qt's offscreen platform with QT_FATAL_WARNINGS=1. The offscreen windows
// of Qt 6.4 lack two features, size hints for a window manager and raising a window, and Qt's
// fallbacks say so with a warning whenever a shown window changes its size limits or is raised:
// under QT_FATAL_WARNINGS every test would end at its first window with a layout. The test
// programs define these fallbacks as no-ops instead. They are exported from the executable, which
// comes first when the platform plugin's references are resolved; every other warning stays
// fatal.

class QPlatformWindow {
public:
    void propagateSizeHints();
    void raise();
};

void QPlatformWindow::propagateSizeHints() {}
void QPlatformWindow::raise() {}
