#include "core/KeyboardZoom.h"

#include "core/AppState.h"
#include "core/MainLayout.h"
#include "core/ProfileFile.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace pikoro::KeyboardZoom {
namespace {

// Beyond these the keyboard no longer fits any screen it would be used on.
constexpr double MinZoom = 0.5;
constexpr double MaxZoom = 4.0;

} // namespace

QString section() {
    return u"Keyboard"_s;
}

QString key() {
    return u"Zoom"_s;
}

QList<double> choices(QSize screenPixels) {
    QList<double> fitting;
    for (double zoom : {1.0, 1.25, 1.5, 2.0, 2.5, 3.0}) {
        if (keyboardZoomFits(screenPixels, zoom))
            fitting.append(zoom);
    }
    return fitting;
}

double read(const ProfileFile &profile) {
    bool ok = false;
    const double zoom = profile.readString(section(), key()).toDouble(&ok);
    if (!ok || zoom < MinZoom || zoom > MaxZoom)
        return 0.0;
    return zoom;
}

QString text(double zoom) {
    return zoom > 0.0 ? QString::number(zoom) : u"0"_s;
}

void write(ProfileFile &profile, double zoom) {
    profile.writeString(section(), key(), text(zoom));
}

} // namespace pikoro::KeyboardZoom
