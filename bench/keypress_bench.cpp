// Measures how long a key press takes until its picture is ready to paint (decoded, fitted and
// scaled to the picture area) and until it is painted: the picture area of a 1920 x 1080 screen,
// enlarged by the keyboard zoom, drawn into an image the screen's size. A first press decodes the
// file (a large JPEG straight at the size it is shown at); a later press of a picture seen before
// is served by the picture cache, and so is every press once the pictures of all slots were
// prepared in the background. The pictures are generated in a temporary folder.
//
// Given a folder of photos (bench/make_photos.py writes photo-like ones), it also measures the
// photo set: a data file of 43 photos opened as the settings window opens it, over a set of
// bitmaps prepared before, then every key once.

#include "ManualAudioOutput.h"
#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "core/AppState.h"
#include "core/DataFile.h"
#include "core/KeySlots.h"
#include "core/MainLayout.h"
#include "core/SettingsSession.h"
#include "core/Twips.h"
#include "media/AudioOutput.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "media/WavePlayer.h"
#include "play/KeyActions.h"
#include "play/MainScreenView.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

constexpr QSize ScreenPixels{1920, 1080};
const double Zoom = automaticZoom(ScreenPixels);
// The picture frame of the main screen on that screen, in twips before the zoom.
const QSize FrameTwips =
    MainLayout(designScreenTwips(ScreenPixels, Zoom)).layoutMainScreen().pictureFrame.size();

// A main screen that keeps only the last picture handed to it.
class BenchScreen : public MainScreenView {
public:
    void setButtonEnabled(ScreenButton, int, bool) override {}
    void focusButton(ScreenButton, int) override {}
    void setStatusLine(const QString &) override {}
    QSize pictureFrameSize() const override { return FrameTwips; }
    QRect pictureArea() const override { return area; }
    void showPicture(const QImage &image, const QRect &where) override {
        shown = image;
        area = where;
    }
    void setMemoryCounter(const QString &) override {}
    void setMemoryPlaybackEnabled(bool) override {}
    void setMemorySwitchOn(bool) override {}
    void showMascotFrame(int) override {}
    QSize danceArea() const override { return {}; }
    void showDanceScene(const DanceState &) override {}
    void hideDance() override {}

    QImage shown;
    QRect area{150, 150, FrameTwips.width() - 300, FrameTwips.height() - 300};
};

// Something with detail everywhere, so the encoders cannot make it trivially small.
QImage busyPicture(const QSize &size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(30, 120, 220));
    sky.setColorAt(1, QColor(250, 200, 60));
    painter.fillRect(image.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 400; ++i) {
        const int x = (i * 7919) % size.width();
        const int y = (i * 104729) % size.height();
        painter.setBrush(QColor::fromHsv((i * 37) % 360, 180, 230));
        painter.drawEllipse(QPoint(x, y), 20 + i % 60, 20 + i % 40);
    }
    return image;
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Figures {
    double min = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
};

Figures summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const std::size_t p99 = std::min(ms.size() - 1, std::size_t(std::ceil(ms.size() * 0.99)) - 1);
    return {ms.front(), ms[ms.size() / 2], ms[p99], ms.back()};
}

// Everything a key press touches, with sounds and dialogs recorded instead of played.
struct Bench {
    Bench() { state.flags.playSounds = false; }

    // Presses key `index` (digits are 100 + digit) and returns the milliseconds until its
    // picture was ready; cpuMs receives the processor time this thread spent on it, which other
    // programs on a busy machine do not stretch, and paintedMs the milliseconds until the
    // picture area was painted.
    double press(int index, double *cpuMs = nullptr, double *paintedMs = nullptr) {
        QElapsedTimer clock;
        const double cpuStart = threadCpuMs();
        clock.start();
        if (index >= 100)
            keys.onDigitClicked(index - 100);
        else
            keys.onLetterClicked(index);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (cpuMs)
            *cpuMs = threadCpuMs() - cpuStart;
        area.setGeometry(twipsToPixels(view.area, Zoom));
        area.setPicture(view.shown);
        area.render(&screen, area.geometry().topLeft());
        if (paintedMs)
            *paintedMs = double(clock.nsecsElapsed()) / 1e6;
        keys.onSoundDelayElapsed();
        if (view.shown.isNull())
            std::fprintf(stderr, "key %d showed no picture\n", index);
        return ms;
    }

    AppState state;
    BenchScreen view;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMidiDevice midi;
    RecordingSpeech speech;
    MediaServices media{audio, wave, midi, speech};
    ScriptedDialogs dialogs;
    PictureCache pictures;
    KeyActions keys{state, view, media, dialogs, pictures};
    PictureArea area;
    QImage screen{ScreenPixels, QImage::Format_RGB32};
};

void measure(const QString &label, const QString &path, const QString &other) {
    constexpr int FirstLoads = 5;
    constexpr int Hits = 50;
    Bench bench;
    // Key 0 carries the picture measured; key 1 another picture, so that every press of key 0
    // counts as a new key and is really drawn.
    bench.state.tables.keyPictures[0] = path;
    bench.state.tables.keyPictures[1] = other;

    std::vector<double> first;
    std::vector<double> firstCpu;
    for (int i = 0; i < FirstLoads; ++i) {
        bench.pictures.clear();
        double cpu = 0;
        first.push_back(bench.press(0, &cpu));
        firstCpu.push_back(cpu);
        bench.press(1);
    }
    std::vector<double> hits;
    std::vector<double> painted;
    for (int i = 0; i < Hits; ++i) {
        double paintedMs = 0;
        hits.push_back(bench.press(0, nullptr, &paintedMs));
        painted.push_back(paintedMs);
        bench.press(1);
    }
    const Figures cold = summarise(first);
    const Figures warm = summarise(hits);
    QTextStream out(stdout);
    out << label
        << u": first load median %1 ms (min %2, processor time median %5 ms), cache hit median"
           " %3 ms (min %4, painted %6 ms),"_s.arg(cold.median, 0, 'f', 2)
               .arg(cold.min, 0, 'f', 2)
               .arg(warm.median, 0, 'f', 3)
               .arg(warm.min, 0, 'f', 3)
               .arg(summarise(firstCpu).median, 0, 'f', 2)
               .arg(summarise(painted).median, 0, 'f', 3)
        << u" picture %1 x %2 px\n"_s.arg(bench.view.shown.width()).arg(bench.view.shown.height());
}

// Every letter, digit and other key slot with a picture of its own, as the prepared content has
// them (640 x 360 bitmaps), with a few photos among them; the pictures are prepared in the
// background first, then every key is pressed in turn, 10 rounds.
void measurePreloaded(const QTemporaryDir &folder) {
    Bench bench;
    QList<int> keys;
    for (int slot = 0; slot < OpeningPictureSlot; ++slot) {
        const bool photo = slot % 8 == 3;
        const QString path = folder.filePath(u"slot%1.%2"_s.arg(slot).arg(photo ? "jpg" : "bmp"));
        busyPicture(photo ? QSize(4000, 3000) : QSize(640, 360)).save(path, photo ? "JPEG" : "BMP");
        bench.state.tables.keyPictures[slot] = path;
        keys << slot;
    }
    for (int digit = 0; digit < DigitCount; ++digit) {
        const QString path = folder.filePath(u"digit%1.bmp"_s.arg(digit));
        busyPicture(QSize(640, 360)).save(path, "BMP");
        bench.state.tables.digitPictures[digit] = path;
        keys << 100 + digit;
    }
    QElapsedTimer preload;
    preload.start();
    bench.keys.preloadPictures();
    while (bench.pictures.isPreloading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double preloadMs = double(preload.nsecsElapsed()) / 1e6;
    const int kept = bench.pictures.count();
    std::vector<double> ms;
    std::vector<double> painted;
    for (int round = 0; round < 10; ++round) {
        for (const int key : keys) {
            double paintedMs = 0;
            ms.push_back(bench.press(key, nullptr, &paintedMs));
            painted.push_back(paintedMs);
        }
    }
    const Figures f = summarise(ms);
    const Figures p = summarise(painted);
    QTextStream(stdout) << u"After preloading %1 pictures in %2 ms (%3 MB): %4 presses over every "
                           "slot, ready p50 %5 ms, p99 %6 ms, max %7 ms; painted p50 %8 ms, p99 %9 "
                           "ms, max %10 ms\n"_s.arg(kept)
                               .arg(preloadMs, 0, 'f', 0)
                               .arg(double(bench.pictures.totalBytes()) / 1e6, 0, 'f', 1)
                               .arg(ms.size())
                               .arg(f.median, 0, 'f', 3)
                               .arg(f.p99, 0, 'f', 3)
                               .arg(f.max, 0, 'f', 3)
                               .arg(p.median, 0, 'f', 3)
                               .arg(p.p99, 0, 'f', 3)
                               .arg(p.max, 0, 'f', 3);
}

// The keys that show a picture of the tables: every letter and other key slot, then the digits.
QList<int> pictureKeys() {
    QList<int> keys;
    for (int slot = 0; slot < OpeningPictureSlot; ++slot)
        keys << slot;
    for (int digit = 0; digit < DigitCount; ++digit)
        keys << 100 + digit;
    return keys;
}

QString describe(const Figures &f) {
    return u"p50 %1 ms, max %2 ms"_s.arg(f.median, 0, 'f', 2).arg(f.max, 0, 'f', 2);
}

// The photo set: 43 photos (the folder's, repeated if fewer) in a data file opened as the
// settings window's ファイル > 開く opens it, while the bitmaps of every slot are kept from the
// set before; then the pictures are prepared as the main window has them prepared after that.
// `pauseMs` between presses: 0 presses every key at once while the photos are still being
// prepared (in the order the preparing reaches last, so each press jumps the queue); -1 waits
// until all are prepared first.
void measurePhotoSet(const QTemporaryDir &folder, const QStringList &photos, int pauseMs) {
    Bench bench;
    const QList<int> keys = pictureKeys();
    for (int slot = 0; slot < KeyPictureCount; ++slot) {
        const QString path = folder.filePath(u"old%1.bmp"_s.arg(slot));
        if (!QFileInfo::exists(path))
            busyPicture(QSize(640, 360)).save(path, "BMP");
        bench.state.tables.keyPictures[slot] = path;
    }
    bench.keys.preloadPictures();
    while (bench.pictures.isPreloading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const int oldKept = bench.pictures.count();

    AssignmentTables tables;
    for (int i = 0; i < KeyPictureCount; ++i)
        tables.keyPictures[i] = photos[i % photos.size()];
    for (int i = 0; i < DigitCount; ++i)
        tables.digitPictures[i] = photos[(KeyPictureCount + i) % photos.size()];
    const QString dataFile = folder.filePath(u"photos.pik"_s);
    if (!DataFile::write(dataFile, tables)) {
        std::fprintf(stderr, "cannot write the data file\n");
        return;
    }
    SettingsSession session(bench.state, bench.dialogs);
    bench.dialogs.answerText(dataFile);
    QElapsedTimer sinceOpened;
    sinceOpened.start();
    if (!session.openDataFile()) {
        std::fprintf(stderr, "cannot open the data file\n");
        return;
    }
    bench.keys.preloadPictures();
    double preparedMs = -1;
    const auto allPrepared = [&] {
        if (preparedMs < 0 && !bench.pictures.isPreloading())
            preparedMs = double(sinceOpened.nsecsElapsed()) / 1e6;
        return preparedMs >= 0;
    };
    if (pauseMs < 0) {
        while (!allPrepared())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::vector<double> ready;
    std::vector<double> painted;
    int slow = 0;
    for (auto key = keys.crbegin(); key != keys.crend(); ++key) {
        double paintedMs = 0;
        ready.push_back(bench.press(*key, nullptr, &paintedMs));
        painted.push_back(paintedMs);
        slow += paintedMs > 30 ? 1 : 0;
        allPrepared();
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < pauseMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    while (!allPrepared())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    int kept = 0;
    for (const QString &path : bench.state.tables.keyPictures)
        kept += bench.pictures.contains(path) ? 1 : 0;
    for (const QString &path : bench.state.tables.digitPictures)
        kept += bench.pictures.contains(path) ? 1 : 0;
    const QString when = pauseMs < 0    ? u"after all were prepared"_s
                         : pauseMs == 0 ? u"at once, while they were being prepared"_s
                                        : u"one every %1 ms from the opening"_s.arg(pauseMs);
    QTextStream(stdout) << u"Photo set over %1 kept bitmaps: %2 of %3 photos prepared (%4 MB of"
                           " %5 MB), all in %6 ms after opening; %7 keys pressed %8: ready %9,"
                           " painted %10; %11 over 30 ms\n"_s.arg(oldKept)
                               .arg(kept)
                               .arg(KeyPictureCount + DigitCount)
                               .arg(double(bench.pictures.totalBytes()) / 1e6, 0, 'f', 1)
                               .arg(double(bench.pictures.maxBytes()) / 1e6, 0, 'f', 1)
                               .arg(preparedMs, 0, 'f', 0)
                               .arg(keys.size())
                               .arg(when)
                               .arg(describe(summarise(ready)))
                               .arg(describe(summarise(painted)))
                               .arg(slow);
}

// Writes `seconds` of a 440 Hz tone as 16-bit PCM at 44.1 kHz: a typical key sound that needs
// resampling to the device rate.
bool writeTone(const QString &path, double seconds) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<short> samples(std::size_t(seconds * info.samplerate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = short(12000 * std::sin(2 * M_PI * 440 * double(i) / info.samplerate));
    const bool ok = sf_write_short(file, samples.data(), sf_count_t(samples.size())) ==
                    sf_count_t(samples.size());
    sf_close(file);
    return ok;
}

// The WAVE step's own cost: decoding and resampling the file and handing it to the mixer. The
// first sample then goes out with the next device buffer (512 frames, 10.7 ms at 48 kHz).
void measureWave(const QString &path) {
    ManualAudioOutput output;
    AudioWavePlayer player(output);
    std::vector<double> ms;
    for (int run = 0; run < 20; ++run) {
        player.stop();
        QElapsedTimer timer;
        timer.start();
        player.play(path, WavePlayer::Repeat::Once);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const std::vector<float> first = output.render(512);
    const bool audible = std::any_of(first.begin(), first.end(), [](float v) { return v != 0; });
    const Figures f = summarise(ms);
    QTextStream(stdout) << u"WAVE step, 2 s 44.1 kHz 16-bit tone: median %1 ms, max %2 ms to start;"
                           " first device buffer %3\n"_s.arg(f.median, 0, 'f', 2)
                               .arg(*std::max_element(ms.begin(), ms.end()), 0, 'f', 2)
                               .arg(audible ? u"audible"_s : u"SILENT"_s);
}

} // namespace

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString bmp = folder.filePath(u"full-hd.bmp"_s);
    const QString jpeg = folder.filePath(u"photo.jpg"_s);
    const QString small = folder.filePath(u"small.bmp"_s);
    if (!busyPicture(QSize(1920, 1080)).save(bmp, "BMP") ||
        !busyPicture(QSize(4000, 3000)).save(jpeg, "JPEG", 90) ||
        !busyPicture(QSize(64, 48)).save(small, "BMP")) {
        std::fprintf(stderr, "cannot write the test pictures\n");
        return 1;
    }
    QTextStream(stdout) << u"Key press to picture ready, picture frame %1 x %2 twips, zoom %3\n"_s
                               .arg(FrameTwips.width())
                               .arg(FrameTwips.height())
                               .arg(Zoom);
    measure(u"1920 x 1080 BMP"_s, bmp, small);
    // Photos from the folder given, if any: bench/make_photos.py writes photo-like ones.
    QStringList photos;
    if (argc > 1) {
        const QDir photoFolder(QString::fromLocal8Bit(argv[1]));
        for (const QString &name : photoFolder.entryList({u"*.jpg"_s, u"*.jpeg"_s}, QDir::Files))
            photos << photoFolder.filePath(name);
        if (photos.isEmpty()) {
            std::fprintf(stderr, "no JPEG files in %s\n", argv[1]);
            return 1;
        }
    }
    measure(u"4000 x 3000 JPEG, generated"_s, jpeg, small);
    if (!photos.isEmpty()) {
        const QImageReader first(photos.first());
        measure(u"%1 x %2 photo JPEG, %3 MB"_s.arg(first.size().width())
                    .arg(first.size().height())
                    .arg(double(QFileInfo(photos.first()).size()) / 1e6, 0, 'f', 1),
                photos.first(), small);
    }
    measurePreloaded(folder);
    if (!photos.isEmpty()) {
        measurePhotoSet(folder, photos, -1);
        measurePhotoSet(folder, photos, 200);
        measurePhotoSet(folder, photos, 0);
    }
    const QString tone = folder.filePath(u"tone.wav"_s);
    if (!writeTone(tone, 2.0)) {
        std::fprintf(stderr, "cannot write the test sound\n");
        return 1;
    }
    measureWave(tone);
    return 0;
}
