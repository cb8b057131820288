// The device settings dialogs against the simulated charger, with scripted message-box
// answers: what each dialog reads and shows, what it writes and what it refuses, the pattern
// edit and the input dialog, and how the dialogs close (through the queue, on a lost module, on
// a read that fails).

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "support/SimFrames.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"
#include "ui/settings/EditPattern.h"
#include "ui/settings/FeedbackModeDlg.h"
#include "ui/settings/FeedbackThresholdDlg.h"
#include "ui/settings/InputDlg.h"
#include "ui/settings/ParameterDlg.h"
#include "ui/settings/ThresholdDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <array>

namespace {

using Params = std::array<std::uint16_t, 32>;

QString Range(int low, int high) {
    return FormatText(TXT_RANGE, {QString::number(low), QString::number(high)});
}

// Clicks the button with the command id.
void Click(QWidget& dlg, int id) {
    for (auto* button : dlg.findChildren<QAbstractButton*>()) {
        if (CommandId(button) == id) {
            button->click();
            return;
        }
    }
    QFAIL("no such button");
}

// Closes a device dialog as the title bar does and waits until the worker has ended it.
void Close(QDialog& dlg) {
    dlg.close();
    QTRY_VERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), 2);
}

} // namespace

class TestSettingsDlgs : public QObject {
    Q_OBJECT

    QStringList m_boxes;
    QList<int> m_answers;
    Params m_defaults{};

    // Identifies the simulated module, as the main window does before a dialog opens.
    // Waits until the link is closed again, so that no frame of it arrives later.
    void Identify() {
        TheDevice().moduleInfo.Reset();
        TheDevice().moduleInfo.Post();
        QTRY_VERIFY(TheDevice().moduleInfo.IsConnected());
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
    }
    void SetParams(const QList<std::pair<int, int>>& values) {
        TheSimCharger().WithModule([&](CSimModule& m) {
            m.params = m_defaults;
            for (const auto& [index, value] : values)
                m.params[std::size_t(index)] = std::uint16_t(value);
        });
    }
    // Opens the dialog and waits for its reads.
    template <typename Dlg> void Open(Dlg& dlg, const QStringList& reads) {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTRY_COMPARE(Frames(), reads);
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        m_defaults = TheSimCharger().WithModule([](CSimModule& m) { return m.params; });
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return m_answers.isEmpty() ? int(IDOK) : m_answers.takeFirst();
        });
        TheDevice().worker.Start();
    }
    void init() {
        TheDevice().link.Select(0);
        m_boxes.clear();
        m_answers.clear();
        TheSimCharger().SetFaults({});
        SetParams({});
        Identify();
    }

    // The read fills the four thresholds and is followed by the sensor read, whose reply
    // fills current values and maxima; "Read maxima" reads the sensors again.
    void thresholdsShowWhatIsRead() {
        SetParams({{0, 60}, {1, 25}, {2, 55}, {3, 22}});
        CThresholdDlg dlg;
        QCOMPARE(dlg.Field(IDC_OFF_A)->text(), QStringLiteral("20"));
        QCOMPARE(dlg.Field(IDC_ON_B)->text(), QStringLiteral("50"));
        Open(dlg, {"GV", "ACSense"});
        const auto [maxA, maxB] = TheSimCharger().WithModule([](CSimModule& m) {
            std::uint32_t a = 0, b = 0;
            for (const CSimEvent& e : m.events)
                (e.sensor == 'A' ? a : b) = std::max(e.valueMille, e.sensor == 'A' ? a : b);
            return std::pair{a, b};
        });
        const QList<std::pair<int, QString>> expected{{IDC_ON_A, "60"},
                                                      {IDC_OFF_A, "25"},
                                                      {IDC_ON_B, "55"},
                                                      {IDC_OFF_B, "22"},
                                                      {IDC_CURRENT_A, "12"},
                                                      {IDC_CURRENT_B, "9"},
                                                      {IDC_MAX_A, QString::number(maxA)},
                                                      {IDC_MAX_B, QString::number(maxB)}};
        for (const auto& [id, text] : expected)
            QCOMPARE(dlg.Field(id)->text(), text);

        Click(dlg, IDC_READ_MAXIMA);
        QTRY_COMPARE(Frames(), QStringList{"ACSense"});
        QString tip;
        QVERIFY(dlg.GetTipText(IDC_OFF_B, tip));
        QCOMPARE(tip, FormatText(TXT_OFF_THRESHOLD_TIP, {"20", "450"}));
        QVERIFY(dlg.GetTipText(IDC_ON_A, tip));
        QCOMPARE(tip, FormatText(TXT_ON_THRESHOLD_TIP, {"50", "500"}));
        QVERIFY(m_boxes.isEmpty());
        Close(dlg);
    }

    // "Set thresholds" writes on A, off A, on B, off B from parameter 0, or refuses with the
    // focus on the field to correct and sends nothing.
    void thresholdsWrite_data() {
        QTest::addColumn<QStringList>("fields"); // off A, on A, off B, on B
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("focus");
        const QString updated = LoadText(TXT_THRESHOLDS_UPDATED);
        const QString order = LoadText(TXT_THRESHOLD_ORDER);
        QTest::newRow("49 below 50: written")
            << QStringList{"49", "50", "20", "50"} << updated << "SV0;4;50;49;50;20" << 0;
        QTest::newRow("off A equals on A")
            << QStringList{"50", "50", "20", "50"} << order << "" << int(IDC_ON_A);
        QTest::newRow("off B above on B")
            << QStringList{"20", "50", "70", "60"} << order << "" << int(IDC_ON_B);
        QTest::newRow("on 501") << QStringList{"20", "501", "20", "50"} << Range(50, 500) << ""
                                << int(IDC_ON_A);
        QTest::newRow("off 19") << QStringList{"20", "50", "19", "50"} << Range(20, 450) << ""
                                << int(IDC_OFF_B);
        QTest::newRow("beyond any int") << QStringList{"20", "50", "20", "99999999999"}
                                        << Range(50, 500) << "" << int(IDC_ON_B);
        QTest::newRow("empty") << QStringList{"", "50", "20", "50"} << LoadText(TXT_ENTER_INTEGER)
                               << "" << int(IDC_OFF_A);
        QTest::newRow("extremes") << QStringList{"450", "500", "20", "50"} << updated
                                  << "SV0;4;500;450;50;20" << 0;
    }
    void thresholdsWrite() {
        QFETCH(QStringList, fields);
        QFETCH(QString, box);
        QFETCH(QString, frame);
        QFETCH(int, focus);
        CThresholdDlg dlg;
        Open(dlg, {"GV", "ACSense"});
        const int ids[] = {IDC_OFF_A, IDC_ON_A, IDC_OFF_B, IDC_ON_B};
        for (int i = 0; i < 4; ++i)
            dlg.Field(ids[i])->setText(fields[i]);
        Click(dlg, IDC_SET_VALUES);
        QTRY_COMPARE(m_boxes, QStringList{box});
        QCOMPARE(Frames(), frame.isEmpty() ? QStringList() : QStringList{frame});
        if (focus)
            QCOMPARE(CommandId(QApplication::focusWidget()), focus);
        // The dialog stays open with what was entered.
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.Field(IDC_OFF_A)->text(), fields[0]);
        Close(dlg);
    }

    // A write the module refuses: the error is shown, the dialog stays with the entered values.
    void failedWriteKeepsDialog() {
        CThresholdDlg dlg;
        Open(dlg, {"GV", "ACSense"});
        dlg.Field(IDC_OFF_A)->setText(QStringLiteral("30"));
        CSimFaults faults;
        faults.errorReplies = 1;
        TheSimCharger().SetFaults(faults);
        m_answers << IDOK;
        Click(dlg, IDC_SET_VALUES);
        QTRY_COMPARE(m_boxes,
                     QStringList{LoadText(TXT_INVALID_COMMAND) + LoadText(TXT_CONTACT_MAKER)});
        QTest::qWait(100);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.Field(IDC_OFF_A)->text(), QStringLiteral("30"));
        Close(dlg);
    }

    // A feedback threshold below the on-threshold shows as the on-threshold; the ranges start
    // at the on-thresholds as read; the write goes from parameter 7.
    void feedbackThresholds_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("frame");
        QTest::newRow("as shown") << ""
                                  << "" << LoadText(TXT_THRESHOLDS_UPDATED) << "SV7;2;60;300";
        QTest::newRow("A at 1000") << "1000"
                                   << "" << LoadText(TXT_THRESHOLDS_UPDATED) << "SV7;2;1000;300";
        QTest::newRow("A below on A") << "59"
                                      << "" << Range(60, 1000) << "";
        QTest::newRow("B above 1000") << ""
                                      << "1001" << Range(55, 1000) << "";
    }
    void feedbackThresholds() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, box);
        QFETCH(QString, frame);
        SetParams({{0, 60}, {2, 55}, {7, 40}, {8, 300}});
        CFeedbackThresholdDlg dlg;
        QCOMPARE(dlg.Field(IDC_FEEDBACK_A)->text(), QStringLiteral("0"));
        Open(dlg, {"GV"});
        const QList<std::pair<int, QString>> shown{
            {IDC_FEEDBACK_A, "60"}, {IDC_FEEDBACK_B, "300"}, {IDC_ON_A, "60"}, {IDC_ON_B, "55"}};
        for (const auto& [id, text] : shown)
            QCOMPARE(dlg.Field(id)->text(), text);
        QVERIFY(dlg.Field(IDC_ON_A)->isReadOnly());
        QString tip;
        QVERIFY(dlg.GetTipText(IDC_FEEDBACK_B, tip));
        QCOMPARE(tip, FormatText(TXT_ON_THRESHOLD_TIP, {"55", "1000"}));

        if (!a.isEmpty())
            dlg.Field(IDC_FEEDBACK_A)->setText(a);
        if (!b.isEmpty())
            dlg.Field(IDC_FEEDBACK_B)->setText(b);
        Click(dlg, IDC_SET_VALUES);
        QTRY_COMPARE(m_boxes, QStringList{box});
        QCOMPARE(Frames(), frame.isEmpty() ? QStringList() : QStringList{frame});
        Close(dlg);
    }

    // "Set" stays disabled until the first read; the value follows the selection; a write
    // sends one value and returns the focus to the list.
    void parameterDialog() {
        SetParams({{5, 12}, {31, 65535}});
        TheDevice().moduleInfo.Reset(); // no module: the dialog waits for one
        CParameterDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.List().count(), 32);
        QCOMPARE(dlg.List().itemText(0), LoadText(TXT_PARAM_NAMES));
        QCOMPARE(dlg.List().itemText(31), QStringLiteral("P31:"));
        QCOMPARE(QApplication::focusWidget(), &dlg.List());
        QVERIFY(!dlg.SetButton().isEnabled());
        dlg.List().setCurrentIndex(5);
        QCOMPARE(dlg.Field(IDC_PARAM_VALUE)->text(), QString());
        QTest::qWait(100);
        QCOMPARE(Frames(), QStringList());

        // The main window has identified the module and says so.
        Identify();
        dlg.OnMessage(WM_DEV_IDENTITY, 2, 0);
        QTRY_VERIFY(dlg.SetButton().isEnabled());
        QCOMPARE(Frames(), QStringList{"GV"});
        QCOMPARE(dlg.Field(IDC_PARAM_VALUE)->text(), QStringLiteral("12"));
        dlg.List().setCurrentIndex(31);
        QCOMPARE(dlg.Field(IDC_PARAM_VALUE)->text(), QStringLiteral("65535"));

        TheSimCharger().ClearReceivedFrames();
        dlg.Field(IDC_PARAM_VALUE)->setText(QStringLiteral("65536"));
        dlg.SetButton().click();
        QCOMPARE(m_boxes, QStringList{Range(0, 65535)});
        dlg.List().setCurrentIndex(4);
        dlg.Field(IDC_PARAM_VALUE)->setText(QStringLiteral("3300"));
        dlg.SetButton().click();
        QTRY_COMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes.last(), LoadText(TXT_PARAMETERS_SET));
        QCOMPARE(Frames(), QStringList{"SV4;1;3300"});
        QCOMPARE(QApplication::focusWidget(), &dlg.List());
        QCOMPARE(TheSimCharger().WithModule([](CSimModule& m) { return m.params[4]; }), 3300);
        Close(dlg);
    }

    // The display of P6, with the rule that at most one of pattern and random generator is on.
    void feedbackModeShows_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("patternOn");
        QTest::addColumn<bool>("randomOn");
        QTest::newRow("0x0005: both on, the pattern wins") << 0x0005 << "+0+" << true << false;
        QTest::newRow("pattern off") << 0x4005 << "+0+" << false << true;
        QTest::newRow("both off") << 0xC000 << "" << false << false;
        QTest::newRow("random off, empty pattern") << 0x8000 << "" << true << false;
        QTest::newRow("last step only") << 0x2000 << "0000000000000+" << true << false;
    }
    void feedbackModeShows() {
        QFETCH(int, mode);
        QFETCH(QString, pattern);
        QFETCH(bool, patternOn);
        QFETCH(bool, randomOn);
        SetParams({{6, mode}});
        CFeedbackModeDlg dlg;
        QVERIFY(!dlg.PatternEdit().isEnabled());
        Open(dlg, {"GV"});
        QCOMPARE(dlg.PatternEdit().text(), pattern);
        QCOMPARE(dlg.PatternBox().isChecked(), patternOn);
        QCOMPARE(dlg.RandomBox().isChecked(), randomOn);
        QCOMPARE(dlg.PatternEdit().isEnabled(), patternOn);
        if (patternOn) {
            QCOMPARE(QApplication::focusWidget(), &dlg.PatternEdit());
            QCOMPARE(dlg.PatternEdit().selectedText(), pattern);
        }
        Close(dlg);
    }

    // Clicks on the boxes, then "Set" (or Enter): the new P6 from the pattern and the boxes,
    // and the display follows the module's answer.
    void feedbackModeWrites_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("shown"); // pattern shown after the write
        QTest::newRow("+0+0 with only Random") << "+0+0" << QList<int>{IDC_RANDOM} << "SV6;1;16389"
                                               << "+0+";
        QTest::newRow("pattern only") << "0+" << QList<int>{} << "SV6;1;32770"
                                      << "0+";
        QTest::newRow("both unchecked") << "+" << QList<int>{IDC_PATTERN} << "SV6;1;49153"
                                        << "+";
        QTest::newRow("random, then pattern again")
            << "++" << QList<int>{IDC_RANDOM, IDC_PATTERN} << "SV6;1;32771"
            << "++";
    }
    void feedbackModeWrites() {
        QFETCH(QString, typed);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, frame);
        QFETCH(QString, shown);
        SetParams({{6, 0x0005}});
        CFeedbackModeDlg dlg;
        Open(dlg, {"GV"});
        QTest::keyClicks(&dlg.PatternEdit(), typed); // replaces the selected pattern
        QCOMPARE(dlg.PatternEdit().text(), typed);
        for (int id : clicks)
            Click(dlg, id);
        QVERIFY(!(dlg.PatternBox().isChecked() && dlg.RandomBox().isChecked()));
        QCOMPARE(dlg.PatternEdit().isEnabled(), dlg.PatternBox().isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(Frames(), QStringList{frame});
        QTRY_COMPARE(dlg.PatternEdit().text(), shown);
        QVERIFY(dlg.isVisible());
        QVERIFY(m_boxes.isEmpty());
        Close(dlg);
    }

    // Only "+" and "0" are typed, up to 14 of them; anything else is dropped with a beep.
    void patternEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("refused");
        QTest::newRow("steps") << "+0+0"
                               << "+0+0" << 0;
        QTest::newRow("other characters") << "+a1-0 "
                                          << "+0" << 4;
        QTest::newRow("the fifteenth step") << QString(15, u'+') << QString(14, u'+') << 1;
    }
    void patternEdit() {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, refused);
        CEditPattern edit;
        QSignalSpy beeps(&edit, &CEditPattern::Refused);
        edit.show();
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), text);
        QCOMPARE(beeps.size(), refused);
        // Editing keys still work, and a full pattern takes a step in place of a selected one.
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), text.chopped(1));
        edit.setText(QString(14, u'0'));
        edit.setSelection(0, 1);
        QTest::keyClicks(&edit, QStringLiteral("+"));
        QCOMPARE(edit.text(), u'+' + QString(13, u'0'));
        // Pasted text that is no pattern does not get in.
        edit.clear();
        edit.insert(QStringLiteral("+x+"));
        QCOMPARE(edit.text(), QString());
    }

    void patternBits_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("0x0005") << 0x0005 << "+0+";
        QTest::newRow("none") << 0x0000 << "";
        QTest::newRow("flags only") << 0xC000 << "";
        QTest::newRow("all steps") << 0xFFFF << QString(14, u'+');
    }
    void patternBits() {
        QFETCH(int, mode);
        QFETCH(QString, pattern);
        QCOMPARE(CEditPattern::FromBits(unsigned(mode)), pattern);
        QCOMPARE(CEditPattern::ToBits(pattern), unsigned(mode) & 0x3FFF);
    }

    // The input dialog: title and label, the initial text selected, the length limit, Enter
    // takes a text the module can store, Esc gives nothing.
    void inputDialog_data() {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("result");
        QTest::newRow("30th character")
            << 29 << QString(30, u'x') << int(Qt::Key_Return) << QString(29, u'x');
        QTest::newRow("no limit") << -1 << QString(40, u'y') << int(Qt::Key_Enter)
                                  << QString(40, u'y');
        QTest::newRow("Esc") << 29 << "K-1" << int(Qt::Key_Escape) << "";
    }
    void inputDialog() {
        QFETCH(int, limit);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, result);
        CInputDlg dlg(TXT_SET_MODULE_ID, TXT_MODULE_ID, limit);
        dlg.SetText(QStringLiteral("K-104233"));
        QTimer::singleShot(5000, &dlg, &QDialog::reject); // should a check below fail
        QTimer::singleShot(0, &dlg, [&] {
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            QCOMPARE(dlg.windowTitle(), LoadText(TXT_SET_MODULE_ID));
            QCOMPARE(dlg.Label().text(), LoadText(TXT_MODULE_ID));
            QCOMPARE(QApplication::focusWidget(), &dlg.Edit());
            QCOMPARE(dlg.Edit().selectedText(), QStringLiteral("K-104233"));
            QTest::keyClicks(&dlg.Edit(), typed);
            QTest::keyClick(&dlg.Edit(), Qt::Key(key));
        });
        const int code = dlg.exec();
        QCOMPARE(code, result.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted));
        QCOMPARE(dlg.Text(), result);
    }

    // A text the module would give back changed is refused; the dialog stays for a correction.
    void inputDialogRefusesSeparator() {
        CInputDlg dlg(TXT_SET_INFO, TXT_INFO, 29);
        QTimer::singleShot(5000, &dlg, &QDialog::reject); // should a check below fail
        QTimer::singleShot(0, &dlg, [&] {
            QTest::keyClicks(&dlg.Edit(), QStringLiteral("a;b"));
            QTest::keyClick(&dlg.Edit(), Qt::Key_Return);
            QCOMPARE(m_boxes, QStringList{LoadText(TXT_INVALID_MODULE_TEXT)});
            QVERIFY(dlg.isVisible());
            QTest::keyClick(&dlg.Edit(), Qt::Key_Backspace);
            QTest::keyClick(&dlg.Edit(), Qt::Key_Backspace);
            QTest::keyClicks(&dlg.Edit(), QStringLiteral("-b"));
            QTest::keyClick(&dlg.Edit(), Qt::Key_Return);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(dlg.Text(), QStringLiteral("a-b"));
    }

    // Closing while the read waits for its reply: the dialog stays, disabled, until the worker
    // has taken its exit command, then ends with 2; nothing of it runs after that.
    void closeWhileReadWaits() {
        CSimFaults slow;
        slow.byteDelayMs = 40; // the parameter block takes seconds to arrive
        TheSimCharger().SetFaults(slow);
        CThresholdDlg dlg;
        dlg.show();
        QTRY_COMPARE(Frames(), QStringList{"GV"});
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!dlg.close());
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.isEnabled());
        QTRY_VERIFY(!dlg.isVisible());
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(dlg.result(), 2);
        // A late identity report queues nothing behind the exit.
        dlg.OnMessage(WM_DEV_IDENTITY, 2, 0);
        QTest::qWait(200);
        QCOMPARE(Frames(), QStringList{"GV"});
        QCOMPARE(dlg.Field(IDC_ON_A)->text(), QStringLiteral("50"));
        QVERIFY(m_boxes.isEmpty());
    }

    // A new identity is read again; no module closes the dialog as Cancel does.
    void identityChange() {
        CFeedbackModeDlg dlg;
        Open(dlg, {"GV"});
        dlg.OnMessage(WM_DEV_IDENTITY, 2, 0);
        QTRY_COMPARE(Frames(), QStringList{"GV"});
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheDevice().moduleInfo.Reset();
        dlg.OnMessage(WM_DEV_IDENTITY, 2, 0);
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), 2);
    }

    // A read that fails and is not repeated closes the dialog; one repeated on Retry does not.
    void failedRead_data() {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("closed");
        QTest::newRow("Cancel") << QList<int>{IDCANCEL} << true;
        QTest::newRow("Retry") << QList<int>{IDRETRY} << false;
    }
    void failedRead() {
        QFETCH(QList<int>, answers);
        QFETCH(bool, closed);
        CSimFaults silent;
        silent.dropReplies = 2; // one silent repetition, then the user is asked
        TheSimCharger().SetFaults(silent);
        m_answers = answers;
        CParameterDlg dlg;
        dlg.show();
        QTRY_COMPARE(m_boxes.size(), 1);
        QTRY_COMPARE(!dlg.isVisible(), closed);
        QTest::qWait(300);
        QCOMPARE(!dlg.isVisible(), closed);
        QCOMPARE(dlg.SetButton().isEnabled(), !closed);
        if (closed)
            QCOMPARE(dlg.result(), 2);
        else
            Close(dlg);
    }

    void cleanupTestCase() {
        CTerminateCmd terminate;
        PostTerminate(terminate);
        QVERIFY(TheDevice().worker.wait(5000));
        SetMessageBoxHandler(nullptr);
    }
};

QTEST_MAIN(TestSettingsDlgs)
#include "tst_settingsdlgs.moc"
