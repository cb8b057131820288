// The libftdi driver as it runs on real hardware: the real libftdi over a stand-in for libusb
// (fakeusb/FakeUsb.cpp) that presents FTDI chips whose serial side is a pseudo-terminal played
// by a simulated charger. The driver in this process, and veltrum-cli and veltrum started on the
// same stand-in.

#include "base/Texts.h"
#include "drivers/ftdi/FtdiDriver.h"
#include "drivers/sim/SimCharger.h"
#include "link/UsbLink.h"
#include "support/CliRunner.h"
#include "support/RawPty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <libftdi1/ftdi.h>

#include <atomic>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace {

// A charger behind a chip: a pseudo-terminal whose master side a thread relays to a simulated
// charger of its own.
class ChargerPty {
public:
    ChargerPty() {
        m_thread = std::thread([this] { Relay(); });
    }
    ~ChargerPty() {
        m_stop = true;
        m_thread.join();
    }
    QString Path() const { return m_pty.Path(); }
    CSimCharger& Sim() { return m_sim; }
    // Writes bytes to the chip's receiving side, bypassing the simulator.
    void Send(const QByteArray& bytes) {
        (void)::write(m_pty.Master(), bytes.constData(), bytes.size());
    }

private:
    void Relay() {
        char buffer[256];
        while (!m_stop) {
            pollfd pfd{m_pty.Master(), POLLIN, 0};
            if (::poll(&pfd, 1, 5) > 0) {
                const ssize_t got = ::read(m_pty.Master(), buffer, sizeof buffer);
                if (got > 0)
                    m_sim.Write(buffer, static_cast<std::uint32_t>(got));
            }
            const std::uint32_t out = m_sim.Read(buffer, sizeof buffer, 0);
            if (out > 0)
                (void)::write(m_pty.Master(), buffer, out);
        }
    }

    RawPty m_pty;
    CSimCharger m_sim;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct Chip {
    QString line; // the stand-in's device line
};

Chip Ftdi(const QString& product, const QString& release, const QString& manufacturer,
          const QString& serial, const QString& relay = QStringLiteral("-"),
          const QString& fault = QString()) {
    QStringList fields{QStringLiteral("0403"),        product, release, manufacturer,
                       QStringLiteral("Vareriz-Ezu"), serial,  relay};
    if (!fault.isEmpty())
        fields << fault;
    return {fields.join(u'\t')};
}

// The chip's whole EEPROM through libftdi alone, beside the driver: to see and to set the bytes
// that the driver's fields do not name.
class RawEeprom {
public:
    static constexpr int kSize = 256;

    // The first FT-X chip on the bus.
    RawEeprom() : m_context(ftdi_new()) {
        m_open = ftdi_usb_open_desc(m_context, 0x0403, 0x6015, nullptr, nullptr) == 0;
    }
    ~RawEeprom() {
        if (m_open)
            ftdi_usb_close(m_context);
        ftdi_free(m_context);
    }
    std::vector<unsigned char> Read() {
        std::vector<unsigned char> image(kSize);
        if (!m_open || ftdi_read_eeprom(m_context) < 0 || ftdi_eeprom_decode(m_context, 0) < 0 ||
            ftdi_get_eeprom_buf(m_context, image.data(), kSize) < 0)
            return {};
        return image;
    }
    // Writes the image with a fresh checksum (every word but the user area 0x12..0x3F).
    bool Write(std::vector<unsigned char> image) {
        std::uint16_t checksum = 0xAAAA;
        for (int word = 0; word < kSize / 2 - 1; ++word) {
            if (word == 0x12)
                word = 0x40;
            checksum ^= static_cast<std::uint16_t>(image[2 * word] | image[2 * word + 1] << 8);
            checksum = static_cast<std::uint16_t>(checksum << 1 | checksum >> 15);
        }
        image[kSize - 2] = static_cast<unsigned char>(checksum);
        image[kSize - 1] = static_cast<unsigned char>(checksum >> 8);
        // libftdi writes only an image it has built for the chip it read.
        if (Read().size() != kSize || ftdi_eeprom_build(m_context) < 0 ||
            ftdi_set_eeprom_buf(m_context, image.data(), kSize) != 0 ||
            ftdi_write_eeprom(m_context) != 0) {
            qWarning("libftdi: %s", ftdi_get_error_string(m_context));
            return false;
        }
        return true;
    }

private:
    ftdi_context* m_context;
    bool m_open = false;
};

struct Result {
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class TestFtdiDriver : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Attaches exactly these chips.
    void Attach(const QList<Chip>& chips) {
        QFile file(m_dir.filePath(QStringLiteral("devices")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const Chip& chip : chips)
            file.write(chip.line.toUtf8() + '\n');
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(FAKEUSB_DIR));
        env.remove(QStringLiteral("KELVORA_SIMULATOR"));
        env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        return env;
    }

    Result Cli(const QStringList& args) {
        CliRunner cli;
        cli.env = Environment();
        const CliResult r = cli.Run(args);
        return {r.status, r.Out(), r.Err()};
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(m_dir.isValid());
        qputenv("FAKEUSB_DEVICES", m_dir.filePath(QStringLiteral("devices")).toLocal8Bit());
    }

    // Every chip with FTDI's vendor id is listed, whatever its product id, in the order of the
    // bus; FT-X chips (bcdDevice 0x1000) whose manufacturer is Kelvora are chargers.
    void enumeratesEveryProductId() {
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01"),
                Ftdi("6001", "0600", "FTDI", "R1"),
                {QStringLiteral("1234\t5678\t1000\tKelvora GmbH\tOther\tX1\t-")},
                Ftdi("7A5C", "1000", "Kelvora GmbH", "FT02"),
                Ftdi("6015", "1000", "Someone", "FT03")});
        CFtdiDriver driver;
        QCOMPARE(
            driver.DeviceTypes(),
            (QList<std::uint32_t>{FT_DEVICE_X_SERIES, 0, FT_DEVICE_X_SERIES, FT_DEVICE_X_SERIES}));
        FtOpenError error = FtOpenError::None;
        QVERIFY(!driver.Open(4, error));
        QCOMPARE(error, FtOpenError::Gone);

        CUsbLink link;
        std::vector<std::unique_ptr<CFtDriver>> drivers;
        drivers.push_back(std::make_unique<CFtdiDriver>());
        link.SetDrivers(std::move(drivers));
        QCOMPARE(link.Enumerate(false), std::uint64_t(0b0101));
        const QList<CUsbDeviceInfo> devices = link.Devices();
        QCOMPARE(devices[0].serial, QByteArray("FT01"));
        QCOMPARE(devices[0].description, QByteArray("Vareriz-Ezu"));
        QCOMPARE(devices[2].serial, QByteArray("FT02"));
        QCOMPARE(devices[3].manufacturer, QByteArray("Someone"));
        QVERIFY(!devices[1].stringsRead);
        QCOMPARE(link.Enumerate(true), std::uint64_t(0b1101));
    }

    // The chip sends packets of only its two status bytes while it has nothing; a read waits
    // through them up to its timeout, and a byte that comes within it is read.
    void readWaitsThroughStatusPackets() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", pty.Path())});
        CFtdiDriver driver;
        QCOMPARE(driver.DeviceTypes().size(), 1);
        FtOpenError error = FtOpenError::Failed;
        auto handle = driver.Open(0, error);
        QVERIFY(handle);
        QCOMPARE(error, FtOpenError::None);
        handle->SetUsbParameters(512, 512);
        handle->PurgeRx();
        QVERIFY(handle->SetTimeouts(200, 100));
        char byte = 0;
        std::uint32_t count = 0;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(handle->Read(&byte, 1, count));
        QCOMPARE(count, 0u);
        QVERIFY(timer.elapsed() >= 200);

        std::thread later([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            pty.Send("A");
        });
        QVERIFY(handle->Read(&byte, 1, count));
        later.join();
        QCOMPARE(count, 1u);
        QCOMPARE(byte, 'A');

        handle->Write("\x02#CGV\x03", 6);
        QTRY_COMPARE(pty.Sim().ReceivedFrames(), QList<QByteArray>{"#CGV"});
    }

    void eepromReadAndProgram() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FTEE", pty.Path())});
        CFtdiDriver driver;
        driver.DeviceTypes();
        FtOpenError error = FtOpenError::None;
        auto handle = driver.Open(0, error);
        QVERIFY(handle);
        FtEepromX image;
        FtEepromStrings strings;
        QVERIFY(handle->ReadEeprom(image, strings));
        QCOMPARE(strings.manufacturer, QByteArray("Kelvora GmbH"));
        QCOMPARE(strings.description, QByteArray("Vareriz-Ezu"));
        QCOMPARE(strings.serial, QByteArray("FTEE"));
        QCOMPARE(image.productId, 0x6015);
        QCOMPARE(image.maxPower, 90);

        image.maxPower = 400;
        QVERIFY(handle->ProgramEeprom(image, {"Kelvora GmbH", "Vareriz-Ezu", "FTEE"}));
        handle.reset();
        driver.DeviceTypes();
        handle = driver.Open(0, error);
        QVERIFY(handle);
        FtEepromX read;
        QVERIFY(handle->ReadEeprom(read, strings));
        QCOMPARE(read.maxPower, 400);
        QCOMPARE(strings.serial, QByteArray("FTEE"));
    }

    // Programming changes the fields it names (power, serial-number enable, CBUS5 and CBUS6,
    // the strings) and keeps every other bit of the chip as it was, also those libftdi sets to
    // defaults of its own when it builds an image (configuration byte 0, drive strengths).
    void eepromProgramKeepsOtherBits() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FTKB", pty.Path())});
        CFtdiDriver driver;
        driver.DeviceTypes();
        std::vector<unsigned char> seeded;
        {
            RawEeprom raw;
            seeded = raw.Read();
            QCOMPARE(int(seeded.size()), RawEeprom::kSize);
            seeded[0x00] = 0x87;
            seeded[0x0C] = 0x55;
            QVERIFY(raw.Write(seeded));
            seeded = raw.Read();
            QCOMPARE(seeded[0x00], 0x87);
        }
        FtOpenError error = FtOpenError::None;
        auto handle = driver.Open(0, error);
        QVERIFY(handle);
        FtEepromX image;
        FtEepromStrings strings;
        QVERIFY(handle->ReadEeprom(image, strings));
        QCOMPARE(image.cbus[5], 5);
        QCOMPARE(image.cbus[6], 4);
        image.maxPower = 400;
        image.serNumEnable = 0;
        image.cbus[5] = 18; // BITBANG_WR
        image.cbus[6] = 17; // VBUS_SENSE
        QVERIFY(handle->ProgramEeprom(image, {"Kelvora GmbH", "Vareriz-Ezu", "B-17"}));
        handle.reset();

        const std::vector<unsigned char> programmed = RawEeprom().Read();
        QCOMPARE(int(programmed.size()), RawEeprom::kSize);
        QList<int> changed;
        for (int i = 0; i < 0x0E; ++i)
            if (programmed[i] != seeded[i])
                changed << i;
        for (int i = 0x14; i < 0xA0; ++i)
            if (programmed[i] != seeded[i])
                changed << i;
        QCOMPARE(changed, (QList<int>{0x09, 0x0A, 0x1F, 0x20}));
        QCOMPARE(programmed[0x09], 200); // 400 mA in 2 mA steps
        QCOMPARE(programmed[0x0A] & 0x08, 0);
        QCOMPARE(programmed[0x1F], 18);
        QCOMPARE(programmed[0x20], 17);

        handle = driver.Open(0, error);
        QVERIFY(handle);
        FtEepromX read;
        QVERIFY(handle->ReadEeprom(read, strings));
        QCOMPARE(strings.serial, QByteArray("B-17"));
        QCOMPARE(read.cbus[5], 18);
        QCOMPARE(read.cbus[6], 17);
        handle.reset();

        // The link's programming, which counts only what reads back as written.
        CUsbLink link;
        std::vector<std::unique_ptr<CFtDriver>> drivers;
        drivers.push_back(std::make_unique<CFtdiDriver>());
        link.SetDrivers(std::move(drivers));
        link.Enumerate(false);
        link.Select(0);
        read.maxPower = 250;
        QVERIFY(link.ProgramEeprom(read, {"Kelvora GmbH", "Vareriz-Ezu", "B-18"}));
        QVERIFY(link.ReadEeprom(read, strings));
        QCOMPARE(read.maxPower, 250);
        QCOMPARE(strings.serial, QByteArray("B-18"));
    }

    // Why a chip could not be opened: another handle holds it, or the user may not open it.
    void openErrors() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", pty.Path()),
                Ftdi("6015", "1000", "Kelvora GmbH", "FT02", QStringLiteral("-"),
                     QStringLiteral("access"))});
        CFtdiDriver driver;
        QCOMPARE(driver.DeviceTypes().size(), 2);
        FtOpenError error = FtOpenError::None;
        auto first = driver.Open(0, error);
        QVERIFY(first);
        QVERIFY(!driver.Open(0, error));
        QCOMPARE(error, FtOpenError::Busy);
        QVERIFY(!driver.Open(1, error));
        QCOMPARE(error, FtOpenError::NoAccess);
        first.reset();
        QVERIFY(driver.Open(0, error));
    }

    // veltrum-cli on the same chips: list, identify, download.
    void cliListIdentifyDownload() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", pty.Path()),
                Ftdi("6001", "0600", "FTDI", "R1")});
        Result r = Cli({QStringLiteral("list")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("FT01\tVareriz-Ezu\tKelvora GmbH\n"));

        r = Cli({QStringLiteral("info")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("device.moduleId: K-104233")),
                 qPrintable(r.out + r.err));

        const QString base = m_dir.filePath(QStringLiteral("base"));
        QVERIFY(QDir().mkpath(base));
        r = Cli({QStringLiteral("download"), QStringLiteral("--base"), base});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(
            QDir(base + QStringLiteral("/K-104233")).entryList({QStringLiteral("*.kmM")}).size(),
            1);
        QCOMPARE(pty.Sim().ReceivedFrames().count("EC"), 2); // after info and after download
    }

    // Two chargers: the one named with --charger gets the frames; without it, a usage error.
    void cliTwoChargers() {
        ChargerPty one;
        ChargerPty two;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", one.Path()),
                Ftdi("6015", "1000", "Kelvora GmbH", "FT02", two.Path())});
        Result r = Cli({QStringLiteral("--charger"), QStringLiteral("FT02"), QStringLiteral("send"),
                        QStringLiteral("#CGV")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("#CGV\tVersion")));
        QVERIFY(one.Sim().ReceivedFrames().isEmpty());
        QCOMPARE(two.Sim().ReceivedFrames().value(0), QByteArray("#CGV"));

        r = Cli({QStringLiteral("send"), QStringLiteral("#CGV")});
        QCOMPARE(r.status, 2);
        QVERIFY(one.Sim().ReceivedFrames().isEmpty());
    }

    // A charger this user may not open, and one that another program holds: the reason, status 1.
    void cliOpenErrors() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", QStringLiteral("-"),
                     QStringLiteral("access"))});
        Result r = Cli({QStringLiteral("info")});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), LoadText(TXT_CHARGER_NO_ACCESS));

        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", pty.Path())});
        CFtdiDriver driver;
        driver.DeviceTypes();
        FtOpenError error = FtOpenError::None;
        const auto held = driver.Open(0, error);
        QVERIFY(held);
        r = Cli({QStringLiteral("info")});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), LoadText(TXT_CHARGER_BUSY).trimmed());
        QVERIFY(pty.Sim().ReceivedFrames().isEmpty());
    }

    // The desktop program finds a charger that was attached before it started (no hotplug
    // notice comes for it) and identifies it at once.
    void desktopFindsChargerAttachedBefore() {
        ChargerPty pty;
        Attach({Ftdi("6015", "1000", "Kelvora GmbH", "FT01", pty.Path())});
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(config));
        QFile settings(config + QStringLiteral("/Kelvora.conf"));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // No server answers at the origin: the program never asks the real vendor server here.
        settings.write("[Veltrum]\nRole=3\nServerOrigin=http://127.0.0.1:9\nDataPath=" +
                       QFile::encodeName(m_dir.path()) + "\n");
        settings.close();
        QProcess app;
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(VELTRUM_APP));
        QVERIFY(app.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(pty.Sim().ReceivedFrames().contains("#CGV"), 20000);
        app.kill();
        app.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestFtdiDriver)
#include "tst_ftdidriver.moc"
