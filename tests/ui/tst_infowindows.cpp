#include "MemoryUserStore.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "core/HelpDocument.h"
#include "core/UserStore.h"
#include "ui/HelpViewer.h"
#include "ui/InfoWindows.h"
#include "ui/ThreeDControls.h"
#include "ui/UserNameWindow.h"

#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

class UserNameWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void nameIsStoredOnlyWhenConfirmed() {
        MemoryUserStore store;
        store.write(u"PIKORO"_s, u"ユーザー登録"_s, u"名前"_s, u"old"_s);
        ScriptedDialogs dialogs;
        UserNameWindow window(store, dialogs);
        QCOMPARE(window.m_nameEdit->text(), u"old"_s);
        window.m_nameEdit->setText(u"おとうさん1234"_s);
        dialogs.answerButton(DialogButton::No);
        window.m_okButton->click();
        QVERIFY(dialogs.messageTexts().last().contains(u"おとうさん1234"_s));
        QCOMPARE(UserName::read(store), u"old"_s);

        dialogs.answerButton(DialogButton::Yes);
        window.m_okButton->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(store.read(u"pikoro"_s, u"ユーザー登録"_s, u"名前"_s, {}), u"おとうさん1234"_s);
        // The next opening shows the stored name.
        UserNameWindow again(store, dialogs);
        QCOMPARE(again.m_nameEdit->text(), u"おとうさん1234"_s);
    }
};
PIKORO_TEST_CLASS(UserNameWindowTest)

class InfoWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void staffPicturesPlayTheSound() {
        RecordingWavePlayer wave;
        ScriptedDialogs dialogs;
        AboutWindow window(u"/app"_s, wave, dialogs);
        QTest::mouseClick(window.m_staffPictures[0], Qt::LeftButton);
        QTest::mouseClick(window.m_staffPictures[1], Qt::LeftButton);
        QTest::mouseClick(window.m_staffPictures[1], Qt::LeftButton, Qt::ShiftModifier);
        QTest::mouseClick(window.m_staffPictures[0], Qt::RightButton);
        QCOMPARE(wave.calls.size(), 2);
        QCOMPARE(wave.calls[0].path, u"/app/iyan.wav"_s);
        QCOMPARE(dialogs.mousePointer(), MousePointer::Normal);
    }

    void helpDocumentKinds_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::newRow("html") << "<!DOCTYPE html><html><body>ピコロ</body></html>"_ba
                              << int(HelpDocument::Kind::Html);
        QTest::newRow("text") << "ピコロの使い方\n"_ba << int(HelpDocument::Kind::PlainText);
        QTest::newRow("windows help")
            << QByteArray("\x3f\x5f\x03\x00\x10\x00", 6) << int(HelpDocument::Kind::Unsupported);
    }
    void helpDocumentKinds() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        TempFolder folder;
        const HelpDocument document = HelpDocument::load(folder.write(u"pikoro.hlp"_s, bytes));
        QCOMPARE(int(document.kind), kind);
        if (kind == int(HelpDocument::Kind::Unsupported))
            QVERIFY(document.message.contains(u"pikoro.hlp"_s));
        else
            QVERIFY(document.text.contains(u"ピコロ"_s));
    }

    // The help page that ships with the program is one the viewer can show.
    void shippedHelpFileIsReadable() {
        const HelpDocument document = HelpDocument::load(
            QDir::cleanPath(QStringLiteral(PIKORO_FIXTURES "/../../../assets/pikoro.hlp")));
        QCOMPARE(int(document.kind), int(HelpDocument::Kind::Html));
        for (const QString &topic :
             {u"終わり方"_s, u"設定"_s, u"ユーザー名がまだ登録されていない"_s, u"モード"_s,
              u"キーボードの大きさ"_s, u"*.pik"_s, u"マスコット"_s, u"自動モード"_s, u"キー記憶"_s,
              u"はずれ"_s, u"F10 のダンス"_s, u"今後、このメッセージを表示しない"_s})
            QVERIFY2(document.text.contains(topic), qPrintable(topic));
        // What the program cannot do is not promised: the picture-edit button stays unavailable
        // and the key memory is not kept.
        for (const QString &feature : {u"絵の編集"_s, u"記憶を保存"_s})
            QVERIFY2(!document.text.contains(feature), qPrintable(feature));
    }
};
PIKORO_TEST_CLASS(InfoWindowsTest)

#include "tst_infowindows.moc"
