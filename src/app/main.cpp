// veltrum: the desktop program. It runs the main window until the worker has ended it.

#include "app/VeltrumApp.h"
#include "app/VeltrumDlg.h"
#include "base/Reg.h"
#include "data/NameIndex.h"
#include "drivers/ChargerDrivers.h"

#include <QInputDialog>

int main(int argc, char** argv) {
    CVeltrumApp app(argc, argv);
    InstallChargerDrivers();
    SetTextInputHandler([](const QString& title, const QString& prompt,
                           const QString& initial) -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                                   QLineEdit::Normal, initial, &ok);
        return ok ? std::optional(text) : std::nullopt;
    });
    CVeltrumDlg window(CRegVT().Role());
    window.exec();
    return 0;
}
