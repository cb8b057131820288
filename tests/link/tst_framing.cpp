// Checksums, command frames, reply checking and error-word detection.

#include "base/AnsiCodec.h"
#include "base/TextIds.h"
#include "link/Crc16.h"
#include "link/DevCmd.h"

#include <QTest>

namespace {

// Records which handler the reply processing called.
class ProbeCmd : public CDevCmdReply {
public:
    ProbeCmd() : CDevCmdReply(QStringLiteral("GP")) { m_bLog = false; }
    void OnReply() override { ++replies; }
    void OnError() override { ++errors; }
    int replies = 0;
    int errors = 0;
};

QByteArray Framed(const QByteArray& text) {
    return text + '\n' + QByteArray::number(CCrc16::Of(text));
}

} // namespace

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void checksum_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("crc");
        QTest::newRow("check value") << QByteArray("123456789") << 0x29B1;
        QTest::newRow("KA") << QByteArray("KA") << 38108;
        QTest::newRow("GD") << QByteArray("GD") << 33044;
        QTest::newRow("abc") << QByteArray("abc") << 20810;
        QTest::newRow("line feeds skipped") << QByteArray("a\nb\nc\n") << 20810;
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
        QTest::newRow("high bytes")
            << QByteArray("\xE4\xF6\xFC") << int(CCrc16::Of("\xE4\xF6\xFC"));
    }
    void checksum() {
        QFETCH(QByteArray, text);
        QFETCH(int, crc);
        QCOMPARE(int(CCrc16::Of(text)), crc);
        CCrc16 split;
        split.Update(text.left(1));
        split.Update(text.mid(1));
        QCOMPARE(int(split.Value()), crc);
    }

    void suffix_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("suffix");
        QTest::newRow("KA") << QByteArray("KA") << QByteArray("\n38108");
        QTest::newRow("charger info") << QByteArray("#CGV") << QByteArray();
        QTest::newRow("charger serial") << QByteArray("#CSNA1B2") << QByteArray();
        QTest::newRow("end of communication") << QByteArray("EC") << QByteArray();
        QTest::newRow("EC1 is checksummed")
            << QByteArray("EC1") << "\n" + QByteArray::number(CCrc16::Of("EC1"));
        QTest::newRow("multi-line") << QByteArray("a\nbc") << QByteArray("\n20810");
    }
    void suffix() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, suffix);
        QCOMPARE(ChecksumSuffix(text), suffix);
    }

    // A received payload through checksum check, text conversion, ';' to TAB and error words.
    void processReply_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("handler"); // 1 OnReply, 2 OnError, 0 neither

        QTest::newRow("regular") << Framed("2.7;K-1\n0") << 0 << 0 << "2.7\tK-1\n0" << 1;
        QTest::newRow("trailing junk after digits") << Framed("GV") + "x\r" << 0 << 0 << "GV" << 1;
        QTest::newRow("no line feed")
            << QByteArray("GV") << 3 << int(TXT_TRANSMISSION) << "GV" << 0;
        QTest::newRow("wrong checksum")
            << QByteArray("GV\n1") << 3 << int(TXT_TRANSMISSION) << "GV" << 0;
        QTest::newRow("empty payload") << QByteArray() << 3 << int(TXT_TRANSMISSION) << "" << 0;
        QTest::newRow("error word after ';'")
            << Framed("E;INV_CMD") << 4 << int(TXT_INVALID_COMMAND) << "E\tINV_CMD" << 2;
        QTest::newRow("low battery after a field")
            << Framed("X;E;LOW_BATT") << 15 << int(TXT_BATTERY_TOO_LOW) << "X\tE\tLOW_BATT" << 2;
        QTest::newRow("wrong id at start")
            << Framed("E;WRONG_ID") << 8 << int(TXT_EXCHANGED) << "E\tWRONG_ID" << 2;
        QTest::newRow("wrong id later is regular")
            << Framed("X;E;WRONG_ID") << 0 << 0 << "X\tE\tWRONG_ID" << 1;
        QTest::newRow("unknown word is regular") << Framed("E;NOPE") << 0 << 0 << "E\tNOPE" << 1;
        QTest::newRow("checksum error word")
            << Framed("E;CMD_CRC") << 5 << int(TXT_TRANSMISSION) << "E\tCMD_CRC" << 2;
        QTest::newRow("configuration")
            << Framed("E;CFG_CRC") << 6 << int(TXT_CFG_CORRUPTED) << "E\tCFG_CRC" << 2;
        QTest::newRow("no module id")
            << Framed("E;CFG_NO_ID") << 7 << int(TXT_NO_MODULE_ID) << "E\tCFG_NO_ID" << 2;
        QTest::newRow("buffer") << Framed("E;BUFFER_CRC") << 9 << int(TXT_BUFFER_CORRUPTED)
                                << "E\tBUFFER_CRC" << 2;
        QTest::newRow("first word in table order wins")
            << Framed("E;INV_CMD;E;LOW_BATT") << 15 << int(TXT_BATTERY_TOO_LOW)
            << "E\tINV_CMD\tE\tLOW_BATT" << 2;
        QTest::newRow("Windows-1252 text")
            << Framed("Gr\xFC\xDF\x80") << 0 << 0 << QString::fromUtf8("Grüß€") << 1;
    }
    void processReply() {
        QFETCH(QByteArray, payload);
        QFETCH(int, error);
        QFETCH(int, message);
        QFETCH(QString, reply);
        QFETCH(int, handler);
        ProbeCmd cmd;
        QByteArray buffer = payload;
        buffer.append('\0');
        cmd.ProcessReply(buffer.data(), int(payload.size()));
        QCOMPARE(cmd.m_nError, error);
        QCOMPARE(cmd.m_nMsgId, message);
        QCOMPARE(cmd.m_strReply, reply);
        QCOMPARE(cmd.replies, handler == 1 ? 1 : 0);
        QCOMPARE(cmd.errors, handler == 2 ? 1 : 0);
    }

    void noResponse() {
        ProbeCmd cmd;
        cmd.m_strReply = QStringLiteral("old");
        char buffer[1] = {0};
        cmd.ProcessReply(buffer, -1);
        QCOMPARE(cmd.m_nError, 1);
        QCOMPARE(cmd.m_nMsgId, 102);
        QCOMPARE(cmd.errors, 1);
        QVERIFY(cmd.m_strReply.isEmpty());
    }

    void ansiRoundTrip() {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(ToAnsi(FromAnsi(all)), all);
        QCOMPARE(FromAnsi("\x80\x9F\xA0\xFF"), QString::fromUtf8("€Ÿ\u00A0ÿ"));
        QCOMPARE(ToAnsi(QString::fromUtf8("a\u4E2Db\U0001F600c")), QByteArray("a?b?c"));
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
