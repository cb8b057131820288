#include "graphs/PngWriter.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// The PNG writer's files must decode to exactly the pixels given, whatever mix of runs and
// literal bytes the rows make; a file that cannot be completed must not appear.
class TestPngWriter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QImage Filled(int w, int h, QColor colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

private slots:
    void roundTrip_data() {
        QTest::addColumn<QImage>("image");
        QTest::newRow("1x1") << Filled(1, 1, QColor(1, 2, 3));
        QTest::newRow("white, wide") << Filled(5000, 7, Qt::white);

        QImage noise(257, 31, QImage::Format_RGB32);
        QRandomGenerator random(3);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, random.generate() | 0xFF000000u);
        QTest::newRow("noise: literals only") << noise;

        // Bars, a grid line, anti-aliased text and a diagonal: runs of bytes and of pixels
        // broken up at every edge, as in a diagram.
        QImage chart = Filled(3001, 120, Qt::white);
        QPainter painter(&chart);
        for (int x = 10; x < 2990; x += 37)
            painter.fillRect(x, 119 - x % 97, 24, x % 97 + 1, QColor(255, 64, 64));
        painter.setPen(Qt::black);
        painter.drawLine(0, 60, 3000, 60);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawLine(0, 0, 3000, 119);
        painter.drawText(QRect(0, 0, 3000, 120), Qt::AlignCenter, QStringLiteral("Kelvora 123"));
        painter.end();
        QTest::newRow("chart") << chart;

        QImage argb(40, 3, QImage::Format_ARGB32);
        argb.fill(QColor(10, 200, 30, 77));
        QTest::newRow("alpha dropped") << argb;
    }

    void roundTrip() {
        QFETCH(QImage, image);
        const QString path = m_dir.filePath(QStringLiteral("round.png"));
        QVERIFY(CPngWriter::Write(image, path));
        QImage read(path);
        QCOMPARE(read.size(), image.size());
        QCOMPARE(read.convertToFormat(QImage::Format_RGB32),
                 image.convertToFormat(QImage::Format_RGB32));
    }

    void rowsInBands() {
        QImage image = Filled(300, 10, Qt::white);
        image.setPixel(5, 7, qRgb(0, 0, 255));
        const QString path = m_dir.filePath(QStringLiteral("bands.png"));
        CPngWriter writer(path, image.size());
        writer.AddRows(image.copy(0, 0, 300, 4), 0, 4);
        writer.AddRows(image, 4, 6);
        QVERIFY(writer.Finish());
        QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), image);
    }

    void incompleteFileNeverAppears() {
        const QString path = m_dir.filePath(QStringLiteral("kept.png"));
        QVERIFY(CPngWriter::Write(Filled(4, 4, Qt::red), path));
        const QImage image = Filled(8, 8, Qt::blue);

        CPngWriter tooFew(path, image.size());
        tooFew.AddRows(image, 0, 5);
        QVERIFY(!tooFew.Finish());
        CPngWriter wrongWidth(path, QSize(9, 8));
        wrongWidth.AddRows(image, 0, 8);
        QVERIFY(!wrongWidth.Finish());
        QCOMPARE(QImage(path).pixel(0, 0), qRgb(255, 0, 0));

        QVERIFY(!CPngWriter::Write(image, m_dir.filePath(QStringLiteral("no/such/dir.png"))));
        QVERIFY(!CPngWriter::Write(QImage(), m_dir.filePath(QStringLiteral("empty.png"))));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("empty.png"))));
    }
};

QTEST_MAIN(TestPngWriter)
#include "tst_pngwriter.moc"
