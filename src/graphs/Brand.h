#pragma once

#include <QColor>

// The teal of the brand, shared by the buttons, texts, logos and diagrams.
inline const QColor kBrandColour(22, 154, 175);
