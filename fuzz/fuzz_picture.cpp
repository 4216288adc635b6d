// Picture readers, one target per format (FUZZ_FORMAT = BMP, ICO or WMF): any bytes give a
// picture or a reason, and a picture that loads has a size we can show and pixels to match.

#include "FuzzInput.h"
#include "media/PictureLoader.h"
#include "media/WmfDocument.h"

#include <QGuiApplication>

#include <algorithm>

using namespace pikoro;
using namespace pikoro::fuzz;

namespace {

#define FUZZ_FORMAT_BMP PictureFormat::Bmp
#define FUZZ_FORMAT_ICO PictureFormat::Ico
#define FUZZ_FORMAT_WMF PictureFormat::Wmf
#define FUZZ_FORMAT_OF(name) FUZZ_FORMAT_##name
#define FUZZ_FORMAT_IS(name) FUZZ_FORMAT_OF(name)
constexpr PictureFormat TargetFormat = FUZZ_FORMAT_IS(FUZZ_FORMAT);

// The largest bitmaps we decode, and the side metafiles are fitted into.
constexpr qint64 MaxPixels = qint64(16384) * 16384;
constexpr int MaxVectorSide = 4096;

void checkSize(QSize size, bool vector) {
    if (size.width() <= 0 || size.height() <= 0)
        fail("a picture loaded with an empty size");
    if (qint64(size.width()) * size.height() > MaxPixels)
        fail("a picture loaded with more pixels than any bitmap we accept");
    if (vector && (size.width() > MaxVectorSide || size.height() > MaxVectorSide))
        fail("a metafile loaded larger than its limit");
}

// Drawing an indexed picture looks every pixel up in its colour table: none may name a colour
// past it (run-length bitmaps may hold any index).
void checkColourTable(const QImage &image) {
    if (image.format() != QImage::Format_Indexed8)
        return;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        if (*std::max_element(line, line + image.width()) >= image.colorCount())
            fail("a pixel names a colour past its picture's colour table");
    }
}

// A glyph the font engine failed to render was asked of it at a size it cannot hold; what Qt
// does next reads from nowhere, which crashes the program outside the fuzzer's view.
void failOnGlyphFailure(QtMsgType, const QMessageLogContext &, const QString &message) {
    if (message.contains(QLatin1String("render glyph failed")))
        fail("the font engine failed a glyph", message);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Metafiles draw text, which needs fonts and so an application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    qInstallMessageHandler(failOnGlyphFailure);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    if (PictureLoader::detectFormat(bytes) != TargetFormat)
        return -1; // another target's business; keep it out of this corpus

    PictureLoader loader;
    const Picture picture = loader.read(bytes);
    if (picture.isNull()) {
        if (loader.errorString().isEmpty())
            fail("a picture that did not load gave no reason");
        return 0;
    }
    if (picture.format() != TargetFormat)
        fail("a picture loaded as another format than its bytes announce");
    checkSize(picture.size(), picture.isVector());
    if (picture.image().size() != picture.size())
        fail("a picture's pixels do not match its size");
    checkColourTable(picture.image());
    if (picture.scaled(QSize(37, 23)).size() != QSize(37, 23))
        fail("a picture did not scale to the size asked for");
    // A metafile is also drawn over a picture area of other proportions than its own.
    if (picture.isVector()) {
        for (const QSize stretched : {QSize(2048, 8), QSize(8, 2048)}) {
            if (picture.scaled(stretched).size() != stretched)
                fail("a metafile did not stretch to the size asked for");
        }
    }

    if constexpr (TargetFormat == PictureFormat::Wmf) {
        const auto document = WmfDocument::parse(bytes, nullptr);
        if (!document)
            fail("a metafile the loader took does not parse");
        checkSize(document->naturalSize(), true);
    }
    return 0;
}
