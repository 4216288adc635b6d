#include "ui/SettingsWindow.h"

#include "core/Dialogs.h"
#include "core/MainLayout.h"
#include "ui/QtDialogs.h"
#include "ui/ThreeDControls.h"
#include "core/FileTitle.h"
#include "media/MediaServices.h"
#include "media/PictureLoader.h"
#include "ui/HelpViewer.h"
#include "ui/InfoWindows.h"
#include "ui/UserNameWindow.h"
#include "core/KeyboardZoom.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// Wide enough for the grids' paths and for the three key-name lists beside the options.
constexpr int WindowWidthTwips = 11100;
// Inside a list tab: the grid on the left, the file box and the buttons to its right, all
// ending at the same right edge as OK and Cancel.
constexpr int GridWidthTwips = 5600;
constexpr int RightColumnTwips = 120 + GridWidthTwips + 180;
constexpr int RightEdgeTwips = WindowWidthTwips - 360;
constexpr int BrowseWidthTwips = 900;
constexpr int WindowHeightTwips = 7050;
// The MIDI test plays for 8000 ms, although its hint speaks of ten seconds.
constexpr int MidiTestMs = 8000;

// Positions and sizes are designed in twips at 15 to a pixel; the window multiplies them by its
// zoom, as the main screen does, so that it is as readable as the keyboard behind it.
int px(int twips, double zoom) {
    return ThreeDControl::twipsToPixels(twips, zoom);
}

// Edges are rounded separately, like those of the 3-D controls, so that neighbours still touch.
void placeTwips(QWidget *widget, double zoom, int left, int top, int width, int height) {
    const int x = px(left, zoom);
    const int y = px(top, zoom);
    widget->setGeometry(x, y, px(left + width, zoom) - x, px(top + height, zoom) - y);
}

// A caption at least as large as its text needs in the window's font, so it is never cut.
QLabel *caption(const QString &text, QWidget *parent, double zoom, int left, int top, int width) {
    auto *label = new QLabel(text, parent);
    placeTwips(label, zoom, left, top, width, 300);
    const QSize needed = label->sizeHint();
    label->resize(std::max(label->width(), needed.width()),
                  std::max(label->height(), needed.height()));
    return label;
}

// 3-D controls scale their font themselves, so they are given the unscaled one.
ThreeDButton *button(const QString &text, QWidget *parent, const QFont &designFont, int left,
                     int top, int width = 1800) {
    auto *b = new ThreeDButton(parent);
    b->setCaptionFont(designFont);
    b->setCaption(text);
    b->setGeometryTwips(left, top, width, 435);
    return b;
}

QLabel *previewFrame(QWidget *parent, double zoom, int left, int top) {
    auto *image = new QLabel(parent);
    image->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    image->setAlignment(Qt::AlignCenter);
    placeTwips(image, zoom, left, top, 2100, 1650);
    return image;
}

QFont zoomed(const QFont &font, double zoom) {
    QFont result = font;
    if (font.pointSizeF() > 0)
        result.setPointSizeF(font.pointSizeF() * zoom);
    else if (font.pixelSize() > 0)
        result.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * zoom))));
    return result;
}

const char *const tabCaptions[] = {"絵ファイルの登録", "Ｗａｖｅファイルの登録",
                                   "ＭＩＤＩファイルの登録", "Options"};
const char *const kindCaptions[] = {"ＢＭＰの種類(", "ＷＡＶＥの種類(", "ＭＩＤＩの種類("};
const char *const clearHints[] = {"　絵ファイルを全てクリアします　",
                                  "　WAVEファイルを全てクリアします　",
                                  "　MIDIファイルを全てクリアします　"};

struct BrowseDialog {
    const char *title;
    const char *filter;
};
const BrowseDialog browseDialogs[] = {
    // Every kind of picture the keys show, together first, then one kind at a time.
    {"BMPファイルの選択",
     "絵ﾌｧｲﾙ (*.bmp;*.ico;*.wmf;*.png;*.jpg;*.jpeg;*.gif;*.svg)|"
     "*.bmp;*.ico;*.wmf;*.png;*.jpg;*.jpeg;*.gif;*.svg|"
     "BMPﾌｧｲﾙ (*.bmp)|*.bmp|icoﾌｧｲﾙ(*.ico)|*.ico|wmfﾌｧｲﾙ(*.wmf)|*.wmf|"
     "pngﾌｧｲﾙ(*.png)|*.png|jpegﾌｧｲﾙ(*.jpg;*.jpeg)|*.jpg;*.jpeg|gifﾌｧｲﾙ(*.gif)|*.gif|"
     "svgﾌｧｲﾙ(*.svg)|*.svg|"},
    {"WAVEファイルの選択", "WAVEﾌｧｲﾙ (*.WAV)|*.WAV|"},
    {"MIDIファイルの選択", "MIDIﾌｧｲﾙ (*.MID)|*.MID|"},
};

QString utf8(const char *text) {
    return QString::fromUtf8(text);
}

} // namespace

SettingsWindow::SettingsWindow(AppState &state, Dialogs &dialogs, MediaServices &media,
                               UserStore &userStore, HelpViewer &help, QWidget *parent,
                               std::optional<double> zoom)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_media(media), m_userStore(userStore),
      m_help(help), m_session(state, dialogs), m_designFont(font()) {
    setWindowTitle(u"設定"_s);
    setModal(true);
    m_zoom = zoom.value_or(automaticZoom(screenRect().size()));
    if (!(m_zoom > 0.0))
        m_zoom = 1.0;
    setFont(zoomed(m_designFont, m_zoom));
    createTabs();
    createMenus();
    createHints();
    applyZoom(this, m_zoom);
    Timer1 = new QTimer(this);
    Timer1->setInterval(MidiTestMs);
    connect(Timer1, &QTimer::timeout, this, &SettingsWindow::Timer1_Tick);
    Form_Load();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::createTabs() {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *body = new QWidget(this);
    body->setFixedSize(px(WindowWidthTwips, m_zoom), px(WindowHeightTwips, m_zoom));
    layout->addWidget(body);

    SSTab1 = new QTabWidget(body);
    placeTwips(SSTab1, m_zoom, 120, 120, WindowWidthTwips - 240, 5900);
    for (ListKind kind : AllListKinds)
        SSTab1->addTab(createListTab(kind), utf8(tabCaptions[int(kind)]));
    SSTab1->addTab(createOptionsTab(), utf8(tabCaptions[3]));

    OK = button(u"OK"_s, body, m_designFont, WindowWidthTwips - 4200, 6180, 1800);
    Cancel = button(u"ｷｬﾝｾﾙ"_s, body, m_designFont, WindowWidthTwips - 2160, 6180, 1800);
    connect(OK, &ThreeDControl::clicked, this, &SettingsWindow::okClicked);
    connect(Cancel, &ThreeDControl::clicked, this, &SettingsWindow::cancelClicked);
}

QWidget *SettingsWindow::createListTab(ListKind kind) {
    const int k = int(kind);
    auto *page = new QWidget(SSTab1); // in the window's font from the start
    caption(utf8(kindCaptions[k]), page, m_zoom, 120, 60, 4800);

    auto *grid = new QTableWidget(listRowCount(kind), 2, page);
    grids[std::size_t(k)] = grid;
    placeTwips(grid, m_zoom, 120, 390, GridWidthTwips, 4950);
    grid->verticalHeader()->hide();
    grid->setHorizontalHeaderLabels({gridKeyHeader(), gridFileHeader(kind)});
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Key names take a quarter of the width, or what the longest name needs; the path takes
    // the rest of the room beside the scroll bar. Nothing scrolls sideways, which would hide
    // the key names whenever a row's path cell is made current.
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics(grid->font());
    const int cellMargins =
        2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + px(120, m_zoom);
    int keyColumn = (px(GridWidthTwips, m_zoom) - 2 * grid->frameWidth()) / 4;
    keyColumn = std::max(keyColumn, metrics.horizontalAdvance(gridKeyHeader()) + cellMargins);
    for (int row = 0; row < listRowCount(kind); ++row) {
        const QString name = gridKeyName(kind, row);
        keyColumn = std::max(keyColumn, metrics.horizontalAdvance(name) + cellMargins);
        grid->setItem(row, 0, new QTableWidgetItem(name));
        grid->setItem(row, 1, new QTableWidgetItem);
    }
    grid->setColumnWidth(0, keyColumn);
    grid->verticalHeader()->setDefaultSectionSize(metrics.height() + px(90, m_zoom));
    // A click on the selected row picks it again; arrow keys move the selection like clicks.
    connect(grid, &QTableWidget::currentCellChanged, this, [this, kind](int row) {
        if (!m_refreshing)
            gridClicked(kind, row);
    });
    connect(grid, &QTableWidget::cellClicked, this, [this, kind](int row) {
        if (!m_refreshing && row == m_session.currentRow(kind))
            gridClicked(kind, row);
    });

    caption(u"ファイル名("_s, page, m_zoom, RightColumnTwips, 390, 3000);
    auto *box = new QLineEdit(page);
    fileBoxes[std::size_t(k)] = box;
    placeTwips(box, m_zoom, RightColumnTwips, 690,
               RightEdgeTwips - BrowseWidthTwips - 40 - RightColumnTwips, 360);
    connect(box, &QLineEdit::textChanged, this,
            [this, kind](const QString &text) { fileBoxEdited(kind, text); });
    auto *browseButton = new QPushButton(u"参照..."_s, page);
    browseButtons[std::size_t(k)] = browseButton;
    placeTwips(browseButton, m_zoom, RightEdgeTwips - BrowseWidthTwips, 690, BrowseWidthTwips, 360);
    connect(browseButton, &QPushButton::clicked, this, [this, kind] { browse(kind); });

    switch (kind) {
    case ListKind::Picture:
        Image1 = previewFrame(page, m_zoom, RightColumnTwips, 1170);
        caption(u"登録されているWAVEファイル名"_s, page, m_zoom, RightColumnTwips, 2940, 4200);
        Label4 = new QLabel(page);
        Label4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        placeTwips(Label4, m_zoom, RightColumnTwips, 3240, RightEdgeTwips - RightColumnTwips, 330);
        Command3D1 = button(u"WAVEテスト"_s, page, m_designFont, RightColumnTwips, 3720);
        connect(Command3D1, &ThreeDControl::clicked, this, &SettingsWindow::waveTest);
        break;
    case ListKind::Wave:
        caption(u"登録されている"_s, page, m_zoom, RightColumnTwips + 2200, 1170, 2000);
        caption(u"ピクチャーファイル"_s, page, m_zoom, RightColumnTwips + 2200, 1470, 2000);
        Image2 = previewFrame(page, m_zoom, RightColumnTwips, 1170);
        SSCommand1 = button(u"WAVEテスト"_s, page, m_designFont, RightColumnTwips, 3720);
        connect(SSCommand1, &ThreeDControl::clicked, this, &SettingsWindow::waveTest);
        break;
    case ListKind::Midi:
        SSCommand2 = button(u"MIDIテスト"_s, page, m_designFont, RightColumnTwips, 3720);
        connect(SSCommand2, &ThreeDControl::clicked, this, &SettingsWindow::midiTest);
        break;
    }
    Clear[std::size_t(k)] = button(u"クリア"_s, page, m_designFont, RightColumnTwips, 4500);
    connect(Clear[std::size_t(k)], &ThreeDControl::clicked, this,
            [this, kind] { clearClicked(kind); });
    return page;
}

QWidget *SettingsWindow::createOptionsTab() {
    auto *page = new QWidget(SSTab1);
    struct Option {
        const char *caption;
        bool OptionFlags::*flag;
    };
    // opCheck(0)-(4) and, second on the page, Ch3D.
    const Option options[] = {
        {"ＷＡＶＥファイルを再生する", &OptionFlags::SoundFlag},
        {"オープニングMIDIファイルを演奏する", &OptionFlags::OPENFlag},
        {"オープニング MIDI 及び 絵 ファイルをiniファイルに保存する", &OptionFlags::CDFlag},
        {"フォームを透明化する", &OptionFlags::TomeiFlag},
        {"キーボードを五十音表示に、変更", &OptionFlags::AIUEOFlag},
    };
    auto makeCheck = [this, page](const char *text, bool OptionFlags::*flag, int index, int top) {
        auto *check = new ThreeDCheck(page, index);
        check->setCaptionFont(m_designFont);
        check->setCaption(utf8(text));
        check->setGeometryTwips(240, top, 5700, 375);
        connect(check, &ThreeDCheck::toggled, this,
                [this, flag](bool on) { checkToggled(flag, on); });
        return check;
    };
    opCheck[0] = makeCheck(options[0].caption, options[0].flag, 0, 240);
    Ch3D = makeCheck("ＷＡＶＥファイルを連続再生する", &OptionFlags::RENFlag, -1, 660);
    Ch3D->moveTwips(600, 660);
    for (int i = 1; i < 5; ++i)
        opCheck[std::size_t(i)] = makeCheck(options[i].caption, options[i].flag, i, 660 + i * 420);

    caption(u"キーボードの大きさ"_s, page, m_zoom, 240, 2940, 2400);
    keyboardZoomBox = new QComboBox(page);
    placeTwips(keyboardZoomBox, m_zoom, 2640, 2900, 3000, 360);
    keyboardZoomBox->addItem(u"自動（画面に合わせる）"_s, 0.0);
    for (double zoom : KeyboardZoom::choices(screenRect().size()))
        keyboardZoomBox->addItem(u"%1 倍"_s.arg(zoom), zoom);
    connect(keyboardZoomBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_refreshing && index >= 0)
            m_session.setKeyboardZoom(keyboardZoomBox->itemData(index).toDouble());
    });

    // The three key-name lists stand side by side up to the tab's right margin, each at least
    // as wide as designed and wide enough for its longest name beside the scroll bar.
    std::array<int, 3> listWidths{};
    for (ListKind kind : AllListKinds) {
        const int k = int(kind);
        auto *list = new QListWidget(page);
        kindLists[std::size_t(k)] = list;
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const QFontMetrics metrics(list->font());
        int widest = 0;
        for (int row = 0; row < listRowCount(kind); ++row) {
            list->addItem(kindListName(kind, row));
            widest = std::max(widest, metrics.horizontalAdvance(kindListName(kind, row)));
        }
        listWidths[std::size_t(k)] =
            std::max(px(1060, m_zoom), widest + 2 * list->frameWidth() + px(120, m_zoom) +
                                           list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
    const int listGap = px(60, m_zoom);
    const int listsLeft = px(RightEdgeTwips - 240, m_zoom) - listWidths[0] - listWidths[1] -
                          listWidths[2] - 2 * listGap;
    int listLeft = listsLeft;
    for (std::size_t k = 0; k < 3; ++k) {
        kindLists[k]->setGeometry(listLeft, px(240, m_zoom), listWidths[k], px(3000, m_zoom));
        listLeft += listWidths[k] + listGap;
    }
    auto *decoration = new QLabel(u"♪"_s, page);
    QFont big = decoration->font();
    big.setPointSizeF(36 * m_zoom);
    decoration->setFont(big);
    placeTwips(decoration, m_zoom, 0, 3500, 1200, 1000);
    decoration->move(listsLeft, decoration->y());
    return page;
}

// The captions mark two access keys, one for each keyboard layout: "(&A&ｱ)". Qt knows one
// mark a caption; it would measure the second "&" as text and cut the caption short to make
// room. The first mark stays, the others go ("&&" is a plain "&" and stays).
static QString withOneAccessMark(const QString &caption) {
    QString result;
    bool marked = false;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            result += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            result += u"&&";
            ++i;
        } else if (!marked) {
            result += u'&';
            marked = true;
        }
    }
    return result;
}

void SettingsWindow::createMenus() {
    auto *bar = new QMenuBar(this);
    layout()->setMenuBar(bar);

    QMenu *file = bar->addMenu(u"ファイル(&S&ｾ)"_s);
    mnuSave = file->addAction(u"保存"_s, this, &SettingsWindow::file_save);
    mnuOpen = file->addAction(u"開く"_s, this, &SettingsWindow::OpenDataFile);
    mnuOpenOld =
        file->addAction(u"旧バージョンファイルを開く"_s, this, &SettingsWindow::OpenOldDataFile);
    // Items that never had an action here stay greyed.
    for (const QString &text :
         {u"MIDIファイル(&M&ﾓ)..."_s, u"WAVファイル(&W&ﾃ)..."_s, u"ＢＭＰファイル(&B&ｺ)..."_s})
        file->addAction(text)->setEnabled(false);
    file->addSeparator();
    const QStringList soundModes{u"お子さま１モード(wav)"_s, u"お子さま２モード(wav)"_s,
                                 u"大人１モード(wav)"_s, u"大人２モード(wav)"_s,
                                 u"Ｈモード(wav)"_s};
    const QStringList pictureModes{u"お子さまモード１(bmp)"_s, u"お子さまモード２(bmp)"_s,
                                   u"大人モード１(bmp)"_s, u"大人モード２(bmp)"_s,
                                   u"Hモード(bmp)"_s};
    for (int i = 0; i < 5; ++i) {
        mnuSoundMode[std::size_t(i)] =
            file->addAction(soundModes[i], this, [this, i] { soundModeChosen(i); });
        mnuSoundMode[std::size_t(i)]->setCheckable(true);
    }
    file->addSeparator();
    for (int i = 0; i < 5; ++i) {
        mnubmpmode[std::size_t(i)] =
            file->addAction(pictureModes[i], this, [this, i] { pictureModeChosen(i); });
        mnubmpmode[std::size_t(i)]->setCheckable(true);
    }
    file->addSeparator();
    file->addAction(u"パスワード"_s)->setEnabled(false);
    file->addAction(u"MouseMove"_s)->setEnabled(false);
    file->addSeparator();
    file->addAction(u"らくがき"_s)->setEnabled(false);
    file->addSeparator();
    file->addAction(u"終了(&X&ｼ)"_s)->setEnabled(false);

    QMenu *help = bar->addMenu(u"ヘルプ(&H&ﾍ)"_s);
    mnuHelpContents = help->addAction(u"ヘルプを表示"_s, this, &SettingsWindow::showHelpContents);
    mnuHowToQuit = help->addAction(u"終わり方"_s, this, &SettingsWindow::showQuitHelp);

    QMenu *info = bar->addMenu(u"情報(&J&ﾏ)"_s);
    mnuAttention = info->addAction(u"ユーザー名変更"_s, this, &SettingsWindow::showUserNameWindow);
    mnuAbout = info->addAction(u"バージョン情報(&A&ｱ)"_s, this, &SettingsWindow::showAbout);

    // The drop-down menus are windows of their own and do not inherit the window's font.
    for (QMenu *menu : {file, help, info}) {
        menu->setFont(font());
        menu->setTitle(withOneAccessMark(menu->title()));
        for (QAction *item : menu->actions())
            item->setText(withOneAccessMark(item->text()));
    }
}

void SettingsWindow::createHints() {
    Picture1 = new QLabel(this);
    Picture2 = new QLabel(this);
    for (QLabel *box : {Picture1, Picture2}) {
        box->setAutoFillBackground(true);
        QPalette hintColours = box->palette();
        hintColours.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
        hintColours.setColor(QPalette::WindowText, Qt::black);
        box->setPalette(hintColours);
        box->setFrameStyle(QFrame::Box | QFrame::Plain);
        box->hide();
    }
    QList<QWidget *> hinted{OK, Cancel, Command3D1, SSCommand1, SSCommand2};
    for (std::size_t k = 0; k < 3; ++k)
        hinted << Clear[k] << browseButtons[k];
    for (QWidget *control : hinted)
        control->installEventFilter(this);
}

QString SettingsWindow::hintFor(const QWidget *control) const {
    if (control == nullptr)
        return {};
    if (control == OK)
        return u"　設定を有効にします　"_s;
    if (control == Cancel)
        return u"　設定を全てキャンセルします　"_s;
    if (control == Command3D1 || control == SSCommand1)
        return u"　WAVEファイルを再生します　"_s;
    if (control == SSCommand2)
        return u"　MIDIファイルを10秒間再生します　"_s;
    for (std::size_t k = 0; k < 3; ++k) {
        if (control == Clear[k])
            return utf8(clearHints[k]);
        if (control == browseButtons[k])
            return u"　ダイアログボックスを開きます　"_s;
    }
    return {};
}

void SettingsWindow::showHint(QWidget *control) {
    const bool bottomRow = control == OK || control == Cancel;
    QLabel *box = bottomRow ? Picture2 : Picture1;
    const QString text = hintFor(control);
    box->setText(text);
    box->resize(QFontMetrics(box->font()).horizontalAdvance(text) + px(60, m_zoom),
                box->sizeHint().height());
    const bool testButton = control == Command3D1 || control == SSCommand1 || control == SSCommand2;
    const QPoint at = control->mapTo(this, QPoint(0, 0));
    const int left = testButton ? at.x() + px(60, m_zoom) : at.x() - px(250, m_zoom);
    box->move(std::max(0, left), std::max(0, at.y() - box->height() - px(60, m_zoom)));
    box->raise();
    box->show();
}

bool SettingsWindow::eventFilter(QObject *watched, QEvent *event) {
    auto *control = qobject_cast<QWidget *>(watched);
    if (control && event->type() == QEvent::Enter)
        showHint(control);
    else if (control && event->type() == QEvent::Leave)
        (control == OK || control == Cancel ? Picture2 : Picture1)->hide();
    return QDialog::eventFilter(watched, event);
}

int SettingsWindow::showModal() {
    if (!m_loaded)
        Form_Load();
    centreOnScreen();
    return exec();
}

QRect SettingsWindow::screenRect() const {
    const QScreen *shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    return shownOn ? shownOn->geometry() : QRect(0, 0, 800, 600);
}

void SettingsWindow::centreOnScreen() {
    adjustSize();
    const QRect area = screenRect();
    const QSize outer = frameGeometry().size().expandedTo(size());
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void SettingsWindow::Form_Load() {
    m_session.load();
    Picture1->hide();
    Picture2->hide();
    m_loaded = true;
    refresh();
    // Image1 shows the first picture; a file box set by the load counts as a change.
    loadPreview(Image1, m_session.boxText(ListKind::Picture));
}

void SettingsWindow::setup_data() {
    m_session.setup_data();
    refresh();
}

void SettingsWindow::refreshGrid(ListKind kind) {
    QTableWidget *grid = grids[std::size_t(kind)];
    const QStringList &entries = m_session.lists().entries(kind);
    for (int row = 0; row < entries.size(); ++row)
        grid->item(row, 1)->setText(entries[row]);
    grid->setCurrentCell(m_session.currentRow(kind), 1);
}

void SettingsWindow::refresh() {
    m_refreshing = true;
    for (ListKind kind : AllListKinds) {
        refreshGrid(kind);
        QLineEdit *box = fileBoxes[std::size_t(kind)];
        if (box->text() != m_session.boxText(kind))
            box->setText(m_session.boxText(kind));
        kindLists[std::size_t(kind)]->setCurrentRow(0);
    }
    Label4->setText(m_session.waveLabel());
    mnuSave->setEnabled(m_session.isSaveEnabled());

    const OptionFlags &checks = m_session.checks();
    opCheck[0]->setChecked(checks.SoundFlag);
    opCheck[1]->setChecked(checks.OPENFlag);
    opCheck[2]->setChecked(checks.CDFlag);
    opCheck[3]->setChecked(checks.TomeiFlag);
    opCheck[4]->setChecked(checks.AIUEOFlag);
    Ch3D->setChecked(checks.RENFlag);
    Ch3D->setVisible(m_session.isContinuousPlayShown());

    const int zoomIndex = keyboardZoomBox->findData(m_session.keyboardZoom());
    keyboardZoomBox->setCurrentIndex(zoomIndex >= 0 ? zoomIndex : 0);
    for (int i = 0; i < 5; ++i) {
        mnuSoundMode[std::size_t(i)]->setChecked(i == m_session.loadedSoundMode());
        mnubmpmode[std::size_t(i)]->setChecked(i == m_session.loadedPictureMode());
    }
    m_refreshing = false;
}

void SettingsWindow::gridClicked(ListKind kind, int row) {
    m_session.selectRow(kind, row);
    refresh();
    if (kind == ListKind::Picture)
        loadPreview(Image1, m_session.boxText(ListKind::Picture));
    else if (kind == ListKind::Wave)
        loadPreview(Image2, m_session.lists().entry(ListKind::Picture, row));
}

void SettingsWindow::fileBoxEdited(ListKind kind, const QString &text) {
    if (m_refreshing)
        return;
    m_session.changeBoxText(kind, text);
    QTableWidget *grid = grids[std::size_t(kind)];
    const int row = m_session.currentRow(kind);
    grid->item(row, 1)->setText(m_session.lists().entry(kind, row));
    mnuSave->setEnabled(m_session.isSaveEnabled());
    if (kind == ListKind::Picture)
        loadPreview(Image1, text);
}

void SettingsWindow::checkToggled(bool OptionFlags::*flag, bool on) {
    if (m_refreshing)
        return;
    m_session.setCheck(flag, on);
    refresh();
}

void SettingsWindow::browse(ListKind kind) {
    const BrowseDialog &dialog = browseDialogs[int(kind)];
    FileDialogRequest request;
    request.title = utf8(dialog.title);
    request.filter = utf8(dialog.filter);
    const std::optional<QString> path = m_dialogs.openFile(request);
    if (!path)
        return;
    fileBoxes[std::size_t(kind)]->setText(*path);
    if (kind == ListKind::Picture)
        loadPreview(Image1, *path);
}

void SettingsWindow::waveTest() {
    StopWave(m_media.wave);
    PlayWave(m_media.wave, openablePath(m_session.boxText(ListKind::Wave)), 0);
}

void SettingsWindow::midiTest() {
    const QString path = m_session.boxText(ListKind::Midi);
    if (path.isEmpty()) {
        Timer1->stop();
        m_dialogs.messageBox(u"ＭＩＤＩファイルが登録されていません"_s, 0);
        return;
    }
    PauseMidi(m_media.mci);
    CloseMidi(m_media.mci);
    OpenMidi(m_media.mci, path);
    PlayMidi(m_media.mci);
    Timer1->start();
}

void SettingsWindow::Timer1_Tick() {
    PauseMidi(m_media.mci);
    CloseMidi(m_media.mci);
}

void SettingsWindow::clearClicked(ListKind kind) {
    if (m_session.clear(kind))
        refresh();
}

void SettingsWindow::soundModeChosen(int mode) {
    m_session.chooseSoundMode(mode);
    refresh();
}

void SettingsWindow::pictureModeChosen(int mode) {
    m_session.choosePictureMode(mode);
    loadPreview(Image1, m_session.boxText(ListKind::Picture));
    refresh();
}

void SettingsWindow::okClicked() {
    m_session.ok();
    emit settingsApplied();
    accept();
}

void SettingsWindow::cancelClicked() {
    reject();
}

void SettingsWindow::done(int result) {
    Timer1->stop();
    Picture1->hide();
    Picture2->hide();
    m_loaded = false;
    QDialog::done(result);
    emit unloaded();
}

void SettingsWindow::file_save() {
    m_session.file_save();
}

void SettingsWindow::OpenDataFile() {
    if (m_session.OpenDataFile()) {
        refresh();
        emit settingsApplied();
    }
}

void SettingsWindow::OpenOldDataFile() {
    if (m_session.OpenOldDataFile()) {
        refresh();
        emit settingsApplied();
    }
}

void SettingsWindow::showHelpContents() {
    m_help.WinHelp(this, m_state.helpFilePath(), HELP_FINDER);
}

void SettingsWindow::showQuitHelp() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    QuitHelpWindow window(m_dialogs, this);
    window.exec();
}

void SettingsWindow::showUserNameWindow() {
    UserNameWindow window(m_userStore, m_dialogs, this);
    window.exec();
}

void SettingsWindow::showAbout() {
    AboutWindow window(m_state.applicationFolder, m_media.wave, m_dialogs, this);
    window.exec();
}

void SettingsWindow::loadPreview(QLabel *image, const QString &path) {
    // A key without a picture shows none.
    if (path.isEmpty()) {
        image->clear();
        return;
    }
    // The same reading as the key actions' picture cache does.
    PictureLoader loader;
    const Picture picture = loader.read(openablePath(path));
    if (picture.isNull())
        return;
    const QSize room = image->contentsRect().size();
    QSize fitted = picture.size().scaled(room, Qt::KeepAspectRatio);
    if (picture.size().width() <= room.width() && picture.size().height() <= room.height())
        fitted = picture.size();
    image->setPixmap(QPixmap::fromImage(picture.scaled(fitted)));
}

} // namespace pikoro
