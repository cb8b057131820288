// Reply parsers and result texts of the identification, configuration and diagnostic commands.

#include "base/Texts.h"
#include "link/CommWorker.h"
#include "link/ConfigCmds.h"
#include "link/DeviceState.h"
#include "link/DiagCmds.h"
#include "link/GenericCmd.h"
#include "link/InfoCmd.h"
#include "link/InfoView.h"

#include <QTest>

namespace {

class LinesView : public CInfoView {
public:
    void Clear() override { lines.clear(); }
    void AddText(const QString& text) override { lines += text.split(u'\n'); }
    QStringList lines;
};

// Feeds a reply as the worker does: ';' already turned into TAB.
template <typename Cmd> void Reply(Cmd& cmd, QString text) {
    cmd.m_nError = 0;
    cmd.m_nMsgId = 0;
    cmd.m_strReply = text.replace(u';', u'\t');
    cmd.OnReply();
}

QString Params(int lines, int wrongLine = -1, const QString& wrong = QString()) {
    QStringList out;
    for (int i = 0; i < lines; ++i)
        out << (i == wrongLine ? wrong : QStringLiteral("%1;%2").arg(i).arg(100 + i));
    return out.join(u'\n');
}

} // namespace

class TestDeviceCmds : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetLanguage(Language::English); }

    void chargerInfo_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("diag");
        QTest::addColumn<QString>("loader");
        QTest::addColumn<QString>("serialSent"); // empty: no "#CSN"
        QTest::newRow("same serial") << "Version;1.4\nSN;A1B2\n3"
                                     << "A1B2" << 65540 << 3 << ""
                                     << ""
                                     << "";
        QTest::newRow("other serial") << "Version;1.4\nSN;ZZ\n3"
                                      << "A1B2" << 65540 << 3 << ""
                                      << ""
                                      << "#CSNA1B2";
        QTest::newRow("no serial line") << "Version;1.4\nXX\n3"
                                        << "A1B2" << 65540 << 3 << ""
                                        << ""
                                        << "";
        QTest::newRow("unknown serial is never sent") << "Version;1.4\nSN;ZZ\n3"
                                                      << "" << 65540 << 3 << ""
                                                      << ""
                                                      << "";
        QTest::newRow("boot loader only") << "Loader 2.1\nSN;A1B2\n1"
                                          << "A1B2" << 0 << 1 << "Loader 2.1"
                                          << ""
                                          << "";
        QTest::newRow("extra lines")
            << "Version;2.10\nSN;A1B2\n3\nDiag;7\nLoader;1;770\nx\n\nDiag;late"
            << "A1B2" << (2 << 16) + 10 << 3 << "Diag\t7"
            << "Loader\t1\t770"
            << "";
        QTest::newRow("extra lines need a variant line") << "Version;1.4\nSN;A1B2\n\nDiag;7"
                                                         << "A1B2" << 65540 << 0 << ""
                                                         << ""
                                                         << "";
        QTest::newRow("not a version") << "Version;x\n\nabc"
                                       << "" << 0 << 0 << ""
                                       << ""
                                       << "";
    }
    void chargerInfo() {
        QFETCH(QString, reply);
        QFETCH(QString, serial);
        TheDevice().queue.Clear();
        CInfoCmdCB cmd;
        cmd.m_strSerial = serial;
        Reply(cmd, reply);
        QTEST(cmd.m_nVersion, "version");
        QTEST(cmd.m_nHwVariant, "variant");
        QTEST(cmd.m_strDiag, "diag");
        QTEST(cmd.m_strLoader, "loader");
        QFETCH(QString, serialSent);
        QCOMPARE(TheDevice().queue.Size(), serialSent.isEmpty() ? 0 : 1);
        if (!serialSent.isEmpty())
            QCOMPARE(TheDevice().queue.Take()->m_strText, serialSent);
        TheDevice().queue.Clear();
    }

    void moduleInfo_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("battery");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("read");
        QTest::addColumn<QString>("loader");
        QTest::addColumn<QString>("diag");
        QTest::newRow("firmware") << "2.7\nK-1\n0\nInfo\n3850\n4\n312;1\nLoader;1;770\nDiag;0"
                                  << 131079 << "K-1" << 3850 << 312 << 1 << "Loader\t1\t770"
                                  << "Diag\t0";
        QTest::newRow("loader only: line 8 is the diagnosis")
            << "Loader 1.2\nK-1\n0\n\n3700\n4\n0;0\nDiag;3" << 0 << "K-1" << 3700 << 0 << 0
            << "Loader 1.2"
            << "Diag\t3";
        QTest::newRow("short reply") << "2.7" << 131079 << "" << 0 << 0 << 0 << ""
                                     << "";
    }
    void moduleInfo() {
        QFETCH(QString, reply);
        CInfoCmdVM cmd;
        Reply(cmd, reply);
        QTEST(cmd.m_nVersion, "version");
        QTEST(cmd.m_strModuleId, "id");
        QTEST(int(cmd.m_nBatteryMv), "battery");
        QTEST(int(cmd.m_nEvents), "events");
        QTEST(int(cmd.m_nEventsRead), "read");
        QTEST(cmd.m_strLoader, "loader");
        QTEST(cmd.m_strDiag, "diag");
    }

    void failedIdentificationDisconnects() {
        CInfoCmdVM cmd;
        Reply(cmd, QStringLiteral("2.7\nK-1\n0\nInfo\n3850\n4\n3;0"));
        QVERIFY(cmd.IsConnected());
        cmd.OnError();
        QVERIFY(!cmd.IsConnected());
        QCOMPARE(cmd.m_nVersion, -1);
        QVERIFY(cmd.m_strInfo.isEmpty());
    }

    void moduleResult_data() {
        QTest::addColumn<int>("battery");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("read");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("okay") << 3600 << 0 << 0
                              << QStringList{"#1Battery voltage is okay (3600 mV)."};
        QTest::newRow("low") << 3500 << 0 << 0
                             << QStringList{"#2Battery voltage is low (3500 mV).", "",
                                            "Please recharge your Kelvora", "before the next use."};
        QTest::newRow("very low") << 3499 << 0 << 0
                                  << QStringList{"#3Battery voltage is very low (3499 mV).", "",
                                                 "Please recharge your Kelvora",
                                                 "before the next use."};
        QTest::newRow("events") << 3900 << 12 << 0
                                << QStringList{"#1Battery voltage is okay (3900 mV).", "",
                                               "12 events available"};
        QTest::newRow("events read") << 3900 << 12 << 1
                                     << QStringList{"#1Battery voltage is okay (3900 mV).", "",
                                                    "12 events available (read already)"};
    }
    void moduleResult() {
        QFETCH(int, battery);
        QFETCH(int, events);
        QFETCH(int, read);
        CInfoCmdVM cmd;
        Reply(cmd,
              QStringLiteral("2.7\nK-1\n0\nInfo\n%1\n4\n%2;%3").arg(battery).arg(events).arg(read));
        LinesView view;
        view.lines << "stale";
        cmd.ShowResult(view);
        QTEST(view.lines, "lines");
    }

    void noFirmwareResults() {
        LinesView view;
        CInfoCmdVM vm;
        Reply(vm, QStringLiteral("Loader 1.2\nK-1"));
        vm.ShowResult(view);
        QCOMPARE(view.lines.value(0), QStringLiteral("#3No firmware detected in your Kelvora."));
        CInfoCmdCB cb;
        Reply(cb, QStringLiteral("Loader 1.0\nSN;X\n1"));
        cb.ShowResult(view);
        QCOMPARE(view.lines.value(0), QStringLiteral("#3No firmware detected in your VarerizEzu."));
    }

    void parameterBlock_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("parsed"); // parameters taken from the reply
        QTest::newRow("complete") << Params(32) << 0 << 32;
        QTest::newRow("line 5 with index 6") << Params(32, 5, "6;1") << 13 << 5;
        QTest::newRow("31 lines") << Params(31) << 13 << 31;
        QTest::newRow("value not a number") << Params(32, 3, "3;x") << 14 << 3;
        QTest::newRow("no value") << Params(32, 0, "0") << 14 << 0;
    }
    void parameterBlock() {
        QFETCH(QString, reply);
        QFETCH(int, parsed);
        TheDevice().paramBlock.fill(7);
        CGetValuesCmd cmd;
        Reply(cmd, reply);
        QTEST(cmd.m_nError, "error");
        QCOMPARE(cmd.m_nMsgId, 0);
        for (int i = 0; i < 32; ++i)
            QCOMPARE(int(TheDevice().paramBlock[i]), i < parsed ? 100 + i : 7);
    }

    void motor_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("box"); // empty: invalid response
        QTest::newRow("on") << "Motor;Enabled"
                            << "Bio feedback is switched on.";
        QTest::newRow("off") << "Motor;Disabled"
                             << "Bio feedback is switched off.";
        QTest::newRow("lower case") << "Motor;enabled"
                                    << "";
        QTest::newRow("other key") << "Motors;Enabled"
                                   << "";
        QTest::newRow("no field") << "Motor"
                                  << "";
    }
    void motor() {
        QFETCH(QString, reply);
        QFETCH(QString, box);
        QStringList boxes;
        SetMessageBoxHandler([&](const QString& text, unsigned, const QString&) {
            boxes << text;
            return int(IDOK);
        });
        CMotorCmd cmd(true);
        Reply(cmd, reply);
        SetMessageBoxHandler(nullptr);
        QCOMPARE(cmd.m_nError, box.isEmpty() ? 2 : 0);
        QCOMPARE(cmd.m_nMsgId, box.isEmpty() ? 190 : 0);
        QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList{box});
    }

    // What "SV" may carry: the first index, the count and exactly that many values, all within
    // the parameter block and 16 bits; anything else never reaches the module.
    void parameterArgs_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("valid");
        QTest::newRow("thresholds") << "0;4;50;20;50;20" << true;
        QTest::newRow("last parameter, largest value") << "31;1;65535" << true;
        QTest::newRow("whole block") << "0;32" + QString(";7").repeated(32) << true;
        QTest::newRow("not a number") << "abc" << false;
        QTest::newRow("value beyond 16 bits") << "0;1;99999999999" << false;
        QTest::newRow("value 65536") << "0;1;65536" << false;
        QTest::newRow("negative index") << "-1;1;5" << false;
        QTest::newRow("index 40") << "40;1;1" << false;
        QTest::newRow("fewer values than counted") << "0;2;5" << false;
        QTest::newRow("more values than counted") << "0;1;5;6" << false;
        QTest::newRow("past the last parameter") << "30;4;1;2;3;4" << false;
        QTest::newRow("count 0") << "5;0" << false;
        QTest::newRow("empty value") << "0;2;5;" << false;
        QTest::newRow("blank in a value") << "0;1; 5" << false;
        QTest::newRow("sign") << "0;1;+5" << false;
        QTest::newRow("empty") << "" << false;
    }
    void parameterArgs() {
        QFETCH(QString, args);
        QTEST(CSetValuesCmd::IsValidArgs(args), "valid");
    }

    // Module ID and info text come back in a reply whose fields are separated by ";" and TAB:
    // neither, nor any other control character, may be stored.
    void moduleText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ID") << "K-104233" << true;
        QTest::newRow("blanks, umlauts, signs")
            << QStringLiteral("Lab 3: M\u00fcller #2 (\u20ac)") << true;
        QTest::newRow("semicolon") << "x;y" << false;
        QTest::newRow("TAB") << "x\ty" << false;
        QTest::newRow("line feed") << "x\ny" << false;
        QTest::newRow("STX") << "x\x02y" << false;
        QTest::newRow("DEL") << "x\x7fy" << false;
        QTest::newRow("C1 control") << QStringLiteral("x\u0085y") << false;
    }
    void moduleText() {
        QFETCH(QString, text);
        QTEST(CSetParamCmd::IsValidText(text), "valid");
    }

    void commandTexts() {
        CSetValuesCmd sv;
        sv.SetArgs(QStringLiteral("%1;4;%2;%3;%4;%5").arg(0).arg(50).arg(20).arg(50).arg(20));
        QCOMPARE(sv.m_strText, QStringLiteral("SV0;4;50;20;50;20"));
        CEraseDataCmd erase;
        QCOMPARE(erase.m_strText, QStringLiteral("EDKelvora"));
        QCOMPARE(erase.GetTimeout(), 5000u);
        CSetIdCmd id;
        id.SetArgs(QStringLiteral("K-9"));
        QCOMPARE(id.m_strText, QStringLiteral("SP0K-9"));
        CSetInfoCmd info;
        info.SetArgs(QStringLiteral("x"));
        QCOMPARE(info.m_strText, QStringLiteral("SP2x"));
        QCOMPARE(CMotorCmd(false).m_strText, QStringLiteral("MD"));
        QCOMPARE(CInfoCmdVM().GetTimeout(), 2000u);
        CGenericCmd generic;
        generic.SetCommand(QStringLiteral("GP"));
        QCOMPARE(generic.GetTimeout(), 2000u);
        generic.SetCommand(QStringLiteral("KA"));
        QCOMPARE(generic.GetTimeout(), 300u);
    }

    void memoryRead_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("bits");
        QTest::newRow("0x2000") << "512;8192"
                                << "2000"
                                << "00100000 00000000";
        QTest::newRow("5") << "1;5"
                           << "0005"
                           << "00000000 00000101";
        QTest::newRow("not a number keeps the value") << "1;x"
                                                      << "0005"
                                                      << "00000000 00000101";
        QTest::newRow("wide value") << "1;74565"
                                    << "12345"
                                    << "00100011 01000101";
    }
    void memoryRead() {
        static CReadMemCmd cmd; // shared across rows: a bad value keeps the last one
        QFETCH(QString, reply);
        Reply(cmd, reply);
        QTEST(cmd.m_strHex, "hex");
        QTEST(cmd.m_strBits, "bits");
    }

    void analogueRead() {
        CReadADCmd cmd;
        Reply(cmd, QStringLiteral("Bat;3712;3650"));
        QCOMPARE(cmd.m_strChannel, QStringLiteral("Bat"));
        QCOMPARE(cmd.m_strValues, QStringLiteral("3712\t3650"));
        Reply(cmd, QStringLiteral("History\n1;2\n3;4"));
        QCOMPARE(cmd.m_strChannel, QStringLiteral("History\n1"));
    }

    void genericLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("line");
        QTest::newRow("lines become fields") << "GP"
                                             << "2.7\nK-1;x"
                                             << "GP\t2.7\tK-1\tx";
        QTest::newRow("memory as bits") << "RM512"
                                        << "512;8192"
                                        << "RM512\t00100000 00000000";
    }
    void genericLine() {
        QFETCH(QString, text);
        QFETCH(QString, reply);
        CGenericCmd cmd;
        cmd.SetCommand(text);
        Reply(cmd, reply);
        QTEST(cmd.m_strLine, "line");
    }
};

QTEST_GUILESS_MAIN(TestDeviceCmds)
#include "tst_devicecmds.moc"
