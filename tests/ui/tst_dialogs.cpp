#include "ScriptedCapsLock.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "ui/CapsLock.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
// Runs action on the modal dialog that the next exec() opens. If none appears, every
// top-level dialog is closed so that the test fails instead of hanging.
template <class Dialog> void whenOpen(std::function<void(Dialog *)> action) {
    QTimer::singleShot(0, qApp, [action] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget()))
            return action(dialog);
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(widget))
                dialog->reject();
    });
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // An upper-case pattern also matches lower case; "*.*" or no pattern is every file.
    void filterConversion() {
        QCOMPARE(
            qtNameFilters({{u"WAVE"_s, {u"*.WAV"_s}},
                           {u"Pictures"_s, {u"*.bmp"_s, u"*.Ico"_s}},
                           {u"All"_s, {u"*.*"_s}},
                           {u"data"_s, {}}}),
            (QStringList{u"WAVE (*.WAV *.wav)"_s, u"Pictures (*.bmp *.BMP *.Ico *.ico *.ICO)"_s,
                         u"All (*)"_s, u"data (*)"_s}));
    }

    // Cancel gives no name; a saved file gets its default extension.
    void textDialogsReturnTextOrCancel() {
        test::TempFolder folder;
        QtDialogs dialogs;
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
    }

    // The exit's name box says when Caps Lock is on, on a line under the field, and hands the
    // name back exactly as typed.
    void nameBoxSaysCapsLock() {
        QtDialogs dialogs;
        ScriptedCapsLock caps;
        bool shownUnderField = false;
        whenOpen<QInputDialog>([&](QInputDialog *dialog) {
            auto *field = dialog->findChild<QLineEdit *>();
            auto *notice = dialog->findChild<CapsLockNotice *>();
            if (!field || !notice)
                return dialog->reject();
            notice->setSource(caps);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTest::keyClicks(field, u"ma"_s);
            caps.on = true;
            QTest::keyClick(field, Qt::Key_CapsLock);
            QTest::keyClicks(field, u"MA"_s);
            shownUnderField =
                notice->isVisible() && notice->geometry().top() >= field->geometry().bottom();
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(dialogs.inputBox(u"登録ユーザー名を入力してください"_s, u"終了"_s),
                 std::optional<QString>(u"maMA"_s));
        QVERIFY(shownUnderField);
    }

    // Japanese buttons, Return presses the default one, the box shows the arrow while the
    // program is busy; the busy pointer is one override, undone by Normal or going away.
    void messageBoxAndBusyPointer() {
        {
            QtDialogs dialogs;
            dialogs.setMousePointer(MousePointer::ArrowHourglass);
            dialogs.setMousePointer(MousePointer::Hourglass);
            dialogs.setMousePointer(MousePointer::Normal);
            QVERIFY(!QGuiApplication::overrideCursor());
            dialogs.setMousePointer(MousePointer::Hourglass);
            QStringList buttonTexts;
            Qt::CursorShape pointer = Qt::BlankCursor;
            whenOpen<QMessageBox>([&](QMessageBox *box) {
                for (QAbstractButton *button : box->buttons())
                    buttonTexts << button->text();
                buttonTexts.sort();
                pointer = QGuiApplication::overrideCursor()->shape();
                QTest::keyClick(box, Qt::Key_Return);
            });
            QCOMPARE(
                dialogs.messageBox({u"おわっちゃうよ？"_s, u"終了の確認"_s, MessageButtons::YesNo,
                                    MessageIcon::Question, DialogButton::No}),
                DialogButton::No);
            QCOMPARE(buttonTexts, (QStringList{u"いいえ(&N)"_s, u"はい(&Y)"_s}));
            QCOMPARE(pointer, Qt::ArrowCursor);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};
PIKORO_TEST_CLASS(QtDialogsTest)

#include "tst_dialogs.moc"
