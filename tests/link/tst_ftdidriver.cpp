// The libftdi driver, over fakes of the libftdi calls it makes.

#include "FtdiDriver.h"

#include <QElapsedTimer>
#include <QTest>

#include <libftdi1/ftdi.h>

#include <deque>

namespace {

// State of the fake library; one test at a time.
struct FakeFtdi {
    ftdi_context context{};
    libusb_device* devices[3] = {reinterpret_cast<libusb_device*>(0x10), reinterpret_cast<libusb_device*>(0x20),
                                 reinterpret_cast<libusb_device*>(0x30)};
    ftdi_device_list nodes[3] = {};
    int releases[3] = {0x1000, 0x0600, 0x1000};
    std::deque<int> reads; // per read call: a byte value, -1 for nothing (status bytes only), -2 for an error
    int readCalls = 0;
    int opened = 0;
    int closed = 0;
    int contextsFreed = 0;
    QMap<int, int> values;
    QByteArray manufacturer = "Kelvora GmbH";
    QByteArray written;
    int eepromWrites = 0;
} g;

const FtdiApi& FakeApi() {
    static const FtdiApi api = {
        [] { return &g.context; },
        [](ftdi_context*) { ++g.contextsFreed; },
        [](ftdi_context*, ftdi_device_list** list, int vendor, int) {
            if (vendor != 0x0403)
                return -1;
            for (int i = 0; i < 3; ++i) {
                g.nodes[i].dev = g.devices[i];
                g.nodes[i].next = i < 2 ? &g.nodes[i + 1] : nullptr;
            }
            *list = &g.nodes[0];
            return 3;
        },
        [](ftdi_device_list** list) { *list = nullptr; },
        [](libusb_device* dev) {
            for (int i = 0; i < 3; ++i)
                if (g.devices[i] == dev)
                    return g.releases[i];
            return -1;
        },
        [](ftdi_context*, libusb_device*) {
            ++g.opened;
            return 0;
        },
        [](ftdi_context*) {
            ++g.closed;
            return 0;
        },
        [](ftdi_context*, unsigned) { return 0; },
        [](ftdi_context*, unsigned) { return 0; },
        [](ftdi_context*) { return 0; },
        [](ftdi_context*, int, int) {},
        [](ftdi_context*, unsigned char* buf, int) {
            ++g.readCalls;
            if (g.reads.empty())
                return 0;
            const int next = g.reads.front();
            g.reads.pop_front();
            if (next == -2)
                return -1;
            if (next < 0)
                return 0;
            buf[0] = static_cast<unsigned char>(next);
            return 1;
        },
        [](ftdi_context*, const unsigned char* data, int size) {
            g.written.append(reinterpret_cast<const char*>(data), size);
            return size;
        },
        [](ftdi_context*) { return 0; },
        [](ftdi_context*, int) { return 0; },
        [](ftdi_context*) { return 0; },
        [](ftdi_context*) {
            ++g.eepromWrites;
            return 0;
        },
        [](ftdi_context*, int name, int* value) {
            *value = g.values.value(name);
            return 0;
        },
        [](ftdi_context*, int name, int value) {
            g.values[name] = value;
            return 0;
        },
        [](ftdi_context*, char* m, int ml, char* p, int pl, char* s, int sl) {
            qstrncpy(m, g.manufacturer.constData(), ml);
            qstrncpy(p, "Vareriz-Ezu", pl);
            qstrncpy(s, "FT123", sl);
            return 0;
        },
        [](ftdi_context*, const char* m, const char*, const char*) {
            g.manufacturer = m;
            return 0;
        },
    };
    return api;
}

} // namespace

class TestFtdiDriver : public QObject {
    Q_OBJECT
private slots:
    void init() { g = FakeFtdi(); }

    void typesFromDeviceRelease() {
        CFtdiDriver driver(FakeApi());
        QCOMPARE(driver.DeviceTypes(), (QList<std::uint32_t>{FT_DEVICE_X_SERIES, 0, FT_DEVICE_X_SERIES}));
        QVERIFY(!driver.Open(3));
    }

    // The chip answers with status-only transfers before the byte comes; the read must not
    // report "nothing" before its timeout.
    void readWaitsThroughEmptyTransfers() {
        CFtdiDriver driver(FakeApi());
        driver.DeviceTypes();
        auto handle = driver.Open(0);
        QVERIFY(handle);
        QVERIFY(handle->SetTimeouts(200, 100));
        g.reads = {-1, -1, -1, 'A'};
        char byte = 0;
        std::uint32_t count = 0;
        QVERIFY(handle->Read(&byte, 1, count));
        QCOMPARE(count, 1u);
        QCOMPARE(byte, 'A');

        QElapsedTimer timer;
        timer.start();
        QVERIFY(handle->Read(&byte, 1, count));
        QCOMPARE(count, 0u);
        QVERIFY(timer.elapsed() >= 200);

        g.reads = {-2};
        QVERIFY(!handle->Read(&byte, 1, count));
    }

    void eepromReadAndProgram() {
        CFtdiDriver driver(FakeApi());
        driver.DeviceTypes();
        auto handle = driver.Open(0);
        g.values[MAX_POWER] = 100;
        g.values[CBUS_FUNCTION_5] = 5;
        FtEepromX image;
        FtEepromStrings strings;
        QVERIFY(handle->ReadEeprom(image, strings));
        QCOMPARE(image.maxPower, 100);
        QCOMPARE(image.cbus[5], 5);
        QCOMPARE(strings.manufacturer, QByteArray("Kelvora GmbH"));
        QCOMPARE(strings.serial, QByteArray("FT123"));

        image.maxPower = 400;
        image.cbus[6] = 4;
        QVERIFY(handle->ProgramEeprom(image, {"Kelvora GmbH", "Vareriz-Ezu", ""}));
        QCOMPARE(g.values[MAX_POWER], 400);
        QCOMPARE(g.values[CBUS_FUNCTION_6], 4);
        QCOMPARE(g.eepromWrites, 1);

        handle.reset();
        QCOMPARE(g.closed, 1);
    }
};

QTEST_GUILESS_MAIN(TestFtdiDriver)
#include "tst_ftdidriver.moc"
