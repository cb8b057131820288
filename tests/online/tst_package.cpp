// The program's own update package in a portable program folder on the real file system: a good
// package replaces the program and keeps the old one under its versioned name; hostile and
// damaged packages are refused before anything changes; a failure while the files are put in
// place puts the old ones back.

#include "base/AppInfo.h"
#include "base/Texts.h"
#include "data/TestMount.h"
#include "online/ProgramPackage.h"
#include "support/TestZip.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

constexpr std::uint64_t kOwn = (std::uint64_t{4} << 32) + (std::uint64_t{6} << 16);

// Every file and folder below root with its content (links by their target), for comparing a
// folder before and after.
QStringList Snapshot(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(root).relativeFilePath(info.filePath());
        if (info.isSymLink())
            entries << name + " -> " + info.symLinkTarget();
        else if (info.isDir())
            entries << name + "/";
        else
            entries << name + ": " + QString::fromLatin1(ReadTestFile(info.filePath()).toHex()) +
                           (info.isExecutable() ? " x" : "");
    }
    entries.sort();
    return entries;
}

} // namespace

Q_DECLARE_METATYPE(QList<TestZipEntry>)

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_boxes;
    QString m_folder; // the program folder of the test
    QString m_program;

    void WriteFile(const QString& path, const QByteArray& content, bool executable = false) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        if (executable)
            QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }

    QString Zip(const QList<TestZipEntry>& entries) {
        const QString path = m_dir.filePath(QStringLiteral("Kelvora_Veltrum.zip"));
        if (!WriteTestZip(path, entries))
            qWarning("the test package could not be written");
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        SetLanguage(Language::English);
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return int(IDOK);
        });
    }
    // A portable folder: the program, its command-line sibling and a file of the user's.
    void init() {
        m_boxes.clear();
        m_folder = m_dir.filePath(QStringLiteral("Veltrum"));
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        m_program = m_folder + QStringLiteral("/veltrum");
        WriteFile(m_program, "old program", true);
        WriteFile(m_folder + QStringLiteral("/veltrum-cli"), "old cli", true);
        WriteFile(m_folder + QStringLiteral("/notes.txt"), "mine");
    }

    // The new files take the places of the old ones, the running program is kept under its
    // versioned name (an older file of that name goes first), the program is executable
    // whatever the packer recorded, files the package does not hold stay.
    void install() {
        WriteFile(CProgramPackage::KeptProgramPath(m_program, kOwn), "from an earlier update");
        const QString zip = Zip({{"veltrum", "new program", S_IFREG | 0644},
                                 {"veltrum-cli", "new cli", S_IFREG | 0755},
                                 {"translations/", "", S_IFDIR | 0755},
                                 {"translations/de.qm", "qm", S_IFREG | 0644}});
        QVERIFY(CProgramPackage(zip, m_program).Install(kOwn));
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(Snapshot(m_folder),
                 (QStringList{"notes.txt: " + QByteArray("mine").toHex(), "translations/",
                              "translations/de.qm: " + QByteArray("qm").toHex(),
                              "veltrum 4.6.0: " + QByteArray("old program").toHex() + " x",
                              "veltrum-cli: " + QByteArray("new cli").toHex() + " x",
                              "veltrum: " + QByteArray("new program").toHex() + " x"}));
        QCOMPARE(CProgramPackage::KeptProgramPath(m_program, kOwn), m_folder + "/veltrum 4.6.0");
    }

    // The release zip as cpack writes it (with libarchive: sizes in data descriptors after the
    // data, local extra fields that differ from the central directory's) installs; a reader
    // that asks for strict agreement of the two headers refuses it.
    void releaseLayout() {
        const QString zip = m_dir.filePath(QStringLiteral("Kelvora_Veltrum.zip"));
        QFile::remove(zip);
        QVERIFY(QFile::copy(QStringLiteral(VELTRUM_TEST_DATA "/release-layout.zip"), zip));
        QVERIFY(CProgramPackage(zip, m_program).Install(kOwn));
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(ReadTestFile(m_program), QByteArray("new program"));
        QCOMPARE(ReadTestFile(m_folder + QStringLiteral("/README")), QByteArray("read me"));
    }

    // Packages that would write outside the folder, bring links or special files, are too
    // large, damaged or hold no program: refused with a message that names the reason, and
    // the folder (and everything outside it) stays as it was.
    void hostilePackage_data() {
        QTest::addColumn<QList<TestZipEntry>>("entries");
        QTest::addColumn<QString>("reason");
        const TestZipEntry program{"veltrum", "new", S_IFREG | 0755};
        QTest::newRow("../ component") << QList<TestZipEntry>{program, {"../x", "evil"}}
                                       << FormatText(TXT_PACKAGE_OUTSIDE, {QStringLiteral("../x")});
        QTest::newRow(".. inside")
            << QList<TestZipEntry>{program, {"a/../../x", "evil"}}
            << FormatText(TXT_PACKAGE_OUTSIDE, {QStringLiteral("a/../../x")});
        QTest::newRow("absolute path")
            << QList<TestZipEntry>{program, {"/tmp/veltrum-evil", "evil"}}
            << FormatText(TXT_PACKAGE_OUTSIDE, {QStringLiteral("/tmp/veltrum-evil")});
        QTest::newRow("backslash") << QList<TestZipEntry>{program, {"..\\x", "evil"}}
                                   << FormatText(TXT_PACKAGE_OUTSIDE, {QStringLiteral("..\\x")});
        QTest::newRow("link out, then through it")
            << QList<TestZipEntry>{program, {"lib", "/tmp", S_IFLNK | 0777}, {"lib/x", "evil"}}
            << FormatText(TXT_PACKAGE_SPECIAL, {QStringLiteral("lib")});
        QTest::newRow("link as the program")
            << QList<TestZipEntry>{{"veltrum", "/bin/sh", S_IFLNK | 0777}}
            << FormatText(TXT_PACKAGE_SPECIAL, {QStringLiteral("veltrum")});
        QTest::newRow("device file") << QList<TestZipEntry>{program, {"zero", "", S_IFCHR | 0666}}
                                     << FormatText(TXT_PACKAGE_SPECIAL, {QStringLiteral("zero")});
        QTest::newRow("no program") << QList<TestZipEntry>{{"veltrum-cli", "new"}}
                                    << FormatText(TXT_PACKAGE_NO_PROGRAM, {"veltrum"});
        QTest::newRow("program only as folder")
            << QList<TestZipEntry>{{"veltrum/", "", S_IFDIR | 0755}}
            << FormatText(TXT_PACKAGE_NO_PROGRAM, {"veltrum"});
        QList<TestZipEntry> many{program};
        for (int i = 0; i < CProgramPackage::kMaxEntries; ++i)
            many.append({"f" + QByteArray::number(i), "x"});
        QTest::newRow("too many entries")
            << many
            << FormatText(TXT_PACKAGE_TOO_LARGE,
                          {QString::number(CProgramPackage::kMaxEntries),
                           QString::number(CProgramPackage::kMaxUnpacked >> 20)});
    }
    void hostilePackage() {
        QFETCH(QList<TestZipEntry>, entries);
        QFETCH(QString, reason);
        const QString zip = Zip(entries);
        const QStringList before = Snapshot(m_dir.path());
        QVERIFY(!CProgramPackage(zip, m_program).Install(kOwn));
        QCOMPARE(m_boxes, QStringList{FormatText(TXT_PACKAGE_REFUSED,
                                                 {QStringLiteral("Kelvora_Veltrum.zip"), reason})});
        QCOMPARE(Snapshot(m_dir.path()), before);
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/veltrum-evil")));
    }

    // Not a zip, a cut-off zip, a zip whose entry unpacks to more than it declares (a zip bomb
    // lies in its header): refused, nothing changes.
    void damagedPackage_data() {
        QTest::addColumn<int>("damage");
        QTest::newRow("no zip") << 0;
        QTest::newRow("cut off") << 1;
        QTest::newRow("content changed") << 2;
    }
    void damagedPackage() {
        QFETCH(int, damage);
        QString zip = Zip({{"veltrum", QByteArray(20000, 'a') + "new program"}});
        QByteArray bytes = ReadTestFile(zip);
        if (damage == 0)
            bytes = "<!DOCTYPE html><p>gone</p>";
        else if (damage == 1)
            bytes.truncate(bytes.size() / 2);
        else
            bytes[40] = char(bytes[40] ^ 0x55); // inside the compressed data
        QFile file(zip);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const QStringList before = Snapshot(m_folder);
        QVERIFY(!CProgramPackage(zip, m_program).Install(kOwn));
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(
            m_boxes[0].startsWith(
                FormatText(TXT_PACKAGE_REFUSED, {QStringLiteral("Kelvora_Veltrum.zip"), QString()})
                    .section(u':', 0, 0)),
            qPrintable(m_boxes[0]));
        QCOMPARE(Snapshot(m_folder), before);
    }

    // A folder that cannot be moved aside (a mount point) after the program and the
    // command-line program went in: everything moved so far goes back, and the message says so.
    void failedMovePutsBack() {
        const QString busy = m_folder + QStringLiteral("/zz-plugins");
        QVERIFY(QDir().mkpath(busy));
        CTmpfs mount(busy, "size=64k");
        if (!mount.Mounted())
            QSKIP("mounting a tmpfs needs root, which this run does not have");
        const QStringList before = Snapshot(m_folder);
        const QString zip = Zip({{"veltrum", "new program", S_IFREG | 0755},
                                 {"veltrum-cli", "new cli", S_IFREG | 0755},
                                 {"zz-plugins/", "", S_IFDIR | 0755},
                                 {"zz-plugins/a.so", "so"}});
        QVERIFY(!CProgramPackage(zip, m_program).Install(kOwn));
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].endsWith(LoadText(TXT_PACKAGE_RESTORED).section(u'\n', 1)),
                 qPrintable(m_boxes[0]));
        QCOMPARE(Snapshot(m_folder), before);
    }

    // A folder that may not be written means a program of the package manager. Root writes into
    // any folder: it takes a read-only file system to show it.
    void readOnlyFolder() {
        QVERIFY(CProgramPackage::CanReplace(m_program));
        CTmpfs readOnly(m_folder, "size=64k", MS_RDONLY);
        if (::geteuid() == 0 && !readOnly.Mounted())
            QSKIP("a read-only folder for root needs a read-only mount, which is not allowed here");
        if (::geteuid() != 0)
            QVERIFY(
                QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QVERIFY(!CProgramPackage::CanReplace(m_program));
        readOnly.Unmount();
        QVERIFY(QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
