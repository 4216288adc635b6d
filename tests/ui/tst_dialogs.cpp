#include "TempFolder.h"
#include "TestRunner.h"

#include "ScriptedDialogs.h"
#include "ui/QtDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace pikoro;
using namespace Qt::StringLiterals;

class DialogRulesTest : public QObject {
    Q_OBJECT
private slots:
    void filterConversion_data() {
        QTest::addColumn<QList<FileType>>("types");
        QTest::addColumn<QStringList>("qt");
        QTest::newRow("upper-case pattern also matches lower case")
            << QList<FileType>{{u"WAVEﾌｧｲﾙ"_s, {u"*.WAV"_s}}}
            << QStringList{u"WAVEﾌｧｲﾙ (*.WAV *.wav)"_s};
        QTest::newRow("two types, several patterns")
            << QList<FileType>{{u"BMPﾌｧｲﾙ"_s, {u"*.bmp"_s}},
                               {u"Pictures"_s, {u"*.bmp"_s, u"*.Ico"_s}}}
            << QStringList{u"BMPﾌｧｲﾙ (*.bmp *.BMP)"_s,
                           u"Pictures (*.bmp *.BMP *.Ico *.ico *.ICO)"_s};
        QTest::newRow("star dot star is every file")
            << QList<FileType>{{u"All"_s, {u"*.*"_s}}} << QStringList{u"All (*)"_s};
        QTest::newRow("no patterns is every file")
            << QList<FileType>{{u"data"_s, {}}} << QStringList{u"data (*)"_s};
        QTest::newRow("empty") << QList<FileType>{} << QStringList{};
    }
    void filterConversion() {
        QFETCH(QList<FileType>, types);
        QFETCH(QStringList, qt);
        QCOMPARE(qtNameFilters(types), qt);
    }

    // The converted filter must be one Qt's file dialog understands: it lists a.pik and B.PIK
    // and hides the rest.
    void fileDialogAppliesConvertedFilter() {
        test::TempFolder folder;
        for (const QString &name : {u"a.pik"_s, u"B.PIK"_s, u"c.txt"_s, u"pik"_s})
            folder.write(name, "x");
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(qtNameFilters({{u"data"_s, {u"*.pik"_s}}}));
        dialog.setDirectory(folder.path());
        auto *model = dialog.findChild<QFileSystemModel *>();
        QVERIFY(model);
        const QModelIndex root = model->index(folder.path());
        const auto shown = [&] {
            QStringList names;
            for (int row = 0; row < model->rowCount(root); ++row) {
                const QModelIndex index = model->index(row, 0, root);
                if (model->flags(index) & Qt::ItemIsEnabled)
                    names << index.data().toString();
            }
            names.sort();
            return names;
        };
        QTRY_COMPARE(shown(), (QStringList{u"B.PIK"_s, u"a.pik"_s}));
    }

    void defaultExtension_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("result");
        QTest::newRow("bare name") << u"/d/name"_s << u"pik"_s << u"/d/name.pik"_s;
        QTest::newRow("same extension upper case") << u"/d/a.PIK"_s << u"pik"_s << u"/d/a.PIK"_s;
        QTest::newRow("hidden file") << u"/d/.name"_s << u"pik"_s << u"/d/.name.pik"_s;
        QTest::newRow("trailing dot") << u"/d/name."_s << u"pik"_s << u"/d/name.pik"_s;
        QTest::newRow("extension given with dot") << u"name"_s << u".pik"_s << u"name.pik"_s;
        QTest::newRow("no default extension") << u"/d/name"_s << QString() << u"/d/name"_s;
        QTest::newRow("empty path stays empty") << QString() << u"pik"_s << QString();
        QTest::newRow("folder only") << u"/d/"_s << u"pik"_s << u"/d/"_s;
    }
    void defaultExtension() {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(QString, result);
        QCOMPARE(withDefaultExtension(path, extension), result);
    }
};
PIKORO_TEST_CLASS(DialogRulesTest)

class ScriptedDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void recordsCallsAndAnswersInOrder() {
        ScriptedDialogs dialogs;
        dialogs.answerButton(DialogButton::Cancel);
        dialogs.answerText(u"たろう"_s);
        dialogs.answerCancel();
        dialogs.answerText(u"/tmp/set"_s);

        QCOMPARE(dialogs.messageBox({u"記憶を消去します。\rよろしいですか？"_s, u"記憶消去"_s,
                                     MessageButtons::OkCancel, MessageIcon::Question,
                                     DialogButton::Cancel}),
                 DialogButton::Cancel);
        QCOMPARE(dialogs.inputBox(u"登録ユーザー名を入力してください"_s, u"終了"_s),
                 std::optional<QString>(u"たろう"_s));
        const FileDialogRequest open{.title = u"ファイルオープン"_s,
                                     .fileTypes = {{u"オープン"_s, {u"*.pik"_s}}},
                                     .defaultExtension = u"pik"_s};
        QCOMPARE(dialogs.openFile(open), std::nullopt);
        const FileDialogRequest save{.title = u"保存"_s, .defaultExtension = u"pik"_s};
        QCOMPARE(dialogs.saveFile(save), std::optional<QString>(u"/tmp/set.pik"_s));

        const auto &calls = dialogs.calls();
        QCOMPARE(calls.size(), 4);
        QCOMPARE(calls[0].title, u"記憶消去"_s);
        QCOMPARE(calls[0].message.defaultButton, DialogButton::Cancel);
        QCOMPARE(calls[1].kind, ScriptedDialogs::Kind::InputBox);
        QCOMPARE(calls[1].prompt, u"登録ユーザー名を入力してください"_s);
        QCOMPARE(calls[1].title, u"終了"_s);
        QCOMPARE(calls[2].file, open);
        QCOMPARE(calls[3].kind, ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(dialogs.messageTexts(), QStringList{u"記憶を消去します。\rよろしいですか？"_s});
        QVERIFY(dialogs.failures().isEmpty());
        QCOMPARE(dialogs.remainingAnswers(), 0);
    }

    void unexpectedDialogsAreReported() {
        ScriptedDialogs dialogs;
        QStringList reported;
        dialogs.setFailureHandler([&reported](const QString &m) { reported << m; });

        // Nothing queued: Cancel where there is one, No for a yes/no box.
        QCOMPARE(dialogs.messageBox(u"消す？"_s, {}, MessageButtons::OkCancel),
                 DialogButton::Cancel);
        QCOMPARE(dialogs.messageBox(u"自動？"_s, {}, MessageButtons::YesNo), DialogButton::No);
        QCOMPARE(dialogs.inputBox(u"名前"_s, u"終了"_s), std::nullopt);
        // Answers that the dialog cannot give.
        dialogs.answerButton(DialogButton::Yes);
        QCOMPARE(dialogs.messageBox(u"OKだけ"_s), DialogButton::Ok);
        dialogs.answerText(u"text"_s);
        QCOMPARE(dialogs.messageBox(u"ボタン"_s, {}, MessageButtons::YesNo), DialogButton::No);
        dialogs.answerButton(DialogButton::Ok);
        QCOMPARE(dialogs.saveFile({}), std::nullopt);

        QCOMPARE(reported.size(), 6);
        QCOMPARE(dialogs.failures(), reported);
        QVERIFY(reported[0].contains(u"消す？"_s));
        QVERIFY(reported[3].contains(u"OKだけ"_s));
        QCOMPARE(dialogs.calls().size(), 6);
    }

    void defaultReportIsAWarning() {
        QTest::ignoreMessage(QtWarningMsg, "ScriptedDialogs: no answer queued for message box "
                                           "\"ピコロはすでに起動しています\"");
        QTest::ignoreMessage(QtWarningMsg, "ScriptedDialogs: 1 queued answer(s) never asked for");
        ScriptedDialogs dialogs;
        dialogs.messageBox(u"ピコロはすでに起動しています"_s);
        dialogs.answerText(u"left over"_s);
    }
};
PIKORO_TEST_CLASS(ScriptedDialogsTest)

namespace {

// Runs action on the modal dialog that the next exec() opens. If none appears, every
// top-level dialog is closed so that the test fails instead of hanging.
template <class Dialog> void whenOpen(std::function<void(Dialog *)> action) {
    QTimer::singleShot(0, qApp, [action] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            action(dialog);
            return;
        }
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QDialog *>(widget))
                dialog->reject();
        }
    });
}

QAbstractButton *buttonWithText(QMessageBox *box, const QString &text) {
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxShowsAndMapsButtons() {
        QtDialogs dialogs;
        QString title, text;
        QStringList buttonTexts;
        QString defaultText;
        QPoint centreOffset;
        whenOpen<QMessageBox>([&](QMessageBox *box) {
            title = box->windowTitle();
            text = box->text();
            for (QAbstractButton *button : box->buttons())
                buttonTexts << button->text();
            buttonTexts.sort();
            defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
            centreOffset = box->frameGeometry().center() - box->screen()->geometry().center();
            buttonWithText(box, u"いいえ(&N)"_s)->click();
        });
        const DialogButton answer =
            dialogs.messageBox({u"おわっちゃうよ？\r次の行"_s, u"終了の確認"_s,
                                MessageButtons::YesNo, MessageIcon::Question, DialogButton::No});
        QCOMPARE(answer, DialogButton::No);
        QCOMPARE(title, u"終了の確認"_s);
        QCOMPARE(text, u"おわっちゃうよ？\n次の行"_s);
        QCOMPARE(buttonTexts, (QStringList{u"いいえ(&N)"_s, u"はい(&Y)"_s}));
        QCOMPARE(defaultText, u"いいえ(&N)"_s);
        QVERIFY2(qAbs(centreOffset.x()) <= 1 && qAbs(centreOffset.y()) <= 1,
                 qPrintable(u"off centre by %1,%2"_s.arg(centreOffset.x()).arg(centreOffset.y())));
    }

    void inputBoxReturnsTextOrCancel() {
        QtDialogs dialogs;
        QString shownDefault;
        whenOpen<QInputDialog>([&](QInputDialog *dialog) {
            shownDefault = dialog->textValue();
            dialog->setTextValue(u"はなこ"_s);
            dialog->accept();
        });
        QCOMPARE(dialogs.inputBox(u"名前"_s, u"終了"_s, u"既定"_s),
                 std::optional<QString>(u"はなこ"_s));
        QCOMPARE(shownDefault, u"既定"_s);

        whenOpen<QInputDialog>([](QInputDialog *dialog) { dialog->reject(); });
        QCOMPARE(dialogs.inputBox(u"名前"_s, u"終了"_s), std::nullopt);
    }

    void saveDialogAddsDefaultExtension() {
        test::TempFolder folder;
        QtDialogs dialogs;
        QStringList filters;
        whenOpen<QFileDialog>([&](QFileDialog *dialog) {
            filters = dialog->nameFilters();
            dialog->selectFile(u"mine"_s);
            static_cast<QDialog *>(dialog)->accept();
        });
        const FileDialogRequest request{.title = u"保存"_s,
                                        .fileTypes = {{u"data"_s, {u"*.pik"_s}}},
                                        .defaultExtension = u"pik"_s,
                                        .initialFolder = folder.path()};
        QCOMPARE(dialogs.saveFile(request), std::optional<QString>(folder.file(u"mine.pik"_s)));
        QCOMPARE(filters, QStringList{u"data (*.pik *.PIK)"_s});

        whenOpen<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
        QCOMPARE(dialogs.openFile(request), std::nullopt);
    }

    void qtOwnTextsAreJapanese() {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qt_ja.qm"_s))
            QSKIP("Qt's Japanese translation (Debian package qt6-translations-l10n) is absent");
        const auto translator = installJapaneseQtTexts();
        QVERIFY(translator);
        QtDialogs dialogs;
        QStringList texts;
        whenOpen<QFileDialog>([&](QFileDialog *dialog) {
            for (const char *name : {"lookInLabel", "fileNameLabel"})
                texts << dialog->findChild<QWidget *>(QLatin1String(name))
                             ->property("text")
                             .toString();
            for (QPushButton *button : dialog->findChildren<QPushButton *>())
                texts << button->text();
            dialog->reject();
        });
        QCOMPARE(dialogs.openFile({.title = u"ファイルオープン"_s}), std::nullopt);
        QCOMPARE(texts, (QStringList{u"アドレス:"_s, u"ファイル名(&N):"_s, u"開く(&O)"_s,
                                     u"キャンセル"_s}));
    }

    void busyPointerIsOneOverride() {
        QVERIFY(!QGuiApplication::overrideCursor());
        {
            QtDialogs dialogs;
            dialogs.setMousePointer(MousePointer::ArrowHourglass);
            QVERIFY(QGuiApplication::overrideCursor());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
            dialogs.setMousePointer(MousePointer::Hourglass);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            dialogs.setMousePointer(MousePointer::Normal);
            QVERIFY(!QGuiApplication::overrideCursor());
            dialogs.setMousePointer(MousePointer::Normal); // once more: must not underflow

            // A dialog opened while busy shows the arrow, and the busy pointer comes back.
            dialogs.setMousePointer(MousePointer::Hourglass);
            Qt::CursorShape duringDialog = Qt::BlankCursor;
            whenOpen<QMessageBox>([&](QMessageBox *box) {
                duringDialog = QGuiApplication::overrideCursor()->shape();
                box->buttons().first()->click();
            });
            dialogs.messageBox(u"x"_s);
            QCOMPARE(duringDialog, Qt::ArrowCursor);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        // Going away gives the pointer back.
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};
PIKORO_TEST_CLASS(QtDialogsTest)

#include "tst_dialogs.moc"
