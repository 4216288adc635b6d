#include "TempFolder.h"
#include "TestRunner.h"

#include "ScriptedDialogs.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
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
        QTest::newRow("star dot star or no patterns is every file")
            << QList<FileType>{{u"All"_s, {u"*.*"_s}}, {u"data"_s, {}}}
            << QStringList{u"All (*)"_s, u"data (*)"_s};
    }
    void filterConversion() {
        QFETCH(QList<FileType>, types);
        QFETCH(QStringList, qt);
        QCOMPARE(qtNameFilters(types), qt);
    }
};
PIKORO_TEST_CLASS(DialogRulesTest)

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

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // Japanese buttons, the default one pressed by Return, and the one clicked is answered.
    void messageBoxShowsAndMapsButtons() {
        QtDialogs dialogs;
        QString text;
        QStringList buttonTexts;
        QPoint centreOffset;
        whenOpen<QMessageBox>([&](QMessageBox *box) {
            text = box->text();
            for (QAbstractButton *button : box->buttons())
                buttonTexts << button->text();
            buttonTexts.sort();
            centreOffset = box->frameGeometry().center() - box->screen()->geometry().center();
            QTest::keyClick(box, Qt::Key_Return);
        });
        const DialogButton answer =
            dialogs.messageBox({u"おわっちゃうよ？\r次の行"_s, u"終了の確認"_s,
                                MessageButtons::YesNo, MessageIcon::Question, DialogButton::No});
        QCOMPARE(answer, DialogButton::No);
        QCOMPARE(text, u"おわっちゃうよ？\n次の行"_s);
        QCOMPARE(buttonTexts, (QStringList{u"いいえ(&N)"_s, u"はい(&Y)"_s}));
        QVERIFY2(qAbs(centreOffset.x()) <= 1 && qAbs(centreOffset.y()) <= 1,
                 qPrintable(u"off centre by %1,%2"_s.arg(centreOffset.x()).arg(centreOffset.y())));
    }

    // The typed name or the saved file with its default extension; Cancel gives nothing.
    void textDialogsReturnTextOrCancel() {
        test::TempFolder folder;
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

        whenOpen<QFileDialog>([&](QFileDialog *dialog) {
            dialog->selectFile(u"mine"_s);
            static_cast<QDialog *>(dialog)->accept();
        });
        const FileDialogRequest request{.title = u"保存"_s,
                                        .fileTypes = {{u"data"_s, {u"*.pik"_s}}},
                                        .defaultExtension = u"pik"_s,
                                        .initialFolder = folder.path()};
        QCOMPARE(dialogs.saveFile(request), std::optional<QString>(folder.file(u"mine.pik"_s)));
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
