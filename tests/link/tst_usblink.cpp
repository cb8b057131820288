// The charger link: device table, frames on the wire, byte-wise timed receive, EEPROM rules.

#include "link/UsbLink.h"

#include <QElapsedTimer>
#include <QTest>

#include <deque>
#include <thread>

namespace {

// What the fake chip does: the bytes it returns and after how long, and what it was sent.
struct FakeChip {
    std::uint32_t type = FT_DEVICE_X_SERIES;
    FtEepromStrings strings{"Kelvora GmbH", "Vareriz-Ezu", "A1"};
    bool opens = true;
    FtOpenError openError = FtOpenError::Busy; // why it does not open
    bool eepromReadable = true;
    FtEepromX image;
    bool keepsOldContents = false; // takes a programming without storing it
    // (delay before the byte in ms, byte); a negative delay makes the read fail.
    std::deque<std::pair<int, char>> incoming;
    QByteArray written;
    int opened = 0;
    int purges = 0;
    int programmed = 0;
};

class FakeHandle : public CFtHandle {
public:
    explicit FakeHandle(FakeChip& chip) : m_chip(chip) {}
    void SetUsbParameters(std::uint32_t, std::uint32_t) override {}
    void PurgeRx() override { ++m_chip.purges; }
    bool SetTimeouts(std::uint32_t readMs, std::uint32_t) override {
        m_timeout = readMs;
        return true;
    }
    bool Read(char* buffer, std::uint32_t, std::uint32_t& count) override {
        count = 0;
        if (m_chip.incoming.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_timeout));
            return true;
        }
        auto& [delay, byte] = m_chip.incoming.front();
        if (delay < 0)
            return false;
        if (delay > int(m_timeout)) {
            delay -= int(m_timeout);
            std::this_thread::sleep_for(std::chrono::milliseconds(m_timeout));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        buffer[0] = byte;
        count = 1;
        m_chip.incoming.pop_front();
        return true;
    }
    void Write(const char* data, std::uint32_t size) override { m_chip.written.append(data, size); }
    bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings) override {
        image = m_chip.image;
        strings = m_chip.strings;
        return m_chip.eepromReadable;
    }
    bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) override {
        ++m_chip.programmed;
        if (!m_chip.keepsOldContents) {
            m_chip.image = image;
            m_chip.strings = strings;
        }
        return true;
    }

private:
    FakeChip& m_chip;
    std::uint32_t m_timeout = 300;
};

class FakeDriver : public CFtDriver {
public:
    explicit FakeDriver(std::vector<FakeChip>& chips) : m_chips(chips) {}
    QList<std::uint32_t> DeviceTypes() override {
        QList<std::uint32_t> types;
        for (const FakeChip& c : m_chips)
            types.append(c.type);
        return types;
    }
    std::unique_ptr<CFtHandle> Open(int index, FtOpenError& error) override {
        FakeChip& chip = m_chips[index];
        ++chip.opened;
        error = chip.opens ? FtOpenError::None : chip.openError;
        return chip.opens ? std::make_unique<FakeHandle>(chip) : nullptr;
    }

private:
    std::vector<FakeChip>& m_chips;
};

void Install(CUsbLink& link, std::vector<FakeChip>& chips) {
    std::vector<std::unique_ptr<CFtDriver>> drivers;
    drivers.push_back(std::make_unique<FakeDriver>(chips));
    link.SetDrivers(std::move(drivers));
}

// Installs the chips, enumerates them and opens the first one.
bool OpenFirst(CUsbLink& link, std::vector<FakeChip>& chips) {
    Install(link, chips);
    link.Enumerate(false);
    link.Select(0);
    return link.Open();
}

void Feed(FakeChip& chip, const QByteArray& bytes, int delayMs = 0) {
    for (const char b : bytes)
        chip.incoming.emplace_back(delayMs, b);
}

} // namespace

class TestUsbLink : public QObject {
    Q_OBJECT
private slots:
    void enumeration() {
        std::vector<FakeChip> chips(4);
        chips[1].strings.manufacturer = "Other Ltd";
        chips[2].type = 5; // not an FT-X chip
        chips[3].eepromReadable = false;
        CUsbLink link;
        Install(link, chips);

        QCOMPARE(link.Enumerate(false), std::uint64_t(0b0001));
        QCOMPARE(link.AcceptedCount(), 1);
        QCOMPARE(chips[2].opened, 0);
        const auto devices = link.Devices();
        QCOMPARE(devices.size(), 4);
        QCOMPARE(devices[1].manufacturer, QByteArray("Other Ltd"));
        QVERIFY(!devices[3].stringsRead);

        QCOMPARE(link.Enumerate(true), std::uint64_t(0b0011));
    }

    void noDevices() {
        std::vector<FakeChip> chips;
        CUsbLink link;
        Install(link, chips);
        QCOMPARE(link.Enumerate(false), std::uint64_t(0));
        QVERIFY(!link.Open());
        link.Select(0);
        QVERIFY(!link.Open());
    }

    // A chip that could not be opened keeps its reason: no charger usable names a busy one
    // first, then one this user may not open, else asks to attach one; a failed Open says why.
    void openErrors() {
        std::vector<FakeChip> chips(2);
        chips[0].opens = false;
        chips[0].openError = FtOpenError::NoAccess;
        chips[1].opens = false;
        CUsbLink link;
        Install(link, chips);
        QCOMPARE(link.Enumerate(false), std::uint64_t(0));
        QCOMPARE(link.Devices()[0].openError, FtOpenError::NoAccess);
        QCOMPARE(link.Devices()[1].openError, FtOpenError::Busy);
        QCOMPARE(NoChargerMessage(link.Devices()), 430);

        chips[1].opens = true;
        QCOMPARE(link.Enumerate(false), std::uint64_t(0b10));
        QCOMPARE(NoChargerMessage(link.Devices()), 431);
        link.Select(0);
        QVERIFY(!link.Open());
        QCOMPARE(link.OpenError(), FtOpenError::NoAccess);
        QCOMPARE(OpenErrorMessage(link.OpenError()), 431);
        link.Select(2);
        QVERIFY(!link.Open());
        QCOMPARE(OpenErrorMessage(link.OpenError()), 290);
        link.Select(1);
        QVERIFY(link.Open());
        QCOMPARE(link.OpenError(), FtOpenError::None);

        chips[0].opens = true;
        QCOMPARE(link.Enumerate(false), std::uint64_t(0b11));
        QCOMPARE(NoChargerMessage(link.Devices()), 290);
    }

    void onlyFirst64Accepted() {
        std::vector<FakeChip> chips(66);
        CUsbLink link;
        Install(link, chips);
        QCOMPARE(link.Enumerate(false), ~std::uint64_t(0));
        QCOMPARE(link.AcceptedCount(), 64);
    }

    void openPurgesAndWritesFrames() {
        std::vector<FakeChip> chips(1);
        CUsbLink link;
        QVERIFY(OpenFirst(link, chips));
        QCOMPARE(chips[0].purges, 1);
        link.WriteFrame("KA", "\n38108");
        link.WriteFrame("#CGV", QByteArrayView());
        QCOMPARE(chips[0].written, QByteArray("\x02KA\n38108\x03\x02#CGV\x03"));
        link.Close();
        QVERIFY(!link.IsOpen());
    }

    void receive_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("plain") << QByteArray("\x02GV\x03") << 2 << QByteArray("GV");
        QTest::newRow("bytes before STX") << QByteArray("abc\x02GV\x03") << 2 << QByteArray("GV");
        QTest::newRow("second STX restarts")
            << QByteArray("\x02xx\x02GV\x03") << 2 << QByteArray("GV");
        QTest::newRow("timeout mid-reply keeps the part")
            << QByteArray("\x02GV") << 2 << QByteArray("GV");
        QTest::newRow("nothing") << QByteArray() << -1 << QByteArray();
        QTest::newRow("no STX") << QByteArray("GV\x03") << -1 << QByteArray();
        QTest::newRow("empty frame") << QByteArray("\x02\x03") << 0 << QByteArray();
    }
    void receive() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QFETCH(QByteArray, payload);
        std::vector<FakeChip> chips(1);
        Feed(chips[0], bytes);
        CUsbLink link;
        QVERIFY(OpenFirst(link, chips));
        link.SetReadTimeout(60);
        std::atomic<bool> active{true};
        char buffer[64];
        QCOMPARE(link.ReceiveReply(buffer, active, sizeof buffer), length);
        if (length >= 0)
            QCOMPARE(QByteArray(buffer), payload);
    }

    void receiveStopsAtBufferLimit() {
        std::vector<FakeChip> chips(1);
        Feed(chips[0], "\x02" + QByteArray(20, 'x') + "\x03");
        CUsbLink link;
        QVERIFY(OpenFirst(link, chips));
        std::atomic<bool> active{true};
        char buffer[8];
        QCOMPARE(link.ReceiveReply(buffer, active, sizeof buffer), 7);
        QCOMPARE(QByteArray(buffer), QByteArray(7, 'x'));
    }

    // The timeout applies to each gap, not to the whole reply.
    void slowReplyReadWhole() {
        std::vector<FakeChip> chips(1);
        Feed(chips[0],
             "\x02"
             "0123456789"
             "\x03",
             40);
        CUsbLink link;
        QVERIFY(OpenFirst(link, chips));
        link.SetReadTimeout(100);
        std::atomic<bool> active{true};
        char buffer[64];
        QCOMPARE(link.ReceiveReply(buffer, active, sizeof buffer), 10);
    }

    void failedReadEndsReply() {
        std::vector<FakeChip> chips(1);
        Feed(chips[0], "\x02GV");
        chips[0].incoming.emplace_back(-1, 'x');
        CUsbLink link;
        QVERIFY(OpenFirst(link, chips));
        std::atomic<bool> active{true};
        char buffer[64];
        QCOMPARE(link.ReceiveReply(buffer, active, sizeof buffer), 2);
    }

    void abortEndsLongWait() {
        std::vector<FakeChip> chips(1);
        CUsbLink link;
        QVERIFY(OpenFirst(link, chips));
        link.SetReadTimeout(12000);
        std::atomic<bool> active{true};
        std::thread aborter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            active = false;
        });
        QElapsedTimer timer;
        timer.start();
        char buffer[64];
        QCOMPARE(link.ReceiveReply(buffer, active, sizeof buffer), -1);
        aborter.join();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    }

    void eepromStringLimit() {
        std::vector<FakeChip> chips(1);
        CUsbLink link;
        Install(link, chips);
        link.Enumerate(false);
        link.Select(0);
        FtEepromX image;
        QVERIFY(!link.ProgramEeprom(image, {"Kelvora GmbH", "Vareriz-Ezu", QByteArray(21, '1')}));
        QCOMPARE(chips[0].programmed, 0);
        QVERIFY(link.ProgramEeprom(image, {"Kelvora GmbH", "Vareriz-Ezu", QByteArray(20, '1')}));
        QCOMPARE(chips[0].programmed, 1);
    }

    // Programming writes the serial-number string disabled and power in the chip's 2 mA steps,
    // and counts only when the chip reads back what was written; an unreadable EEPROM is a
    // failed read, not an empty one.
    void eepromProgramReadsBack() {
        std::vector<FakeChip> chips(1);
        CUsbLink link;
        Install(link, chips);
        link.Enumerate(false);
        link.Select(0);
        FtEepromX image;
        image.maxPower = 401;
        image.cbus[5] = 18;
        const FtEepromStrings strings{"Kelvora GmbH", "Vareriz-Ezu", "B7"};
        QVERIFY(link.ProgramEeprom(image, strings));
        FtEepromX read;
        FtEepromStrings readStrings;
        QVERIFY(link.ReadEeprom(read, readStrings));
        QCOMPARE(readStrings, strings);
        QCOMPARE(read.serNumEnable, 0);
        QCOMPARE(read.maxPower, 400);
        QCOMPARE(read.cbus[5], 18);

        chips[0].keepsOldContents = true;
        image.maxPower = 300;
        QVERIFY(!link.ProgramEeprom(image, strings));
        chips[0].keepsOldContents = false;
        chips[0].eepromReadable = false;
        QVERIFY(!link.ReadEeprom(read, readStrings));
        QVERIFY(!link.ProgramEeprom(image, strings));
    }

    void cbusValues() {
        QCOMPARE(CbusFunctionNames().size(), 22);
        QCOMPARE(CbusFunctionNames().indexOf("SLEEP"), 5);
        QCOMPARE(CbusFunctionNames().indexOf("PWREN"), 4);
        QCOMPARE(CbusFunctionNames().indexOf("KEEP_AWAKE"), 21);
    }
};

QTEST_GUILESS_MAIN(TestUsbLink)
#include "tst_usblink.moc"
