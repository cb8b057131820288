// The service windows against the simulated charger, with recorded message boxes: the test
// dialog's memory read, Test Low Batt, analogue reads and hardware test; the history list; and
// the FT240X dialog's read, validation and programming of the charger's EEPROM.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"
#include "support/Controls.h"
#include "support/SimFrames.h"
#include "ui/common/MyButton.h"
#include "ui/service/AdcHistoryDlg.h"
#include "ui/service/DebugDlg.h"
#include "ui/service/EepromDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTest>

namespace {

QLineEdit* Field(QWidget& window, int id) {
    return Control<QLineEdit>(window, id);
}

QStringList Rows(QTableWidget& list) {
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row)
        rows << list.item(row, 0)->text() + u'|' + list.item(row, 1)->text();
    return rows;
}

// The charger's EEPROM as the simulated maker programmed it.
void FactoryEeprom() {
    FtEepromX image;
    image.serNumEnable = 0;
    image.maxPower = 400;
    image.cbus[5] = 5;
    image.cbus[6] = 4;
    TheSimCharger().ProgramEeprom(image, {"Kelvora GmbH", "Vareriz-Ezu", "SIM0001"});
}

FtEepromStrings SimStrings(FtEepromX* image = nullptr) {
    FtEepromX read;
    FtEepromStrings strings;
    TheSimCharger().ReadEeprom(read, strings);
    if (image)
        *image = read;
    return strings;
}

} // namespace

class TestServiceWindows : public QObject {
    Q_OBJECT

    QStringList m_boxes;

    // Opens the test dialog active, as the main window does.
    static std::unique_ptr<CDebugDlg> OpenDebug() {
        auto dlg = std::make_unique<CDebugDlg>();
        dlg->show();
        dlg->activateWindow();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            qWarning("the test dialog did not become active");
        return dlg;
    }
    // Closes a device window through the worker.
    static void Close(QDialog& dlg) {
        dlg.close();
        QTRY_VERIFY(!dlg.isVisible());
    }
    static void SetMemory(std::uint32_t address, std::uint16_t value) {
        TheSimCharger().WithModule([=](CSimModule& m) { m.memory.insert(address, value); });
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return int(IDOK);
        });
        TheDevice().worker.Start();
    }
    void init() {
        TheDevice().Reset();
        TheDevice().link.Select(0);
        m_boxes.clear();
        TheSimCharger().SetFaults({});
        FactoryEeprom();
        TheSimCharger().WithModule([](CSimModule& m) { m.batteryMv = 3850; });
        TheSimCharger().ClearReceivedFrames();
    }

    // Enter reads the hexadecimal address: identification first while no module is known, the
    // address in decimal, the word in hex and as bits; focus back on the selected address. Text
    // that is no 16-bit hexadecimal number sends nothing and leaves the content empty.
    void readMemory_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("bits");
        QTest::newRow("1f") << "1f" << QStringList{"GP", "RM31"} << "A5F0"
                            << "10100101 11110000";
        QTest::newRow("0x prefix, capitals") << "0X1F" << QStringList{"GP", "RM31"} << "A5F0"
                                             << "10100101 11110000";
        QTest::newRow("no hex") << "zz" << QStringList{} << ""
                                << "";
        QTest::newRow("empty") << "" << QStringList{} << ""
                               << "";
        QTest::newRow("beyond 16 bits") << "10000" << QStringList{} << ""
                                        << "";
    }
    void readMemory() {
        QFETCH(QString, address);
        QFETCH(QStringList, frames);
        QFETCH(QString, hex);
        QFETCH(QString, bits);
        SetMemory(31, 0xA5F0);
        auto dlg = OpenDebug();
        QLineEdit* field = Field(*dlg, IDC_ADDRESS);
        // Content of an earlier read goes when the next one starts.
        Field(*dlg, IDC_CONTENT_HEX)->setText(QStringLiteral("OLD"));
        field->setText(address);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(Frames(), frames);
        QTRY_COMPARE(Field(*dlg, IDC_CONTENT_HEX)->text(), hex);
        QCOMPARE(Field(*dlg, IDC_CONTENT_BITS)->text(), bits);
        QCOMPARE(QApplication::focusWidget(), field);
        if (!frames.isEmpty())
            QCOMPARE(field->selectedText(), address);
        QVERIFY(m_boxes.isEmpty());
        Close(*dlg);
    }

    // Test Low Batt reads address 200: red when bit 13 is set, green otherwise; a read of any
    // other address leaves the colour as it is.
    void lowBatt_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("bit 13 set") << 0x2000 << CDebugDlg::kLowBatt;
        QTest::newRow("bit 13 clear") << 0xDFFF << CDebugDlg::kBattOk;
    }
    void lowBatt() {
        QFETCH(int, word);
        QFETCH(QColor, colour);
        SetMemory(0x200, static_cast<std::uint16_t>(word));
        SetMemory(0x201, static_cast<std::uint16_t>(word ^ 0x2000));
        auto dlg = OpenDebug();
        CMyButton& button = dlg->LowBattButton();
        QCOMPARE(button.faceColour, QColor(22, 154, 175));
        button.click();
        QCOMPARE(Field(*dlg, IDC_ADDRESS)->text(), QStringLiteral("200"));
        QTRY_COMPARE(Frames(), (QStringList{"GP", "RM512"}));
        QTRY_COMPARE(button.faceColour, colour);

        Field(*dlg, IDC_ADDRESS)->setText(QStringLiteral("201"));
        dlg->ReadMemory();
        QTRY_COMPARE(Frames().size(), 3);
        QTRY_VERIFY(!Field(*dlg, IDC_CONTENT_HEX)->text().isEmpty());
        QCOMPARE(button.faceColour, colour);
        Close(*dlg);
    }

    // VBat and VSense split their replies into the two fields; the hardware test sends the sum
    // of the checked boxes, Shift+Ctrl+F6 sends 16.
    void analogueReads() {
        TheSimCharger().WithModule([](CSimModule& m) { m.batteryMv = 3900; });
        auto dlg = OpenDebug();
        Control<QAbstractButton>(*dlg, IDC_VBAT)->click();
        QTRY_COMPARE(Field(*dlg, IDC_BATTERY_VOLTAGE)->text(), QStringLiteral("3762"));
        QCOMPARE(Field(*dlg, IDC_CHARGE_CURRENT)->text(), QStringLiteral("3700"));
        Control<QAbstractButton>(*dlg, IDC_VSENSE)->click();
        // The simulated module reports its sensors at rest as 12 and 9 per mille.
        QTRY_COMPARE(Field(*dlg, IDC_SENSOR_A)->text(), QStringLiteral("12"));
        QCOMPARE(Field(*dlg, IDC_SENSOR_B)->text(), QStringLiteral("9"));
        QCOMPARE(Frames(), (QStringList{"GP", "ACBat", "ACSense"}));
        Close(*dlg);
    }

    void hardwareTest_data() {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<QString>("frame");
        QTest::newRow("none") << QList<int>{} << "TH0";
        QTest::newRow("LED orange and Motor") << QList<int>{IDC_LED_ORANGE, IDC_MOTOR} << "TH6";
        QTest::newRow("all") << QList<int>{IDC_LED_GREEN, IDC_LED_ORANGE, IDC_MOTOR,
                                           IDC_IGNORE_LOW_BATT}
                             << "TH15";
    }
    void hardwareTest() {
        QFETCH(QList<int>, boxes);
        QFETCH(QString, frame);
        auto dlg = OpenDebug();
        for (int id : boxes)
            Control<QCheckBox>(*dlg, id)->setChecked(true);
        Control<QAbstractButton>(*dlg, IDC_HW_TEST)->click();
        QTRY_COMPARE(Frames(), (QStringList{"GP", frame}));
        QTest::keyClick(dlg.get(), Qt::Key_F6, Qt::ShiftModifier | Qt::ControlModifier);
        QTRY_COMPARE(Frames(), (QStringList{"GP", frame, "TH16"}));
        QCOMPARE(QApplication::focusWidget(), Field(*dlg, IDC_ADDRESS));
        Close(*dlg);
    }

    // Tab goes from the address through the buttons and boxes; the read-only values are
    // left out.
    void tabOrder() {
        auto dlg = OpenDebug();
        QCOMPARE(CommandId(QApplication::focusWidget()), int(IDC_ADDRESS));
        QList<int> order;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << CommandId(QApplication::focusWidget());
        }
        QCOMPARE(order, (QList<int>{IDC_LOW_BATT, IDC_VBAT, IDC_VSENSE, IDC_HISTORY, IDC_LED_GREEN,
                                    IDC_LED_ORANGE, IDC_MOTOR, IDC_IGNORE_LOW_BATT, IDC_HW_TEST,
                                    IDC_CONNECT}));
        Close(*dlg);
    }

    // History shows the module's stored values in the history list, in reply order.
    void historyFromModule() {
        auto dlg = OpenDebug();
        Control<QAbstractButton>(*dlg, IDC_HISTORY)->click();
        CAdcHistoryDlg* history = nullptr;
        QTRY_VERIFY((history = dlg->findChild<CAdcHistoryDlg*>()) && history->isVisible());
        QCOMPARE(history->windowTitle(), LoadText(TXT_ADC_HISTORY));
        QCOMPARE(history->List().rowCount(), 12);
        QCOMPARE(Rows(history->List()).first(), QStringLiteral("0|3910"));
        QCOMPARE(Rows(history->List()).last(), QStringLiteral("79200|3789"));
        history->accept();
        Close(*dlg);
    }

    // The first line of the reply is a header; every further line is a row.
    void historyList_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("header only") << "History" << QStringList{};
        QTest::newRow("header and LF") << "History\n" << QStringList{};
        QTest::newRow("two rows") << "History\n0\t3910\n7200\t3899"
                                  << QStringList{"0|3910", "7200|3899"};
    }
    void historyList() {
        QFETCH(QString, reply);
        QFETCH(QStringList, rows);
        CAdcHistoryDlg dlg(reply);
        dlg.show();
        QCOMPARE(Rows(dlg.List()), rows);
        const QStringList headers{dlg.List().horizontalHeaderItem(0)->text(),
                                  dlg.List().horizontalHeaderItem(1)->text()};
        QCOMPARE(headers,
                 (QStringList{LoadText(TXT_HISTORY_BATTERY), LoadText(TXT_HISTORY_SENSOR)}));
        QVERIFY(!dlg.List().horizontalHeader()->sectionsClickable());
    }

    // Opening shows the chip's EEPROM; Program writes the fields with the serial-number string
    // disabled and ends with OK. Strings of more than 43 characters together write nothing and
    // say nothing; the drop-down's index is the CBUS option code.
    void eepromProgram_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("cbus5");
        QTest::addColumn<bool>("written");
        QTest::newRow("43 characters") << QString(20, u'7') << "BITBANG_WR" << true;
        QTest::newRow("44 characters") << QString(21, u'7') << "BITBANG_WR" << false;
    }
    void eepromProgram() {
        QFETCH(QString, serial);
        QFETCH(QString, cbus5);
        QFETCH(bool, written);
        CEepromDlg dlg;
        dlg.show();
        QCOMPARE(Field(dlg, IDC_EEPROM_SERIAL)->text(), QStringLiteral("SIM0001"));
        QCOMPARE(Control<QComboBox>(dlg, IDC_EEPROM_CBUS5)->currentText(), QStringLiteral("SLEEP"));
        Field(dlg, IDC_EEPROM_SERIAL)->setText(serial);
        Field(dlg, IDC_EEPROM_MAX_POWER)->setText(QStringLiteral("250"));
        Control<QComboBox>(dlg, IDC_EEPROM_CBUS5)->setCurrentText(cbus5);
        Control<QAbstractButton>(dlg, IDC_EEPROM_PROGRAM)->click();
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(dlg.isVisible(), !written);
        FtEepromX image;
        const FtEepromStrings strings = SimStrings(&image);
        QCOMPARE(strings.serial, written ? serial.toLatin1() : QByteArray("SIM0001"));
        QCOMPARE(image.cbus[5], written ? 18 : 5);
        QCOMPARE(image.maxPower, written ? 250 : 400);
        QCOMPARE(image.cbus[6], 4);
        QCOMPARE(strings.manufacturer, QByteArray("Kelvora GmbH"));
        if (written)
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    // An unreadable EEPROM: message 128, the defaults, and programming still works. A chip that
    // does not read back what was written: message 129, the dialog stays. A power out of range
    // is refused before anything is written.
    void eepromFailures() {
        CSimFaults faults;
        faults.eepromUnreadable = true;
        TheSimCharger().SetFaults(faults);
        CEepromDlg dlg;
        dlg.show();
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_EEPROM_NOT_READ)});
        QCOMPARE(Field(dlg, IDC_EEPROM_MANUFACTURER)->text(), QStringLiteral("Kelvora GmbH"));
        QCOMPARE(Field(dlg, IDC_EEPROM_SERIAL)->text(), QString());
        QCOMPARE(Field(dlg, IDC_EEPROM_DESCRIPTION)->text(), LoadText(TXT_CHARGER));
        QCOMPARE(Control<QComboBox>(dlg, IDC_EEPROM_CBUS5)->currentIndex(), 5);
        QCOMPARE(Control<QComboBox>(dlg, IDC_EEPROM_CBUS6)->currentIndex(), 4);
        QCOMPARE(Field(dlg, IDC_EEPROM_MAX_POWER)->text(), QStringLiteral("400"));

        m_boxes.clear();
        faults.eepromUnreadable = false;
        faults.eepromIgnoresWrites = true;
        TheSimCharger().SetFaults(faults);
        Field(dlg, IDC_EEPROM_SERIAL)->setText(QStringLiteral("B-17"));
        Control<QAbstractButton>(dlg, IDC_EEPROM_PROGRAM)->click();
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_EEPROM_NOT_WRITTEN)});
        QVERIFY(dlg.isVisible());

        m_boxes.clear();
        TheSimCharger().SetFaults({});
        Field(dlg, IDC_EEPROM_MAX_POWER)->setText(QStringLiteral("501"));
        Control<QAbstractButton>(dlg, IDC_EEPROM_PROGRAM)->click();
        QCOMPARE(m_boxes, QStringList{FormatText(TXT_RANGE, {"2", "500"})});
        QCOMPARE(SimStrings().serial, QByteArray("SIM0001"));
        QVERIFY(dlg.isVisible());

        Field(dlg, IDC_EEPROM_MAX_POWER)->setText(QStringLiteral("2"));
        Control<QAbstractButton>(dlg, IDC_EEPROM_PROGRAM)->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(SimStrings().serial, QByteArray("B-17"));
    }
};

QTEST_MAIN(TestServiceWindows)
#include "tst_servicewindows.moc"
