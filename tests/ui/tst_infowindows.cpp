#include "MemoryUserStore.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "ScriptedCapsLock.h"
#include "ScriptedDialogs.h"
#include "core/HelpDocument.h"
#include "ui/CapsLock.h"
#include "ui/InstructionsWindow.h"
#include "ui/ThreeDControls.h"
#include "ui/UserNameWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

Q_DECLARE_METATYPE(InstructionsWindow::Opening)

namespace {
// Every control of the instructions shows whole, inside the window, clear of the next one.
void checkShownWhole(const InstructionsWindow &window) {
    QList<QWidget *> shown{window.registerFirst,        window.m_nameEdit, window.m_capsLockNotice,
                           window.m_lines[0],           window.m_lines[1], window.m_lines[2],
                           window.m_dontShowAgainCheck, window.m_okButton};
    shown.removeAll(nullptr); // no name field, no request to register first
    for (qsizetype i = 0; i < shown.size(); ++i) {
        QWidget *w = shown[i];
        const auto *label = qobject_cast<QLabel *>(w);
        const QSize needed = label && label->wordWrap()
                                 ? QSize(0, label->heightForWidth(w->width()))
                                 : w->sizeHint();
        QVERIFY(window.rect().contains(w->geometry()) && w->width() >= needed.width() &&
                w->height() >= needed.height());
        if (i + 1 < shown.size())
            QVERIFY(!w->geometry().intersects(shown[i + 1]->geometry()));
    }
}
} // namespace

class InfoWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // The settings' user name window shows the stored name and stores a new one once confirmed
    // (a refusal is tried where the name is first registered).
    void userNameStoredOnlyWhenConfirmed() {
        MemoryUserStore store;
        store.write(u"PIKORO"_s, u"ユーザー登録"_s, u"名前"_s, u"old"_s);
        ScriptedDialogs dialogs;
        UserNameWindow window(store, dialogs);
        QVERIFY(window.m_blinkTimer->isActive() && window.m_blinkTimer->interval() == 1000);
        QCOMPARE(window.m_nameEdit->text(), u"old"_s);
        window.m_nameEdit->setText(u"おとうさん1234"_s);
        dialogs.answerButton(DialogButton::Yes);
        window.m_okButton->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(UserName::read(store), u"おとうさん1234"_s);
    }

    // The shipped help page is one the viewer shows, and it promises nothing the program cannot
    // do (picture editing, a key memory kept for later); an old Windows help file is named in
    // a message instead.
    void helpDocuments() {
        const HelpDocument shipped = HelpDocument::load(
            QDir::cleanPath(QStringLiteral(PIKORO_FIXTURES "/../../../assets/pikoro.hlp")));
        QCOMPARE(shipped.kind, HelpDocument::Kind::Html);
        QVERIFY(shipped.text.contains(u"ピコロ"_s));
        QVERIFY(!shipped.text.contains(u"絵の編集"_s) && !shipped.text.contains(u"記憶を保存"_s));
        TempFolder folder;
        const HelpDocument old = HelpDocument::load(
            folder.write(u"pikoro.hlp"_s, QByteArray("\x3f\x5f\x03\x00\x10\x00", 6)));
        QCOMPARE(old.kind, HelpDocument::Kind::Unsupported);
        QVERIFY(old.message.contains(u"pikoro.hlp"_s));
    }

    // The do-not-show flag in the per-user file: stored only when the box was ticked, never
    // from the mascot, where there is no box. Every line shows whole; opened from the mascot
    // while no user name is registered a first line says where to register one.
    void doNotShowFlag_data() {
        QTest::addColumn<InstructionsWindow::Opening>("opening");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("named"); // a user name is registered
        const auto startup = InstructionsWindow::Opening::AtStartup;
        const auto mascot = InstructionsWindow::Opening::FromMascot;
        QTest::newRow("ticked") << startup << true << u"1"_s << true;
        QTest::newRow("unticked") << startup << false << u"none"_s << true;
        QTest::newRow("mascot, no name") << mascot << true << u"none"_s << false;
    }
    void doNotShowFlag() {
        QFETCH(InstructionsWindow::Opening, opening);
        QFETCH(bool, tick);
        QFETCH(QString, stored);
        QFETCH(bool, named);
        TempFolder folder;
        ProfileUserStore store(folder.file(u"store"_s));
        if (named)
            store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"mama"_s);
        ScriptedDialogs dialogs;
        InstructionsWindow window(store, dialogs, opening);
        QCOMPARE(window.registerFirst == nullptr, named);
        QVERIFY(!window.m_nameEdit);
        checkShownWhole(window);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.m_dontShowAgainCheck->isVisible(),
                 opening == InstructionsWindow::Opening::AtStartup);
        const QPoint box = window.m_dontShowAgainCheck->geometry().topLeft() + QPoint(6, 6);
        for (int i = tick ? 1 : 2; i > 0; --i) // one tick, or two that cancel out
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, box);
        QTest::mouseClick(window.m_okButton, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(ProfileUserStore(folder.file(u"store"_s))
                     .read(u"PIKORO"_s, u"ユーザー登録"_s, u"MSG"_s, u"none"_s),
                 stored);
    }

    // At the first start the parent registers the user name here; neither OK, the close box
    // nor Escape goes on to play without one. Caps Lock is said under the field, and the name
    // is stored as typed once confirmed.
    void firstStartRegistersTheName() {
        TempFolder folder;
        ProfileUserStore store(folder.file(u"store"_s));
        ScriptedDialogs dialogs;
        ScriptedCapsLock caps;
        InstructionsWindow window(store, dialogs, InstructionsWindow::Opening::AtStartup);
        QVERIFY(window.m_nameEdit && window.registerFirst);
        checkShownWhole(window);
        window.m_capsLockNotice->setSource(caps);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        for (int i = 0; i < 3; ++i)
            dialogs.answerButton(DialogButton::Ok);
        QTest::mouseClick(window.m_okButton, Qt::LeftButton);
        QVERIFY(!window.close());
        QTest::keyClick(window.m_nameEdit, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QCOMPARE(dialogs.messageTexts(),
                 QStringList(3, u"登録名が設定されていません　ユーザー名は必ず登録してください"_s));

        caps.on = true;
        QTest::keyClicks(window.m_nameEdit, u"MAMA"_s);
        QVERIFY(window.m_capsLockNotice->isVisible());
        dialogs.answerButton(DialogButton::No);
        QTest::keyClick(window.m_nameEdit, Qt::Key_Return);
        QVERIFY(window.isVisible() && UserName::read(store).isEmpty());
        dialogs.answerButton(DialogButton::Yes);
        QTest::keyClick(window.m_nameEdit, Qt::Key_Return);
        QVERIFY(!window.isVisible());
        QCOMPARE(dialogs.messageTexts().last(), u"登録名は　MAMA　です　よろしいですか？"_s);
        QCOMPARE(UserName::read(ProfileUserStore(folder.file(u"store"_s))), u"MAMA"_s);
    }
};

PIKORO_TEST_CLASS(InfoWindowsTest)
#include "tst_infowindows.moc"
