// veltrum: the desktop program. It runs the main window until the worker has ended it.

#include "app/VeltrumApp.h"
#include "app/VeltrumDlg.h"
#include "base/Reg.h"
#include "data/NameIndex.h"
#include "drivers/ChargerDrivers.h"
#include "online/NetworkEvents.h"
#include "online/OnlineState.h"

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
    CSystemNetworkEvents network;
    COnlineState online(network);
    CVeltrumDlg window(CRegVT().Role(), &online);
    window.exec();
    return 0;
}
