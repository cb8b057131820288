#include "ui/settings/VendorLookup.h"

#include "base/Texts.h"
#include "link/ConfigCmds.h"
#include "online/KelvoraHttp.h"
#include "ui/settings/InputDlg.h"

#include <QApplication>
#include <QCursor>

namespace {

// The entry of key in the list, behind a wait cursor while the server is asked.
bool Lookup(const QString& key, QString& value) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    CKelvoraHttp http;
    const bool found = http.LookupParameters(key, value);
    QApplication::restoreOverrideCursor();
    return found;
}

} // namespace

QString ConfirmedListParameters(const QString& moduleId) {
    QString args;
    if (moduleId.isEmpty() || !Lookup(moduleId, args))
        return QString();
    if (!CSetValuesCmd::IsValidArgs(args)) {
        ShowMessage(FormatText(TXT_INVALID_PARAMETERS, {args}), MB_OK,
                    QCoreApplication::applicationName());
        return QString();
    }
    if (ShowMessage(args, MB_OKCANCEL, LoadText(TXT_NEW_PARAMETERS)) != IDOK)
        return QString();
    return args;
}

QString ModuleIdFromList(QWidget* parent) {
    CInputDlg input(TXT_SET_MODULE_ID, TXT_MODULE_ID, CSetParamCmd::kMaxText, parent);
    if (input.exec() != QDialog::Accepted || input.Text().isEmpty())
        return QString();
    QString value;
    if (!Lookup(input.Text(), value))
        return QString();
    const QString id = value.section(u';', 0, 0);
    return id == input.Text() ? id : QString();
}
