#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/UserStore.h"
#include "ui/InstructionsWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

Q_DECLARE_METATYPE(InstructionsWindow::Opening)

class InstructionsWindowTest : public QObject {
    Q_OBJECT
private slots:
    // The do-not-show flag in the per-user file: stored only when the box was ticked, however
    // the window closes; never from the mascot, where there is no box.
    void doNotShowFlag_data() {
        QTest::addColumn<InstructionsWindow::Opening>("opening");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("closeBox"); // false: the OK button
        QTest::addColumn<QString>("stored");
        const auto startup = InstructionsWindow::Opening::AtStartup;
        const auto mascot = InstructionsWindow::Opening::FromMascot;
        QTest::newRow("ticked, OK") << startup << true << false << u"1"_s;
        QTest::newRow("ticked, close box") << startup << true << true << u"1"_s;
        QTest::newRow("unticked, OK") << startup << false << false << u"none"_s;
        QTest::newRow("ticked and unticked, close box") << startup << false << true << u"none"_s;
        QTest::newRow("mascot, OK") << mascot << true << false << u"none"_s;
    }
    void doNotShowFlag() {
        QFETCH(InstructionsWindow::Opening, opening);
        QFETCH(bool, tick);
        QFETCH(bool, closeBox);
        QFETCH(QString, stored);
        TempFolder folder;
        ProfileUserStore store(folder.file(u"store"_s));
        ScriptedDialogs dialogs;
        InstructionsWindow window(store, dialogs, opening);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.m_dontShowAgainCheck->isVisible(),
                 opening == InstructionsWindow::Opening::AtStartup);
        const QPoint box = window.m_dontShowAgainCheck->geometry().topLeft() + QPoint(6, 6);
        for (int i = tick ? 1 : 2; i > 0; --i) // one tick, or two that cancel out
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, box);
        if (closeBox)
            QVERIFY(window.close());
        else
            QTest::mouseClick(window.m_okButton, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(ProfileUserStore(folder.file(u"store"_s))
                     .read(u"PIKORO"_s, u"ユーザー登録"_s, u"MSG"_s, u"none"_s),
                 stored);
        QCOMPARE(dialogs.mousePointer(), MousePointer::Normal);
        if (!closeBox)
            QCOMPARE(dialogs.pointerChanges().first(), MousePointer::ArrowHourglass);
    }

    // The texts, each shown whole; while no user name is registered a first line asks for one.
    void textsShowWhole_data() {
        QTest::addColumn<QString>("userName");
        QTest::newRow("name registered") << u"mama"_s;
        QTest::newRow("no name yet") << QString();
    }
    void textsShowWhole() {
        QFETCH(QString, userName);
        TempFolder folder;
        ProfileUserStore store(folder.file(u"store"_s));
        if (!userName.isNull())
            store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, userName);
        ScriptedDialogs dialogs;
        InstructionsWindow window(store, dialogs, InstructionsWindow::Opening::AtStartup);
        QStringList texts{window.windowTitle()};
        for (const QLabel *line : window.m_lines)
            texts << line->text();
        QCOMPARE(
            texts,
            (QStringList{
                u"メッセージ"_s,
                u"終了する場合は、ボタン，マスコット以外の  適当な処で「Ctrlキー」を押しながら右クリックしてください。"_s,
                u"設定フォームを開く場合は、ボタン，マスコット以外の"_s,
                u"適当な処で「Ｓｈｉｆｔキー」を押しながら左クリックしてください。"_s}));
        QVERIFY(!window.m_dontShowAgainCheck->isChecked());
        QCOMPARE(window.registerFirst != nullptr, userName.isNull());
        QList<QWidget *> shown{window.m_lines[0], window.m_lines[1], window.m_lines[2],
                               window.m_dontShowAgainCheck, window.m_okButton};
        if (window.registerFirst) {
            QCOMPARE(window.registerFirst->text(),
                     u"はじめに、設定フォームのメニューからユーザー名を登録してください。"_s);
            shown.prepend(window.registerFirst);
        }
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QWidget *w = shown[i];
            QVERIFY2(window.rect().contains(w->geometry()), qPrintable(w->objectName()));
            const auto *label = qobject_cast<QLabel *>(w);
            const QSize needed = label && label->wordWrap()
                                     ? QSize(0, label->heightForWidth(w->width()))
                                     : w->sizeHint();
            QVERIFY2(w->width() >= needed.width() && w->height() >= needed.height(),
                     qPrintable(u"%1 cut: %2 < %3"_s.arg(i).arg(w->width()).arg(needed.width())));
            // Nothing overlaps the next control down (the box and the button share a row).
            if (i + 1 < shown.size() && shown[i + 1] != window.m_okButton)
                QVERIFY(w->geometry().bottom() < shown[i + 1]->geometry().top());
        }
        QVERIFY(window.m_dontShowAgainCheck->geometry().right() <
                window.m_okButton->geometry().left());
    }
};

PIKORO_TEST_CLASS(InstructionsWindowTest)
#include "tst_instructionswindow.moc"
