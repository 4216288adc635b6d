#include "TempFolder.h"
#include "TestRunner.h"

#include "core/FileTitle.h"
#include "media/PictureCache.h"
#include "media/PictureLoader.h"
#include "media/WmfDocument.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <QtEndian>

#include <atomic>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {
// Picture files are written byte by byte, so every field is the one the test means.

// Appends little-endian 16-bit (U = quint16) or 32-bit (U = quint32) values.
template <class U> void put(QByteArray &out, std::initializer_list<qint64> values) {
    for (qint64 v : values) {
        char b[sizeof(U)];
        qToLittleEndian(U(v), b);
        out.append(b, sizeof(U));
    }
}

// Writes metafile records; parameters are 16-bit words in the file's own (reversed) order.
class WmfWriter {
public:
    WmfWriter &record(quint16 function, std::initializer_list<qint64> words) {
        QByteArray params;
        put<quint16>(params, words);
        return raw(function, params);
    }
    WmfWriter &raw(quint16 function, const QByteArray &params) {
        put<quint32>(m_records, {3 + params.size() / 2});
        put<quint16>(m_records, {function});
        m_records.append(params);
        return *this;
    }
    WmfWriter &solidBrush(QColor c) { return record(0x02FC, {0, rg(c), c.blue(), 0}); }
    WmfWriter &pen(int s, int w, QColor c) { return record(0x02FA, {s, w, 0, rg(c), c.blue()}); }
    WmfWriter &select(int index) { return record(0x012D, {index}); }
    WmfWriter &remove(int index) { return record(0x01F0, {index}); }
    WmfWriter &windowOrg(int x, int y) { return record(0x020B, {y, x}); }
    WmfWriter &windowExt(int x, int y) { return record(0x020C, {y, x}); }
    WmfWriter &rectangle(int l, int t, int r, int b) { return record(0x041B, {b, r, t, l}); }

    QByteArray plain() const {
        QByteArray out, body = m_records;
        put<quint16>(body, {3, 0, 0}); // end-of-file record
        put<quint16>(out, {1, 9, 0x0300, (18 + body.size()) / 2, 0, 8, 0, 0, 0});
        return out + body;
    }
    QByteArray placeable(int left, int top, int right, int bottom, int unitsPerInch) const {
        QByteArray head;
        put<quint32>(head, {0x9AC6CDD7});
        // The checksum is left 0: readers do not agree on it, so the program ignores it.
        put<quint16>(head, {0, left, top, right, bottom, unitsPerInch, 0, 0, 0});
        return head + plain();
    }

private:
    static int rg(QColor c) { return c.red() | (c.green() << 8); } // a COLORREF's first word
    QByteArray m_records;
};

// An icon file holding one 32-bit image per colour, of the given sizes.
QByteArray iconFile(const QList<QPair<int, QColor>> &images) {
    QByteArray dir, bodies;
    put<quint16>(dir, {0, 1, images.size()});
    for (const auto &[side, colour] : images) {
        QByteArray body;
        // Colour rows and mask rows; one plane of 32 bits.
        put<quint32>(body, {40, side, side * 2, 1 | (32 << 16), 0, 0, 0, 0, 0, 0});
        for (int i = 0; i < side * side; ++i)
            put<quint32>(body, {colour.rgba()});
        body.append(QByteArray(((side + 31) / 32) * 4 * side, '\0')); // the mask
        // Width and height bytes (0 would mean 256; the header inside counts).
        put<quint16>(dir, {side | (side << 8), 0, 1, 32});
        put<quint32>(dir, {body.size(), 6 + 16 * images.size() + bodies.size()});
        bodies += body;
    }
    return dir + bodies;
}

QByteArray encoded(const QImage &image, const char *format, int quality = -1) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return buffer.data();
}

QImage solid(int w, int h, QColor c) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

bool near(QColor a, QColor b) {
    return qMax(qMax(qAbs(a.red() - b.red()), qAbs(a.green() - b.green())),
                qMax(qAbs(a.blue() - b.blue()), qAbs(a.alpha() - b.alpha()))) <= 8;
}

#define COMPARE_COLOUR(image, x, y, colour)                                                        \
    QVERIFY2(near((image).pixelColor(x, y), colour),                                               \
             qPrintable(u"pixel (%1, %2) is %3"_s.arg(x).arg(y).arg(                               \
                 (image).pixelColor(x, y).name(QColor::HexArgb))))

// A 2 x 2 bitmap: red, green over blue, white.
QImage fourColours() {
    static const QRgb pixels[] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    return QImage(reinterpret_cast<const uchar *>(pixels), 2, 2, QImage::Format_RGB32).copy();
}

// A 100 x 100 unit window, no outline (object 0) and a solid brush (object 1).
WmfWriter canvas(QColor fill = Qt::green) {
    WmfWriter w;
    w.windowOrg(0, 0).windowExt(100, 100);
    w.pen(5, 0, Qt::black).select(0).solidBrush(fill).select(1);
    return w;
}

// Bitmap record parameters: raster operation, the words in file order, then the bitmap.
QByteArray blit(quint32 rop, std::initializer_list<qint64> words, const QByteArray &dib) {
    QByteArray params;
    put<quint32>(params, {rop});
    put<quint16>(params, words);
    return params + dib;
}

using Probes = QList<QPair<QPoint, QColor>>;

const QByteArray greenSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                            "<rect width='40' height='20' fill='#00ff00'/></svg>";

// A camera's JPEG: a whole small JPEG (the thumbnail) in an APP1 segment before the picture's.
QByteArray withThumbnail(const QByteArray &jpeg) {
    const QByteArray thumbnail = encoded(solid(3, 2, Qt::red), "JPEG", 50);
    QByteArray segment("\xFF\xE1\0\0Exif\0\0", 10);
    qToBigEndian<quint16>(quint16(8 + thumbnail.size()), segment.data() + 2);
    return jpeg.left(2) + segment + thumbnail + jpeg.mid(2);
}

// A 1 x 1 GIF, green.
const QByteArray tinyGif =
    QByteArray::fromHex("4749463839610100010080000000ff000000002c00000000010001000002024401003b");

} // namespace

class PictureLoaderTest : public QObject {
    Q_OBJECT
private slots:
    // A JPEG is decoded straight at the shown size and reports its own. A photo stored sideways
    // (EXIF orientation) comes upright, in full and reduced decodes, sized by its upright size.
    void photoComesUprightAtTheShownSize_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QColor>("topLeft");
        QTest::newRow("1, upright") << 1 << QColor(Qt::red);
        QTest::newRow("3, upside down") << 3 << QColor(Qt::white);
        QTest::newRow("6, turned right") << 6 << QColor(Qt::blue);
        QTest::newRow("8, turned left") << 8 << QColor(Qt::green);
    }
    void photoComesUprightAtTheShownSize() {
        QFETCH(int, orientation);
        QFETCH(QColor, topLeft);
        // An EXIF segment with the one orientation entry, right after the start-of-image mark.
        QByteArray exif =
            QByteArrayLiteral("\xFF\xE1\0\x22"
                              "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0");
        exif += char(orientation) + QByteArray(6, '\0');
        const QByteArray jpeg = encoded(fourColours().scaled(160, 80), "JPEG", 95).insert(2, exif);
        const QSize upright = orientation >= 5 ? QSize(80, 160) : QSize(160, 80);
        const Picture whole = PictureLoader().read(jpeg);
        QCOMPARE(whole.size(), upright);
        COMPARE_COLOUR(whole.image(), 10, 10, topLeft);
        PictureLoader loader;
        QSize askedFor;
        loader.setSizeRule([&](const QSize &natural) { return (askedFor = natural) / 4; });
        const Picture reduced = loader.read(jpeg);
        QCOMPARE(askedFor, upright);
        QCOMPARE(reduced.size(), upright);
        QCOMPARE(reduced.image().size(), upright / 4);
        COMPARE_COLOUR(reduced.image(), 3, 3, topLeft);
    }

    // Every format reads whole, green at its centre; cut anywhere, it is refused rather than
    // shown half decoded (SVG is text of no fixed length: its parser judges it).
    void readsEveryFormat_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("size");
        const auto row = [](const char *name, const QByteArray &bytes, PictureFormat format,
                            QSize size) { QTest::newRow(name) << bytes << int(format) << size; };
        const QImage green = solid(9, 7, Qt::green);
        const QByteArray jpeg = encoded(green, "JPEG", 95);
        row("bmp", encoded(green, "BMP"), PictureFormat::Bmp, {9, 7});
        row("png", encoded(green, "PNG"), PictureFormat::Png, {9, 7});
        row("jpeg", jpeg, PictureFormat::Jpeg, {9, 7});
        row("jpeg with thumbnail", withThumbnail(jpeg), PictureFormat::Jpeg, {9, 7});
        row("gif", tinyGif, PictureFormat::Gif, {1, 1});
        row("ico takes its largest image",
            iconFile({{16, Qt::blue}, {48, Qt::green}, {32, Qt::red}}), PictureFormat::Ico,
            {48, 48});
        row("wmf", canvas().rectangle(0, 0, 100, 100).placeable(0, 0, 100, 100, 96),
            PictureFormat::Wmf, {100, 100});
        row("svg", greenSvg, PictureFormat::Svg, {40, 20});
        row("svg with declaration", "\xEF\xBB\xBF<?xml version='1.0'?>\n" + greenSvg,
            PictureFormat::Svg, {40, 20});
    }
    void readsEveryFormat() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QFETCH(QSize, size);
        PictureLoader loader;
        const Picture picture = loader.read(bytes);
        QVERIFY2(!picture.isNull(), qPrintable(loader.errorString()));
        QCOMPARE(int(picture.format()), format);
        QCOMPARE(picture.size(), size);
        COMPARE_COLOUR(picture.image(), size.width() / 2, size.height() / 2, QColor(Qt::green));
        for (qsizetype n = 0; format != int(PictureFormat::Svg) && n < bytes.size(); ++n)
            QVERIFY2(PictureLoader().read(bytes.left(n)).isNull(),
                     qPrintable(u"cut to %1 bytes, it still loads"_s.arg(n)));
    }
    // Plain 24-bit bitmaps, bottom-up and top-down, with padded rows: every pixel in its place.
    void reads24BitRowsInOrder() {
        QImage pattern(5, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                pattern.setPixel(x, y, qRgb(40 * x, 80 * y, 10 + x + 3 * y));
        const QByteArray bottomUp = encoded(pattern, "BMP");
        QByteArray topDown = bottomUp.left(54);
        qToLittleEndian<qint32>(-3, topDown.data() + 22);
        for (int y = 0; y < 3; ++y)
            topDown += bottomUp.mid(54 + (2 - y) * 16, 16);
        QCOMPARE(PictureLoader().read(bottomUp).image(), pattern);
        QCOMPARE(PictureLoader().read(topDown).image(), pattern);
    }

    // Each with its reason; a picture bomb is told apart from a broken file by the size it claims.
    // Broken bitmaps, icons and metafiles are also fed to the fuzz targets.
    void brokenFilesFail_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QByteArray bomb = tinyGif; // the GIF's screen and image: 60000 x 60000
        for (const int at : {6, 8, 24, 26})
            qToLittleEndian<quint16>(60000, bomb.data() + at);
        QTest::newRow("text") << QByteArray("hello, this is not a picture\n")
                              << u"読み込める形式の絵ではありません"_s;
        QTest::newRow("ico with no images")
            << QByteArray("\0\0\1\0\0\0", 6) << u"アイコンファイルに絵がありません"_s;
        QTest::newRow("svg that is not")
            << QByteArray("<svg this is <<< broken") << u"SVG ファイルを読み込めません"_s;
        QTest::newRow("bomb") << bomb << u"絵が大きすぎます（60000 × 60000）"_s;
    }
    void brokenFilesFail() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        PictureLoader loader;
        QVERIFY(loader.read(bytes).isNull());
        QCOMPARE(loader.errorString(), reason);
    }
};

class WmfTest : public QObject {
    Q_OBJECT
private slots:
    // Placeable: 1440 units per inch makes 2880 x 1440 units 2 x 1 inch, 192 x 96 pixels.
    // Plain without a window: the drawing itself is measured.
    void sizeAndFrame() {
        WmfWriter w;
        w.solidBrush(Qt::red).select(0).pen(5, 0, Qt::black).select(1).rectangle(10, 20, 70, 50);
        QCOMPARE(PictureLoader().read(w.placeable(0, 0, 2880, 1440, 1440)).size(), QSize(192, 96));
        const auto plain = WmfDocument::parse(w.plain(), nullptr);
        QVERIFY(plain);
        QCOMPARE(plain->frame().toRect(), QRect(10, 20, 60, 30));
    }

    // Objects, odd records, arcs and bitmaps, seen at known pixels of a 100 x 100 picture.
    void recordsPaint_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Probes>("probes");
        const QColor none = Qt::transparent, green = Qt::green, red = Qt::red, blue = Qt::blue;
        const auto row = [](const char *name, const WmfWriter &w, const Probes &probes) {
            QTest::newRow(name) << w.placeable(0, 0, 100, 100, 96) << probes;
        };
        // A deleted object's slot is the next one filled, as in GDI.
        row("deleted slot is reused",
            canvas(red).remove(1).solidBrush(green).select(1).rectangle(0, 0, 100, 100),
            {{{50, 50}, green}});
        // Unknown records, a polygon claiming more points than it has and a missing object
        // skip only themselves.
        WmfWriter odd = canvas(blue).record(0x0999, {1, 2, 3}).record(0x0324, {30000, 0, 0});
        row("odd records are skipped", odd.select(77).rectangle(0, 0, 100, 100),
            {{{50, 50}, blue}});
        // Metafile arcs run counter-clockwise on the device whatever the mapping: a quarter
        // from 3 o'clock to 12 o'clock of the circle filling the picture.
        WmfWriter upward = canvas(red).windowOrg(0, 100).windowExt(100, -100);
        row("pie in an upward window", upward.record(0x081A, {100, 50, 50, 100, 100, 100, 0, 0}),
            {{{75, 25}, red}, {{60, 40}, red}, {{25, 75}, none}, {{75, 75}, none}});
        const QByteArray dib = encoded(fourColours(), "BMP").mid(14); // a 24-bit DIB
        row("stretchdibits mirrored",
            canvas().raw(0x0F43, blit(0xCC0020, {0, 2, 2, 0, 0, 100, -100, 0, 100}, dib)),
            {{{20, 20}, green}, {{80, 20}, red}, {{20, 80}, Qt::white}});
    }
    void recordsPaint() {
        QFETCH(QByteArray, file);
        QFETCH(Probes, probes);
        PictureLoader loader;
        const Picture picture = loader.read(file);
        QVERIFY2(!picture.isNull(), qPrintable(loader.errorString()));
        for (const auto &[at, colour] : probes)
            COMPARE_COLOUR(picture.image(), at.x(), at.y(), colour);
    }
};

class PictureCacheTest : public QObject {
    Q_OBJECT
private:
    // Squares of 100 x 100 pixels (40000 bytes once decoded), square i of hue 50 * i.
    static QStringList squares(const TempFolder &folder, int count) {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QImage square = solid(100, 100, QColor::fromHsv(i * 50, 255, 255));
            paths << folder.write(u"%1.png"_s.arg(i), encoded(square, "PNG"));
        }
        return paths;
    }
    // The program's loader, counting the cache's decodes; `first` runs before the first.
    static PictureCache::Decoder counting(
        std::atomic<int> &decodes, std::function<void()> first = [] {}) {
        return [&decodes, first](const QString &path, const PictureSizeRule &size, QString *error) {
            if (decodes++ == 0)
                first();
            PictureLoader loader;
            loader.setSizeRule(size);
            Picture picture = loader.read(path);
            if (error)
                *error = loader.errorString();
            return picture;
        };
    }

private slots:
    // A second request, in room for two, decodes nothing; the least recently used goes
    // first; a changed file is decoded again.
    void decodesOnceAndDropsLeastRecent() {
        TempFolder folder;
        const QStringList paths = squares(folder, 3);
        const QString &a = paths[0], &b = paths[1], &c = paths[2];
        std::atomic<int> decodes = 0;
        PictureCache cache(100000, counting(decodes));
        for (const QString &path : {a, b, a, a, c})
            QCOMPARE(cache.picture(path).size(), QSize(100, 100));
        QVERIFY(cache.contains(a) && !cache.contains(b) && cache.contains(c));
        QCOMPARE(cache.totalBytes(), qsizetype(80000));
        QCOMPARE(decodes.load(), 3);

        folder.write(u"0.png"_s, encoded(solid(30, 10, Qt::blue), "PNG"));
        QCOMPARE(cache.picture(a).size(), QSize(30, 10));
        QCOMPARE(decodes.load(), 4);
    }

    // Preloading fills free room only, first pictures first, at the size the rule asks for. A
    // new set needing more than the room left pushes out the old set, keeps a picture both
    // share, and is prepared whole.
    void preloadReplacesTheSetWithinBudget() {
        TempFolder folder;
        const QStringList paths = squares(folder, 5);
        std::atomic<int> decodes = 0;
        PictureCache cache(35000, counting(decodes)); // room for three at 50 x 50
        cache.setSizeRule([](const QSize &natural) { return natural / 2; });
        cache.preload(paths.mid(0, 2) + paths.mid(0, 4) + QStringList{folder.file(u"gone.png"_s)});
        QVERIFY(QTest::qWaitFor([&] { return !cache.isPreloading(); }));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(cache.contains(paths[i]), i < 3);
        QCOMPARE(cache.totalBytes(), qsizetype(3 * 50 * 50 * 4));
        QCOMPARE(cache.picture(paths[0]).size(), QSize(100, 100));
        QCOMPARE(cache.scaled(paths[0], QSize(50, 50)).cacheKey(),
                 cache.picture(paths[0]).image().cacheKey());
        QVERIFY2(decodes <= 4, "those listed twice are decoded once; 3 may be decoded, not kept");

        decodes = 0;
        cache.preload(paths.mid(2, 3));
        QVERIFY(QTest::qWaitFor([&] { return !cache.isPreloading(); }));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(cache.contains(paths[i]), i >= 2);
        QCOMPARE(decodes.load(), 2);
        QVERIFY(cache.totalBytes() <= cache.maxBytes());
    }

    // A key pressed while its picture waits in the queue gets it at once, decoded by the caller
    // at the shown size without waiting for the worker busy with the first (nor for its lock);
    // the rest is prepared after, and nothing is decoded twice.
    void pressedPictureJumpsTheQueue() {
        TempFolder folder;
        const QStringList paths = squares(folder, 6);
        QSemaphore started, gate; // the worker's first decode waits at the gate
        std::atomic<int> decodes = 0;
        const auto waitAtTheGate = [&] {
            started.release();
            gate.tryAcquire(1, 2000); // held longer only when the caller waits for it
        };
        PictureCache cache(1000000, counting(decodes, waitAtTheGate));
        // The gate opens before the cache is destroyed, also when a check fails.
        const auto opener = qScopeGuard([&gate] { gate.release(); });
        cache.setSizeRule([](const QSize &natural) { return natural / 2; });
        cache.preload(paths);
        started.acquire();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(cache.scaled(paths[5], QSize(50, 50)).pixel(25, 25),
                 QColor::fromHsv(250, 255, 255).rgb());
        QVERIFY2(clock.elapsed() < 1000, "the press waited for the background decode");
        QCOMPARE(cache.picture(paths[5]).image().size(), QSize(50, 50));
        QCOMPARE(decodes.load(), 2); // the first of the list and the pressed one only
        gate.release();
        QVERIFY(QTest::qWaitFor([&] { return !cache.isPreloading(); }));
        QCOMPARE(cache.count(), 6);
        QCOMPARE(decodes.load(), 6);
    }
};

class FileTitleTest : public QObject {
    Q_OBJECT
private slots:
    void titles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title"); // null: invalid path
        QTest::newRow("windows path") << u"C:\\PIKORO\\wav\\a.wav"_s << u"a.wav"_s;
        QTest::newRow("parent folder") << u"/snd/.."_s << QString();
        QTest::newRow("255 bytes") << u"/"_s + QString(85, u'音') << QString(85, u'音');
        QTest::newRow("256 bytes") << u"/"_s + QString(85, u'音') + u'x' << QString();
    }
    void titles() {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(fileTitle(path).has_value(), !title.isNull());
        QCOMPARE(fileTitle(path).value_or(QString()), title);
    }
};

PIKORO_TEST_CLASS(PictureLoaderTest)
PIKORO_TEST_CLASS(WmfTest)
PIKORO_TEST_CLASS(PictureCacheTest)
PIKORO_TEST_CLASS(FileTitleTest)

#include "tst_pictures.moc"
