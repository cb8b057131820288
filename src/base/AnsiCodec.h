#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The 8-bit text of the wire, the data files, the name index and the support file is
// Windows-1252, whatever the platform. These two functions convert between it and QString.
// Characters that Windows-1252 cannot represent become '?'.
QByteArray ToAnsi(const QString& text);
QString FromAnsi(QByteArrayView bytes);
