// The command-script window against the simulated charger: running and cancelling a script
// from its file, the status mark after failed and successful exchanges, and closing the window
// during a long pause.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"
#include "ui/common/Output.h"
#include "ui/common/OutputDlg.h"
#include "ui/scripts/UsbCommScriptDlg.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList Lines(CUsbCommScriptDlg& window) {
    COutput& list = window.Protocol()->List();
    QStringList lines;
    for (int i = 0; i < list.count(); ++i)
        lines << list.item(i)->text();
    return lines;
}

QAbstractButton* Button(QWidget& window, int id) {
    for (auto* button : window.findChildren<QAbstractButton*>()) {
        if (CommandId(button) == id)
            return button;
    }
    return nullptr;
}

} // namespace

class TestScriptWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_boxes;

    // The window, shown, with the script of that content loaded.
    std::unique_ptr<CUsbCommScriptDlg> Open(const QByteArray& content) {
        const QString path = m_dir.filePath(QStringLiteral("script.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qWarning("cannot write the script");
        file.close();
        auto window = std::make_unique<CUsbCommScriptDlg>();
        window->show();
        window->Load(path);
        return window;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return int(IDOK);
        });
        TheDevice().worker.Start();
    }
    void init() {
        TheDevice().link.Select(0);
        m_boxes.clear();
        TheSimCharger().SetFaults({});
        TheSimCharger().ClearReceivedFrames();
    }

    // A failed exchange turns the mark red and logs the error text, the next successful one
    // turns it green again. While the script runs, the run button cancels and Load is disabled;
    // the pane starts with the start time.
    void statusMark() {
        auto window = Open("KelvoraScript\nCMD\tXX\nPAUSE\t400\nCMD\tGP\n");
        QAbstractButton* run = Button(*window, IDC_RUN_SCRIPT);
        QVERIFY(run->isEnabled());
        QCOMPARE(window->StatusColour(), CUsbCommScriptDlg::kStatusOk);
        run->click();
        QVERIFY(window->IsRunning());
        QCOMPARE(run->text(), LoadText(TXT_CANCEL_SCRIPT));
        QVERIFY(!Button(*window, IDC_LOAD_SCRIPT)->isEnabled());
        QTRY_COMPARE(window->StatusColour(), CUsbCommScriptDlg::kStatusFailed);
        QVERIFY(Lines(*window).contains(LoadText(TXT_INVALID_COMMAND)));
        QTRY_COMPARE(window->StatusColour(), CUsbCommScriptDlg::kStatusOk);
        QTRY_VERIFY(!window->IsRunning());
        QCOMPARE(run->text(), LoadText(TXT_RUN_SCRIPT));
        QVERIFY(Button(*window, IDC_LOAD_SCRIPT)->isEnabled());
        const QStringList lines = Lines(*window);
        QVERIFY2(
            lines.first().contains(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d$"))),
            qPrintable(lines.first()));
        QVERIFY(m_boxes.isEmpty());
        window->close();
        QTRY_VERIFY(!window->isVisible());
    }

    // Cancel lets a pause run to its end and stops before the next entry.
    void cancelWaitsForPause() {
        auto window = Open("KelvoraScript\nPAUSE\t500\nCMD\tGP\n");
        Button(*window, IDC_RUN_SCRIPT)->click();
        QTRY_VERIFY(Lines(*window).contains(QStringLiteral("PAUSE 500 ms")));
        QElapsedTimer timer;
        timer.start();
        Button(*window, IDC_CANCEL_SCRIPT)->click();
        QTRY_VERIFY(!window->IsRunning());
        QVERIFY2(timer.elapsed() >= 300, qPrintable(QString::number(timer.elapsed())));
        QTRY_COMPARE(Lines(*window).last(), QStringLiteral("Script canceled"));
        QVERIFY(TheSimCharger().ReceivedFrames().isEmpty());
        QCOMPARE(Button(*window, IDC_RUN_SCRIPT)->text(), LoadText(TXT_RUN_SCRIPT));
        window->close();
        QTRY_VERIFY(!window->isVisible());
    }

    // Without a charger the window closes at once, also with Esc.
    void closeWithoutCharger() {
        TheDevice().link.Select(-1);
        auto window = Open("KelvoraScript\nCMD\tGP\n");
        QTest::keyPress(window.get(), Qt::Key_Escape);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(IDCANCEL));
    }

    // Closing the window ends a long pause at once.
    void closeDuringLongPause() {
        auto window = Open("KelvoraScript\nPAUSE\t600000\nCMD\tGP\n");
        Button(*window, IDC_RUN_SCRIPT)->click();
        QTRY_VERIFY(Lines(*window).contains(QStringLiteral("PAUSE 600000 ms")));
        QElapsedTimer timer;
        timer.start();
        window->close();
        QTRY_VERIFY(!window->isVisible());
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!window->IsRunning());
        QVERIFY(TheSimCharger().ReceivedFrames().isEmpty());
    }
};

QTEST_MAIN(TestScriptWindow)
#include "tst_scriptwindow.moc"
