#include "TestRunner.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/ScriptedDialogs.h"
#include "app/ThreeDControls.h"
#include "app/UserStore.h"
#include "media/AudioOutput.h"
#include "media/MediaServices.h"
#include "media/RecordingMedia.h"
#include "play/HelpViewer.h"
#include "play/InfoWindows.h"
#include "play/UserNameWindow.h"
#include "settings/SettingsWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

// Collects every text that is wider (or, wrapped, taller) than the room it is shown in.
struct CutTexts {
    QStringList cut;

    void check(const QString &where, const QFont &font, const QString &text, const QRect &room,
               int flags = Qt::TextSingleLine) {
        if (text.isEmpty())
            return;
        const QFontMetrics metrics(font);
        const QRect needed = metrics.boundingRect(room, flags, text);
        const bool fits = (flags & Qt::TextWordWrap)
                              ? needed.width() <= room.width() && needed.height() <= room.height()
                              : metrics.horizontalAdvance(text) <= room.width();
        if (!fits)
            cut << u"%1 \"%2\": %3 px in %4 px"_s.arg(where, text)
                       .arg((flags & Qt::TextWordWrap) ? needed.height() : needed.width())
                       .arg((flags & Qt::TextWordWrap) ? room.height() : room.width());
    }

    // Captions, labels, buttons and drop-down boxes of a window and everything in it.
    void walk(const QString &where, QWidget *window) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (auto *menu = qobject_cast<QMenu *>(w)) {
                walkMenu(where, menu); // a window of its own, hidden until it drops down
                continue;
            }
            if (w->isHidden())
                continue;
            if (auto *control = qobject_cast<ThreeDControl *>(w)) {
                check(where, control->font(), control->caption(), control->captionRect());
            } else if (auto *label = qobject_cast<QLabel *>(w)) {
                check(where, label->font(), label->text(), label->contentsRect(),
                      label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
            } else if (auto *button = qobject_cast<QPushButton *>(w)) {
                const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin);
                check(where, button->font(), button->text(),
                      button->rect().adjusted(margin, 0, -margin, 0));
            } else if (auto *box = qobject_cast<QComboBox *>(w)) {
                QStyleOptionComboBox option;
                option.initFrom(box);
                const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                                 QStyle::SC_ComboBoxEditField, box);
                for (int i = 0; i < box->count(); ++i)
                    check(where, box->font(), box->itemText(i), field);
            } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
                for (int i = 0; i < tabs->count(); ++i)
                    check(where, tabs->font(), tabs->tabText(i), tabs->tabRect(i));
            }
        }
    }

    // A menu gives each caption the width it measures with the access mark hidden; what is
    // drawn is every other character, a second "&" included.
    void walkMenu(const QString &where, QMenu *menu) {
        const QFontMetrics metrics(menu->font());
        for (QAction *item : menu->actions()) {
            if (item->isSeparator())
                continue;
            QString drawn = item->text();
            const qsizetype mark = drawn.indexOf(u'&');
            if (mark >= 0)
                drawn.remove(mark, 1);
            drawn.replace(u"&&"_s, u"&"_s);
            const int reserved = metrics.size(Qt::TextShowMnemonic, item->text()).width();
            check(where + u" menu"_s, menu->font(), drawn, QRect(0, 0, reserved, 100));
        }
    }
};

} // namespace

class TextRoomTest : public QObject {
    Q_OBJECT
private slots:
    // Every text shows whole in every window, at zoom 1 and at the largest keyboard size.
    void everyTextShowsWhole_data() {
        QTest::addColumn<double>("zoom");
        QTest::newRow("1") << 1.0;
        QTest::newRow("3") << 3.0;
    }
    void everyTextShowsWhole() {
        QFETCH(double, zoom);
        AppState state;
        state.keyboardZoom = zoom;
        ScriptedDialogs dialogs;
        ManualAudioOutput audio;
        RecordingWavePlayer wave;
        RecordingMciDevice mci;
        RecordingSpeech speech;
        MediaServices media{audio, wave, mci, speech};
        MemoryUserStore store;
        RecordingHelpViewer help;
        CutTexts texts;

        MainWindow main(state, dialogs, media, store, help);
        main.hyouji(QSize(int(800 * zoom), int(600 * zoom)));
        texts.walk(u"main window"_s, &main);

        SettingsWindow settings(state, dialogs, media, store, help, nullptr, zoom);
        settings.Form_Load();
        texts.walk(u"settings"_s, &settings);

        UserNameWindow userName(store, dialogs);
        texts.walk(u"user name"_s, &userName);

        AboutWindow about(u"/nowhere"_s, wave, dialogs);
        texts.walk(u"version"_s, &about);

        QuitHelpWindow quitHelp(dialogs);
        texts.walk(u"how to quit"_s, &quitHelp);
        // Its lines are painted: none may run into the right margin (100 twips).
        const QImage page = quitHelp.grab().toImage();
        const QRgb paper = page.pixel(page.width() - 1, 0);
        bool marginClean = true;
        for (int x = page.width() - 100 / 15; x < page.width(); ++x)
            for (int y = 0; y < page.height(); ++y)
                marginClean = marginClean && page.pixel(x, y) == paper;
        if (!marginClean)
            texts.cut << u"how to quit: a painted line runs into the right margin"_s;

        HelpWindowViewer helpWindow;
        helpWindow.WinHelp(nullptr, u"/nowhere/pikoro.hlp"_s, HELP_FINDER);
        QWidget *shown = helpWindow.window();
        QVERIFY(shown);
        texts.check(u"help window title"_s, QApplication::font(), shown->windowTitle(),
                    shown->rect());

        QVERIFY2(texts.cut.isEmpty(), qPrintable(texts.cut.join(u'\n')));
    }
};

PIKORO_TEST_CLASS(TextRoomTest)
#include "tst_textroom.moc"
