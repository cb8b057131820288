// The settings store: file location and layout, defaults with write-back, the gap settings of
// the data code, the user role, and a store that cannot be opened.

#include "base/Reg.h"
#include "data/GapSettings.h"
#include "data/MergerStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

    QString FileText() const {
        QFile file(m_config.filePath(QStringLiteral("Kelvora.conf")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void initTestCase() { QVERIFY(m_config.isValid()); }
    void init() {
        qputenv("KELVORA_CONFIG_DIR", m_config.path().toLocal8Bit());
        QFile::remove(m_config.filePath(QStringLiteral("Kelvora.conf")));
    }

    // Base values under [General], sub keys as groups, in $KELVORA_CONFIG_DIR/Kelvora.conf.
    void fileLayout() {
        QCOMPARE(SettingsFilePath(), m_config.filePath(QStringLiteral("Kelvora.conf")));
        QVERIFY(CReg().WriteStringAt(QString(), QStringLiteral("Language"), QStringLiteral("de")));
        QVERIFY(CRegVT().SetDataPath(QStringLiteral("/home/u/Kelvora data")));
        const QString text = FileText();
        QVERIFY2(text.contains("[General]\nLanguage=de"), qPrintable(text));
        QVERIFY2(text.contains("[Veltrum]\nDataPath=/home/u/Kelvora data"), qPrintable(text));
        QCOMPARE(CRegVT().DataPath(), QStringLiteral("/home/u/Kelvora data"));
        QString language;
        QVERIFY(CReg().ReadString(QString(), QStringLiteral("Language"), language));
        QCOMPARE(language, QStringLiteral("de"));
        QVERIFY(CReg().ReadString(QStringLiteral("Veltrum"), QStringLiteral("DataPath"), language));
        QCOMPARE(CReg().CountSubKeys(), 1);
    }

    // Missing gap values are written back on first use and reach the data code in ms; a stored
    // value wins, and a value that is no number counts as missing.
    void gapDefaultsWrittenBack() {
        CRegDM().WriteDword(QStringLiteral("GapTest"), 30);
        CRegDM().WriteString(QStringLiteral("GapEpisode"), QStringLiteral("soon"));
        const CRegMergerSettings store;
        SetMergerSettings(&store);
        const CGaps gaps = CGaps::Load();
        SetMergerSettings(nullptr);
        QCOMPARE(gaps.startMs, 32'400'000);
        QCOMPARE(gaps.episodeMs, 3'000);
        QCOMPARE(gaps.testMs, 30'000);
        std::uint32_t value = 0;
        QVERIFY(CRegDM().ReadDword(QStringLiteral("GapStart"), value));
        QCOMPARE(value, 32400u);
        QVERIFY(CRegDM().ReadDword(QStringLiteral("GapEpisode"), value));
        QCOMPARE(value, 3u);
        QVERIFY(FileText().contains("[DataMerger]"));
    }

    void role_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("role");
        QTest::newRow("missing") << QString() << -1;
        QTest::newRow("patient") << "-1" << -1;
        QTest::newRow("admin") << "3" << 3;
        QTest::newRow("out of range") << "4" << -1;
        QTest::newRow("text") << "admin" << -1;
    }
    void role() {
        QFETCH(QString, stored);
        QFETCH(int, role);
        if (!stored.isNull())
            CRegVT().WriteString(QStringLiteral("Role"), stored);
        QCOMPARE(CRegVT().Role(), role);
    }

    // A store that cannot be read: reads fail, so defaults apply, and nothing is written.
    void unreadableStore() {
        QFile file(m_config.filePath(QStringLiteral("Kelvora.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nLanguage=de\n[broken\n");
        file.close();
        CRegDM key;
        QVERIFY(!key.IsOpen());
        QCOMPARE(key.ReadDwordOr(QStringLiteral("GapStart"), 32400), 32400u);
        QVERIFY(!key.WriteDword(QStringLiteral("GapStart"), 1));
        QVERIFY(FileText().endsWith("[broken\n"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
