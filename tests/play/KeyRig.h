#pragma once

#include "ManualAudioOutput.h"
#include "TempFolder.h"

#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "core/AppState.h"
#include "media/AudioOutput.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "media/PictureLoader.h"
#include "play/KeyActions.h"
#include "play/MainScreenView.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <atomic>
#include <map>
#include <utility>

namespace pikoro::test {

// A main screen without widgets: remembers what the key actions asked of it.
class FakeMainScreen : public MainScreenView {
public:
    struct Shown {
        QImage image;
        QRect area;
    };

    void setButtonEnabled(ScreenButton array, int index, bool on) override {
        enabled[{array, index}] = on;
    }
    // As the start-up leaves them: every button on but the stop button.
    bool isButtonEnabled(ScreenButton array, int index) const override {
        const auto it = enabled.find({array, index});
        return it == enabled.end() ? array != ScreenButton::StopPiece : it->second;
    }
    void focusButton(ScreenButton array, int index) override { focus.append({array, index}); }
    void setSoundName(const QString &caption) override { soundNames.append(caption); }
    QSize pictureFrameSize() const override { return frame; }
    QRect pictureArea() const override { return area; }
    void showPicture(const QImage &image, const QRect &where) override {
        shown.append({image, where});
        area = where;
    }
    void startDance() override { dancing = true; }
    void stopDance() override { dancing = false; }
    void endMemoryPlayback() override {}
    void unloadSplash() override { ++splashUnloads; }

    QString soundName() const { return soundNames.isEmpty() ? QString() : soundNames.last(); }
    // The opening button, special keys 0-8 and function keys 0-11 all have the given state, the
    // stop button the other.
    bool midiButtons(bool on) const {
        bool same = isButtonEnabled(ScreenButton::Opening, 0) == on &&
                    isButtonEnabled(ScreenButton::StopPiece, 0) != on;
        for (int i = 0; i < 12; ++i) {
            same = same && isButtonEnabled(ScreenButton::FunctionKey, i) == on &&
                   (i >= 9 || isButtonEnabled(ScreenButton::SpecialKey, i) == on);
        }
        return same;
    }

    std::map<std::pair<ScreenButton, int>, bool> enabled; // not listed = enabled
    QList<std::pair<ScreenButton, int>> focus;
    QStringList soundNames;
    QSize frame{8400, 6400};
    QRect area{150, 150, 8100, 6100};
    QList<Shown> shown;
    bool dancing = false;
    int splashUnloads = 0;
};

// Everything the key actions work with, recorded, plus a temporary application folder.
// The picture cache counts how often it really decodes a file.
struct KeyRig {
    // With a device, MIDI goes there instead of the recording one.
    explicit KeyRig(MciDevice *device = nullptr)
        : media{audio, wave, device ? *device : mci, speech},
          pictures(PictureCache::DefaultMaxBytes,
                   [this](const QString &path, const PictureSizeRule &size, QString *error) {
                       ++decodes;
                       if (beforeDecode)
                           beforeDecode(path);
                       PictureLoader loader;
                       loader.setSizeRule(size);
                       Picture picture = loader.read(path);
                       if (picture.isNull() && error)
                           *error = loader.errorString();
                       return picture;
                   }) {
        state.applicationFolder = folder.path();
    }

    // Writes a BMP of the given size (a different colour per call) and returns its path.
    QString bitmap(const QString &name, const QSize &size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((++colours * 40) % 360, 200, 220));
        const QString path = folder.file(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        image.save(path, "BMP");
        return path;
    }

    TempFolder folder;
    AppState state;
    FakeMainScreen view;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMciDevice mci;
    RecordingSpeech speech;
    MediaServices media;
    ScriptedDialogs dialogs;
    std::atomic<int> decodes = 0; // the cache also decodes on its worker thread
    std::function<void(const QString &path)> beforeDecode; // may run on the worker thread
    int colours = 0;
    PictureCache pictures;
    KeyActions keys{state, view, media, dialogs, pictures};
};

} // namespace pikoro::test
