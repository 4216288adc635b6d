#include "ui/SettingsWindow.h"

#include "core/Dialogs.h"
#include "core/FileTitle.h"
#include "core/KeptSetup.h"
#include "core/KeyboardZoom.h"
#include "core/MainLayout.h"
#include "media/MediaServices.h"
#include "media/PictureLoader.h"
#include "media/WavePlayer.h"
#include "ui/FileDropTarget.h"
#include "ui/HelpViewer.h"
#include "ui/InfoWindows.h"
#include "ui/PhotoFolderDialog.h"
#include "ui/QtDialogs.h"
#include "ui/ThreeDControls.h"
#include "ui/UserNameWindow.h"
#include "ui/VoiceRecorderPanel.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
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

// The window's starting size, designed for an 800 × 600 screen and multiplied by the zoom; it
// grows where its texts need more room.
constexpr int WindowWidthTwips = 11100;
constexpr int WindowHeightTwips = 7050;
// The picture previews keep their designed size, so a picture looks the same on every tab.
constexpr QSize PreviewTwips(2100, 1650);
// The MIDI test plays for 8000 ms, although its hint speaks of ten seconds.
constexpr int MidiTestMs = 8000;

// Designed sizes are in twips, 15 to a pixel, multiplied by the zoom.
int px(int twips, double zoom) {
    return ThreeDControl::twipsToPixels(twips, zoom);
}

QFont zoomed(const QFont &font, double zoom) {
    QFont result = font;
    if (font.pointSizeF() > 0)
        result.setPointSizeF(font.pointSizeF() * zoom);
    else if (font.pixelSize() > 0)
        result.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * zoom))));
    return result;
}

// 3-D controls scale their font themselves, so they are given the unscaled one, in the pixels
// the window's texts have at the screen's resolution (points would be taken at 96 dots per inch).
template <typename Control>
Control *threeD(const QString &text, QWidget *parent, const QFont &designFont, double zoom,
                int index = -1) {
    auto *control = new Control(parent, index);
    QFont captionFont = designFont;
    captionFont.setPixelSize(QFontInfo(designFont).pixelSize());
    control->setCaptionFont(captionFont);
    control->setCaption(text);
    control->setZoom(zoom);
    return control;
}

QLabel *previewFrame(QWidget *parent, double zoom) {
    auto *image = new QLabel(parent);
    image->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    image->setAlignment(Qt::AlignCenter);
    image->setFixedSize(px(PreviewTwips.width(), zoom), px(PreviewTwips.height(), zoom));
    return image;
}

// A label for a path of any length: it takes the room the layout gives and never widens the
// window.
QLabel *pathLabel(QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// Buttons side by side, each as wide as the widest of them.
void sameWidth(std::initializer_list<QWidget *> buttons) {
    int widest = 0;
    for (QWidget *button : buttons)
        widest = std::max(widest, button->sizeHint().width());
    for (QWidget *button : buttons)
        button->setMinimumWidth(widest);
}

const char *const tabCaptions[] = {"絵ファイルの登録", "Ｗａｖｅファイルの登録",
                                   "ＭＩＤＩファイルの登録", "Options"};
const char *const kindCaptions[] = {"ＢＭＰの種類(", "ＷＡＶＥの種類(", "ＭＩＤＩの種類("};
const char *const clearHints[] = {"　絵ファイルを全てクリアします　",
                                  "　WAVEファイルを全てクリアします　",
                                  "　MIDIファイルを全てクリアします　"};

// The open dialog of a list: its title and file types. Pictures offer every kind the keys show
// together first, then one kind at a time.
FileDialogRequest browseRequest(ListKind kind) {
    FileDialogRequest request;
    switch (kind) {
    case ListKind::Picture:
        request.title = u"BMPファイルの選択"_s;
        request.fileTypes = {{u"絵ﾌｧｲﾙ"_s,
                              {u"*.bmp"_s, u"*.ico"_s, u"*.wmf"_s, u"*.png"_s, u"*.jpg"_s,
                               u"*.jpeg"_s, u"*.gif"_s, u"*.svg"_s, u"*.webp"_s}},
                             {u"BMPﾌｧｲﾙ"_s, {u"*.bmp"_s}},
                             {u"icoﾌｧｲﾙ"_s, {u"*.ico"_s}},
                             {u"wmfﾌｧｲﾙ"_s, {u"*.wmf"_s}},
                             {u"pngﾌｧｲﾙ"_s, {u"*.png"_s}},
                             {u"jpegﾌｧｲﾙ"_s, {u"*.jpg"_s, u"*.jpeg"_s}},
                             {u"gifﾌｧｲﾙ"_s, {u"*.gif"_s}},
                             {u"svgﾌｧｲﾙ"_s, {u"*.svg"_s}}};
        break;
    case ListKind::Wave:
        request.title = u"WAVEファイルの選択"_s;
        request.fileTypes = {{u"WAVEﾌｧｲﾙ"_s, {u"*.WAV"_s}}};
        break;
    case ListKind::Midi:
        request.title = u"MIDIファイルの選択"_s;
        request.fileTypes = {{u"MIDIﾌｧｲﾙ"_s, {u"*.MID"_s}}};
        break;
    }
    return request;
}

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
    m_midiTestTimer = new QTimer(this);
    m_midiTestTimer->setInterval(MidiTestMs);
    connect(m_midiTestTimer, &QTimer::timeout, this, &SettingsWindow::onMidiTestElapsed);
    loadFromSettings();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::createTabs() {
    // Below the menu bar everything scrolls where the screen is too small for the texts.
    auto *scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setFocusPolicy(Qt::NoFocus); // Tab goes from control to control as before
    m_body = new QWidget;
    scroller->setWidget(m_body);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    auto *column = new QVBoxLayout(m_body);

    m_tabs = new QTabWidget(m_body);
    column->addWidget(m_tabs, 1);
    for (ListKind kind : AllListKinds)
        m_tabs->addTab(createListTab(kind), utf8(tabCaptions[int(kind)]));
    m_tabs->addTab(createOptionsTab(), utf8(tabCaptions[3]));

    m_okButton = threeD<ThreeDButton>(u"OK"_s, m_body, m_designFont, m_zoom);
    m_cancelButton = threeD<ThreeDButton>(u"ｷｬﾝｾﾙ"_s, m_body, m_designFont, m_zoom);
    connect(m_okButton, &ThreeDControl::clicked, this, &SettingsWindow::okClicked);
    connect(m_cancelButton, &ThreeDControl::clicked, this, &SettingsWindow::cancelClicked);
    m_dataFileInUseLabel = pathLabel(m_body);
    m_dataFileInUseLabel->installEventFilter(this); // elided again when its width changes
    sameWidth({m_okButton, m_cancelButton});
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_dataFileInUseLabel, 1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    column->addLayout(buttons);
}

QTableWidget *SettingsWindow::createGrid(ListKind kind, QWidget *page) {
    const int k = int(kind);
    auto *grid = new QTableWidget(listRowCount(kind), 2, page);
    m_grids[std::size_t(k)] = grid;
    grid->verticalHeader()->hide();
    grid->setHorizontalHeaderLabels({gridKeyHeader(), gridFileHeader(kind)});
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Key names take a quarter of the width, or what the longest name needs (fitKeyColumn);
    // the path takes the rest of the room beside the scroll bar. Nothing scrolls
    // sideways, which would hide the key names whenever a row's path cell is made current.
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < listRowCount(kind); ++row) {
        grid->setItem(row, 0, new QTableWidgetItem(gridKeyName(kind, row)));
        grid->setItem(row, 1, new QTableWidgetItem);
    }
    // The key column's least width: the longest name or the header, with the cell's margins.
    const QFontMetrics metrics(grid->font());
    int keyWidth = metrics.horizontalAdvance(gridKeyHeader());
    for (int row = 0; row < listRowCount(kind); ++row)
        keyWidth = std::max(keyWidth, metrics.horizontalAdvance(gridKeyName(kind, row)));
    m_keyColumnWidths[std::size_t(k)] =
        keyWidth + 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) +
        metrics.averageCharWidth();
    grid->verticalHeader()->setDefaultSectionSize(metrics.height() * 4 / 3);
    // At least as much room for the paths as for the key names.
    grid->setMinimumWidth(2 * m_keyColumnWidths[std::size_t(k)] + 2 * grid->frameWidth() +
                          grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    grid->installEventFilter(this); // the key column follows the grid's width
    // A click on the selected row picks it again; arrow keys move the selection like clicks.
    connect(grid, &QTableWidget::currentCellChanged, this, [this, kind](int row) {
        if (!m_refreshing)
            gridClicked(kind, row);
    });
    connect(grid, &QTableWidget::cellClicked, this, [this, kind](int row) {
        if (!m_refreshing && row == m_session.currentRow(kind))
            gridClicked(kind, row);
    });
    new FileDropTarget(grid, kind, m_dialogs, [this, kind](int row, const QString &path) {
        onFileDropped(kind, row, path);
    });
    return grid;
}

QWidget *SettingsWindow::createListTab(ListKind kind) {
    const int k = int(kind);
    auto *page = new QWidget(m_tabs); // in the window's font from the start
    auto *layout = new QGridLayout(page);
    auto *side = new QVBoxLayout; // the file box and what else belongs to the selected key
    layout->addWidget(new QLabel(utf8(kindCaptions[k]), page), 0, 0);

    QTableWidget *grid = createGrid(kind, page);
    layout->addWidget(grid, 1, 0);
    layout->addLayout(side, 1, 1);
    // The grid and the side share the width about equally, the grid a little more.
    layout->setColumnStretch(0, 11);
    layout->setColumnStretch(1, 10);

    side->addWidget(new QLabel(u"ファイル名("_s, page));
    auto *box = new QLineEdit(page);
    m_fileBoxes[std::size_t(k)] = box;
    connect(box, &QLineEdit::textChanged, this,
            [this, kind](const QString &text) { fileBoxEdited(kind, text); });
    auto *browseButton = new QPushButton(u"参照..."_s, page);
    m_browseButtons[std::size_t(k)] = browseButton;
    connect(browseButton, &QPushButton::clicked, this, [this, kind] { browse(kind); });
    auto *boxRow = new QHBoxLayout;
    boxRow->addWidget(box, 1);
    boxRow->addWidget(browseButton);
    side->addLayout(boxRow);

    switch (kind) {
    case ListKind::Picture: {
        m_picturePreview = previewFrame(page, m_zoom);
        auto *waveCaption = new QLabel(u"登録されているWAVEファイル名"_s, page);
        m_waveNameLabel = pathLabel(page);
        m_waveNameLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_pictureTabWaveTestButton =
            threeD<ThreeDButton>(u"WAVEテスト"_s, page, m_designFont, m_zoom);
        connect(m_pictureTabWaveTestButton, &ThreeDControl::clicked, this,
                &SettingsWindow::waveTest);
        m_photoFolderButton = new QPushButton(u"写真フォルダから"_s, page);
        m_photoFolderButton->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
        connect(m_photoFolderButton, &QPushButton::clicked, this,
                &SettingsWindow::onPhotoFolderClicked);
        side->addWidget(m_picturePreview, 0, Qt::AlignLeft);
        side->addWidget(waveCaption);
        side->addWidget(m_waveNameLabel);
        side->addWidget(m_pictureTabWaveTestButton, 0, Qt::AlignLeft);
        break;
    }
    case ListKind::Wave: {
        auto *registered = new QLabel(u"登録されている"_s, page);
        auto *pictureFile = new QLabel(u"ピクチャーファイル"_s, page);
        m_wavePagePicturePreview = previewFrame(page, m_zoom);
        m_waveTestButton = threeD<ThreeDButton>(u"WAVEテスト"_s, page, m_designFont, m_zoom);
        connect(m_waveTestButton, &ThreeDControl::clicked, this, &SettingsWindow::waveTest);
        m_voiceRecorder = new VoiceRecorderPanel(m_session, m_dialogs, m_media.wave, grid, page);
        // The picture of the selected key, and beside it its caption and the voice recorder.
        auto *beside = new QVBoxLayout;
        beside->addWidget(registered);
        beside->addWidget(pictureFile);
        beside->addWidget(m_voiceRecorder, 1);
        auto *pictureRow = new QHBoxLayout;
        pictureRow->addWidget(m_wavePagePicturePreview, 0, Qt::AlignTop);
        pictureRow->addLayout(beside, 1);
        side->addLayout(pictureRow);
        side->addWidget(m_waveTestButton, 0, Qt::AlignLeft);
        break;
    }
    case ListKind::Midi:
        m_midiTestButton = threeD<ThreeDButton>(u"MIDIテスト"_s, page, m_designFont, m_zoom);
        connect(m_midiTestButton, &ThreeDControl::clicked, this, &SettingsWindow::midiTest);
        side->addWidget(m_midiTestButton, 0, Qt::AlignLeft);
        break;
    }
    ThreeDButton *clear = threeD<ThreeDButton>(u"クリア"_s, page, m_designFont, m_zoom);
    m_clearButtons[std::size_t(k)] = clear;
    connect(clear, &ThreeDControl::clicked, this, [this, kind] { clearClicked(kind); });
    side->addStretch(1);
    auto *bottomRow = new QHBoxLayout; // Clear, and on the picture tab the photo folder
    bottomRow->addWidget(clear);
    if (kind == ListKind::Picture)
        bottomRow->addWidget(m_photoFolderButton);
    bottomRow->addStretch(1);
    side->addLayout(bottomRow);
    // The test buttons and Clear line up, as wide as the widest of them.
    sameWidth({clear, kind == ListKind::Picture ? m_pictureTabWaveTestButton
                      : kind == ListKind::Wave  ? m_waveTestButton
                                                : m_midiTestButton});
    return page;
}

QWidget *SettingsWindow::createOptionsTab() {
    auto *page = new QWidget(m_tabs);
    auto *layout = new QHBoxLayout(page);
    auto *options = new QVBoxLayout;
    layout->addLayout(options);
    layout->addStretch(1);
    struct Option {
        const char *caption;
        bool OptionFlags::*flag;
    };
    // m_optionChecks(0)-(4) and, second on the page, m_loopSoundsCheck.
    const Option checks[] = {
        {"ＷＡＶＥファイルを再生する", &OptionFlags::playSounds},
        {"オープニングMIDIファイルを演奏する", &OptionFlags::playOpeningPiece},
        {"オープニング MIDI 及び 絵 ファイルをiniファイルに保存する", &OptionFlags::storeOpening},
        {"フォームを透明化する", &OptionFlags::seeThroughWindow},
        {"キーボードを五十音表示に、変更", &OptionFlags::kanaKeys},
    };
    auto makeCheck = [this, page](const char *text, bool OptionFlags::*flag, int index) {
        auto *check = threeD<ThreeDCheck>(utf8(text), page, m_designFont, m_zoom, index);
        // Only the adult's click: refresh() setting the box from the session is no change.
        connect(check, &ThreeDControl::clicked, this,
                [this, flag, check] { checkClicked(flag, check->isChecked()); });
        return check;
    };
    m_optionChecks[0] = makeCheck(checks[0].caption, checks[0].flag, 0);
    m_loopSoundsCheck = makeCheck("ＷＡＶＥファイルを連続再生する", &OptionFlags::loopSounds, -1);
    // Indented under the box it depends on; hidden, it keeps its room so nothing jumps.
    QSizePolicy keepRoom = m_loopSoundsCheck->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_loopSoundsCheck->setSizePolicy(keepRoom);
    auto *indented = new QHBoxLayout;
    indented->addSpacing(fontMetrics().height() * 3 / 2);
    indented->addWidget(m_loopSoundsCheck, 1);
    options->addWidget(m_optionChecks[0]);
    options->addLayout(indented);
    for (std::size_t i = 1; i < 5; ++i) {
        m_optionChecks[i] = makeCheck(checks[i].caption, checks[i].flag, int(i));
        options->addWidget(m_optionChecks[i]);
    }
    options->addSpacing(fontMetrics().height());

    auto *zoomCaption = new QLabel(u"キーボードの大きさ"_s, page);
    m_keyboardZoomBox = new QComboBox(page);
    m_keyboardZoomBox->addItem(u"自動（画面に合わせる）"_s, 0.0);
    for (double zoom : KeyboardZoom::choices(screenRect().size()))
        m_keyboardZoomBox->addItem(u"%1 倍"_s.arg(zoom), zoom);
    connect(m_keyboardZoomBox, &QComboBox::activated, this, [this](int index) {
        m_session.setKeyboardZoom(m_keyboardZoomBox->itemData(index).toDouble());
    });
    auto *zoomRow = new QHBoxLayout;
    zoomRow->addWidget(zoomCaption);
    zoomRow->addWidget(m_keyboardZoomBox, 1);
    options->addLayout(zoomRow);

    // The data file opened at every start, chosen here and stored by OK.
    options->addWidget(new QLabel(u"起動時に開くデータファイル"_s, page));
    m_startupDataBox = new QLineEdit(page);
    m_startupDataBox->setReadOnly(true);
    options->addWidget(m_startupDataBox);
    m_startupDataBrowseButton = new QPushButton(u"参照..."_s, page);
    connect(m_startupDataBrowseButton, &QPushButton::clicked, this, [this] {
        if (m_session.chooseStartupDataFile())
            refresh();
    });
    m_startupDataClearButton = new QPushButton(u"なし"_s, page);
    connect(m_startupDataClearButton, &QPushButton::clicked, this, [this] {
        m_session.setStartupDataFile({});
        refresh();
    });

    // Quick keys sound at once and every key of the keyboard answers.
    m_answerEveryKeyCheck = makeCheck("キーを連打してもすぐ音を出し、どのキーにも反応する",
                                      &OptionFlags::answerEveryKey, -1);
    // The settings are the parent's: with this box ticked the user name is asked for first.
    m_askNameForSettingsCheck =
        threeD<ThreeDCheck>(askNameForSettingsCaption(), page, m_designFont, m_zoom);
    connect(m_askNameForSettingsCheck, &ThreeDControl::clicked, this,
            [this] { m_session.setAskNameForSettings(m_askNameForSettingsCheck->isChecked()); });
    // What the parent sets up is there at the next start; beside the data file's buttons.
    m_keepSetupCheck =
        makeCheck("ＯＫした設定を次の起動でも使う", &OptionFlags::keepSetupInUserFile, -1);
    auto *dataRow = new QHBoxLayout;
    dataRow->addWidget(m_startupDataBrowseButton);
    dataRow->addWidget(m_startupDataClearButton);
    dataRow->addWidget(m_keepSetupCheck, 1);
    options->addLayout(dataRow);
    options->addWidget(m_answerEveryKeyCheck);
    options->addWidget(m_askNameForSettingsCheck);
    options->addStretch(1);

    layout->addLayout(createKeyNameLists(page));
    return page;
}

QLayout *SettingsWindow::createKeyNameLists(QWidget *page) {
    // The three key-name lists side by side, each as wide as its longest name beside the
    // scroll bar; the decoration under them.
    auto *lists = new QHBoxLayout;
    for (ListKind kind : AllListKinds) {
        auto *list = new QListWidget(page);
        m_keyNameLists[std::size_t(kind)] = list;
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (int row = 0; row < listRowCount(kind); ++row)
            list->addItem(kindListName(kind, row));
        list->setFixedWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                            list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                            fontMetrics().averageCharWidth());
        lists->addWidget(list);
    }
    auto *decoration = new QLabel(u"♪"_s, page);
    QFont big = decoration->font();
    big.setPointSizeF(36 * m_zoom);
    decoration->setFont(big);
    auto *side = new QVBoxLayout;
    side->addLayout(lists, 1);
    side->addWidget(decoration, 0, Qt::AlignLeft);
    return side;
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
    m_saveAction = file->addAction(u"保存"_s, this, &SettingsWindow::saveDataFile);
    m_openAction = file->addAction(u"開く"_s, this, &SettingsWindow::openDataFile);

    file->addAction(u"旧バージョンファイルを開く"_s, this, &SettingsWindow::openOldDataFile);
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
        m_soundModeActions[std::size_t(i)] =
            file->addAction(soundModes[i], this, [this, i] { soundModeChosen(i); });
        m_soundModeActions[std::size_t(i)]->setCheckable(true);
    }
    file->addSeparator();
    for (int i = 0; i < 5; ++i) {
        m_pictureModeActions[std::size_t(i)] =
            file->addAction(pictureModes[i], this, [this, i] { pictureModeChosen(i); });
        m_pictureModeActions[std::size_t(i)]->setCheckable(true);
    }
    file->addSeparator();
    file->addAction(u"パスワード"_s)->setEnabled(false);
    file->addAction(u"MouseMove"_s)->setEnabled(false);
    file->addSeparator();
    file->addAction(u"らくがき"_s)->setEnabled(false);
    file->addSeparator();
    file->addAction(u"終了(&X&ｼ)"_s)->setEnabled(false);

    QMenu *help = bar->addMenu(u"ヘルプ(&H&ﾍ)"_s);
    m_helpContentsAction =
        help->addAction(u"ヘルプを表示"_s, this, &SettingsWindow::showHelpContents);
    help->addAction(u"終わり方"_s, this, &SettingsWindow::showQuitHelp);

    QMenu *info = bar->addMenu(u"情報(&J&ﾏ)"_s);

    info->addAction(u"ユーザー名変更"_s, this, &SettingsWindow::showUserNameWindow);
    info->addAction(u"バージョン情報(&A&ｱ)"_s, this, &SettingsWindow::showAbout);

    // The drop-down menus are windows of their own and do not inherit the window's font.
    for (QMenu *menu : {file, help, info}) {
        menu->setFont(font());
        menu->setTitle(withOneAccessMark(menu->title()));
        for (QAction *item : menu->actions())
            item->setText(withOneAccessMark(item->text()));
    }
}

void SettingsWindow::createHints() {
    m_hintBox = new QLabel(this);
    m_bottomHintBox = new QLabel(this);
    for (QLabel *box : {m_hintBox, m_bottomHintBox}) {
        box->setAutoFillBackground(true);
        QPalette hintColours = box->palette();
        hintColours.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
        hintColours.setColor(QPalette::WindowText, Qt::black);
        box->setPalette(hintColours);
        box->setFrameStyle(QFrame::Box | QFrame::Plain);
        box->hide();
    }
    QList<QWidget *> hinted{m_okButton, m_cancelButton, m_pictureTabWaveTestButton,
                            m_waveTestButton, m_midiTestButton};
    for (std::size_t k = 0; k < 3; ++k)
        hinted << m_clearButtons[k] << m_browseButtons[k];
    for (QWidget *control : hinted)
        control->installEventFilter(this);
}

QString SettingsWindow::askNameForSettingsCaption() {
    return u"設定フォームを開く前にユーザー名をたずねる"_s;
}

QString SettingsWindow::hintFor(const QWidget *control) const {
    if (control == nullptr)
        return {};
    if (control == m_okButton)
        return u"　設定を有効にします　"_s;
    if (control == m_cancelButton)
        return u"　設定を全てキャンセルします　"_s;
    if (control == m_pictureTabWaveTestButton || control == m_waveTestButton)
        return u"　WAVEファイルを再生します　"_s;
    if (control == m_midiTestButton)
        return u"　MIDIファイルを10秒間再生します　"_s;
    for (std::size_t k = 0; k < 3; ++k) {
        if (control == m_clearButtons[k])
            return utf8(clearHints[k]);
        if (control == m_browseButtons[k])
            return u"　ダイアログボックスを開きます　"_s;
    }
    return {};
}

void SettingsWindow::showHint(QWidget *control) {
    const bool bottomRow = control == m_okButton || control == m_cancelButton;
    QLabel *box = bottomRow ? m_bottomHintBox : m_hintBox;
    const QString text = hintFor(control);
    box->setText(text);
    box->resize(QFontMetrics(box->font()).horizontalAdvance(text) + px(60, m_zoom),
                box->sizeHint().height());
    const bool testButton = control == m_pictureTabWaveTestButton || control == m_waveTestButton ||
                            control == m_midiTestButton;
    const QPoint at = control->mapTo(this, QPoint(0, 0));
    const int left = testButton ? at.x() + px(60, m_zoom) : at.x() - px(250, m_zoom);
    box->move(std::max(0, left), std::max(0, at.y() - box->height() - px(60, m_zoom)));
    box->raise();
    box->show();
}

bool SettingsWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Resize) {
        if (watched == m_dataFileInUseLabel)
            showDataFileInUse();
        for (ListKind kind : AllListKinds)
            if (watched == m_grids[std::size_t(kind)])
                fitKeyColumn(kind);
    }
    auto *control = qobject_cast<QWidget *>(watched);
    if (control && !hintFor(control).isEmpty()) {
        if (event->type() == QEvent::Enter)
            showHint(control);
        else if (event->type() == QEvent::Leave)
            (control == m_okButton || control == m_cancelButton ? m_bottomHintBox : m_hintBox)
                ->hide();
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsWindow::fitKeyColumn(ListKind kind) {
    QTableWidget *grid = m_grids[std::size_t(kind)];
    grid->setColumnWidth(0, std::max((grid->width() - 2 * grid->frameWidth()) / 4,
                                     m_keyColumnWidths[std::size_t(kind)]));
}

void SettingsWindow::showDataFileInUse() {
    // A long path keeps its file name in view; the whole of it is in the tool tip. Until the
    // layout has given the label its width, the text stands whole.
    const QString inUse = dataFileInUseText(m_state);
    QLabel *label = m_dataFileInUseLabel;
    label->setToolTip(inUse);
    label->setText(
        label->testAttribute(Qt::WA_Resized)
            ? label->fontMetrics().elidedText(inUse, Qt::ElideMiddle, label->contentsRect().width())
            : inUse);
}

int SettingsWindow::exec() {
    if (!m_loaded)
        loadFromSettings();
    centreOnScreen();
    return QDialog::exec();
}

QRect SettingsWindow::screenRect() const {
    const QScreen *shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    return shownOn ? shownOn->geometry() : QRect(0, 0, 800, 600);
}

void SettingsWindow::centreOnScreen() {
    // The designed size, larger where the texts need more, but within the screen's free area
    // (the window frame kept off, where the platform tells it before the window is first
    // shown): what does not fit there scrolls.
    create();
    QSize frame = frameGeometry().size() - size();
    if (frame.isNull()) // not told yet: room for a title bar and a border
        frame = QSize(2, 2) * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) +
                QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QScreen *shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize free =
        (shownOn ? shownOn->availableGeometry().size() : screenRect().size()) - frame;
    QSize wanted = QSize(px(WindowWidthTwips, m_zoom), px(WindowHeightTwips, m_zoom))
                       .expandedTo(m_body->minimumSizeHint()) +
                   QSize(0, layout()->menuBar()->sizeHint().height());
    // Scrolling up and down, the width keeps room for the scroll bar beside the texts.
    if (wanted.height() > free.height())
        wanted.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    resize(wanted.boundedTo(free));
    const QRect area = screenRect();
    const QSize outer = size() + frame;
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void SettingsWindow::loadFromSettings() {
    m_session.load();
    m_hintBox->hide();
    m_bottomHintBox->hide();
    m_loaded = true;
    refresh();
    // The picture preview shows the first picture; a file box set by the load counts as a change.
    loadPreview(m_picturePreview, m_session.boxText(ListKind::Picture));
}

void SettingsWindow::reloadLists() {
    m_session.reloadLists();
    refresh();
}

void SettingsWindow::refreshGrid(ListKind kind) {
    QTableWidget *grid = m_grids[std::size_t(kind)];
    const QStringList &entries = m_session.lists().entries(kind);
    for (int row = 0; row < entries.size(); ++row)
        grid->item(row, 1)->setText(entries[row]);
    grid->setCurrentCell(m_session.currentRow(kind), 1);
}

void SettingsWindow::refresh() {
    m_refreshing = true;
    for (ListKind kind : AllListKinds) {
        refreshGrid(kind);
        QLineEdit *box = m_fileBoxes[std::size_t(kind)];
        if (box->text() != m_session.boxText(kind))
            box->setText(m_session.boxText(kind));
        m_keyNameLists[std::size_t(kind)]->setCurrentRow(0);
    }
    m_waveNameLabel->setText(m_session.waveLabel());
    m_saveAction->setEnabled(m_session.isSaveEnabled());

    const OptionFlags &checks = m_session.checks();
    m_optionChecks[0]->setChecked(checks.playSounds);
    m_optionChecks[1]->setChecked(checks.playOpeningPiece);
    m_optionChecks[2]->setChecked(checks.storeOpening);
    m_optionChecks[3]->setChecked(checks.seeThroughWindow);
    m_optionChecks[4]->setChecked(checks.kanaKeys);
    m_loopSoundsCheck->setChecked(checks.loopSounds);
    m_answerEveryKeyCheck->setChecked(checks.answerEveryKey);
    m_keepSetupCheck->setChecked(checks.keepSetupInUserFile);
    showDataFileInUse();
    m_loopSoundsCheck->setVisible(m_session.isContinuousPlayShown());

    const int zoomIndex = m_keyboardZoomBox->findData(m_session.keyboardZoom());
    m_keyboardZoomBox->setCurrentIndex(zoomIndex >= 0 ? zoomIndex : 0);
    m_startupDataBox->setText(QDir::toNativeSeparators(m_session.startupDataFile()));
    m_askNameForSettingsCheck->setChecked(m_session.askNameForSettings());
    for (int i = 0; i < 5; ++i) {
        m_soundModeActions[std::size_t(i)]->setChecked(i == m_session.loadedSoundMode());
        m_pictureModeActions[std::size_t(i)]->setChecked(i == m_session.loadedPictureMode());
    }
    m_refreshing = false;
}

void SettingsWindow::gridClicked(ListKind kind, int row) {
    m_session.selectRow(kind, row);
    refresh();
    if (kind == ListKind::Picture)
        loadPreview(m_picturePreview, m_session.boxText(ListKind::Picture));
    else if (kind == ListKind::Wave)
        loadPreview(m_wavePagePicturePreview, m_session.lists().entry(ListKind::Picture, row));
}

void SettingsWindow::fileBoxEdited(ListKind kind, const QString &text) {
    if (m_refreshing)
        return;
    m_session.changeBoxText(kind, text);
    QTableWidget *grid = m_grids[std::size_t(kind)];
    const int row = m_session.currentRow(kind);
    grid->item(row, 1)->setText(m_session.lists().entry(kind, row));
    m_saveAction->setEnabled(m_session.isSaveEnabled());
    if (kind == ListKind::Picture)
        loadPreview(m_picturePreview, text);
}

void SettingsWindow::checkClicked(bool OptionFlags::*flag, bool on) {
    m_session.setCheck(flag, on);
    refresh();
}

void SettingsWindow::browse(ListKind kind) {
    const std::optional<QString> path = m_dialogs.openFile(browseRequest(kind));
    if (!path)
        return;
    m_fileBoxes[std::size_t(kind)]->setText(*path);
    if (kind == ListKind::Picture)
        loadPreview(m_picturePreview, *path);
}

void SettingsWindow::waveTest() {
    m_media.wave.stop();
    const QString path = m_session.boxText(ListKind::Wave);
    if (!m_media.wave.play(openablePath(path), WavePlayer::Repeat::Once) &&
        !m_media.wave.fileError().isEmpty())
        m_dialogs.messageBox(waveFailureMessage(path, m_media.wave.fileError()));
}

void SettingsWindow::midiTest() {
    const QString path = m_session.boxText(ListKind::Midi);
    if (path.isEmpty()) {
        m_midiTestTimer->stop();
        m_dialogs.messageBox(u"ＭＩＤＩファイルが登録されていません"_s);
        return;
    }
    pauseMidi(m_media.midi);
    closeMidi(m_media.midi);
    openMidi(m_media.midi, path);
    playMidi(m_media.midi);
    m_midiTestTimer->start();
}

void SettingsWindow::onMidiTestElapsed() {
    pauseMidi(m_media.midi);
    closeMidi(m_media.midi);
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
    loadPreview(m_picturePreview, m_session.boxText(ListKind::Picture));
    refresh();
    emit pictureSetChosen();
}

void SettingsWindow::okClicked() {
    m_voiceRecorder->assignRecordings();
    m_session.ok();
    emit settingsApplied();
    accept();
}

void SettingsWindow::cancelClicked() {
    reject();
}

void SettingsWindow::done(int result) {
    m_midiTestTimer->stop();
    m_voiceRecorder->discard();
    m_hintBox->hide();
    m_bottomHintBox->hide();
    m_loaded = false;
    QDialog::done(result);
    emit closed();
}

void SettingsWindow::saveDataFile() {
    if (m_session.saveDataFile())
        refresh();
}

void SettingsWindow::onPhotoFolderClicked() {
    const auto chosen = PhotoFolderDialog::choose(m_dialogs, m_session.checks().kanaKeys, this);
    if (!chosen)
        return;
    m_session.assignEntries(ListKind::Picture, *chosen);
    refresh();
    loadPreviews();
}

void SettingsWindow::onFileDropped(ListKind kind, int row, const QString &path) {
    m_session.selectRow(kind, row);
    m_session.changeBoxText(kind, path);
    refresh();
    loadPreviews();
}

void SettingsWindow::openDataFile() {
    if (m_session.openDataFile()) {
        refresh();
        loadPreviews();
        emit settingsApplied();
    }
}

void SettingsWindow::openOldDataFile() {
    if (m_session.openOldDataFile()) {
        refresh();
        loadPreviews();
        emit settingsApplied();
    }
}

void SettingsWindow::showHelpContents() {
    m_help.runHelpCommand(this, m_state.helpFilePath(), HelpCommand::Contents);
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

void SettingsWindow::loadPreviews() {
    loadPreview(m_picturePreview, m_session.boxText(ListKind::Picture));
    loadPreview(m_wavePagePicturePreview,
                m_session.lists().entry(ListKind::Picture, m_session.currentRow(ListKind::Wave)));
}

void SettingsWindow::loadPreview(QLabel *image, const QString &path) {
    // A key without a picture shows none.
    if (path.isEmpty()) {
        image->clear();
        return;
    }
    // The same reading as the key actions' picture cache does.
    const QSize room = image->contentsRect().size();
    PictureLoader loader;
    // A photo is decoded straight at about the preview's size: a fraction of a full decode.
    loader.setSizeRule(
        [room](const QSize &natural) { return natural.scaled(room, Qt::KeepAspectRatio); });
    const Picture picture = loader.read(openablePath(path));
    if (picture.isNull())
        return;
    QSize fitted = picture.size().scaled(room, Qt::KeepAspectRatio);
    if (picture.size().width() <= room.width() && picture.size().height() <= room.height())
        fitted = picture.size();
    image->setPixmap(QPixmap::fromImage(picture.scaled(fitted)));
}

} // namespace pikoro
