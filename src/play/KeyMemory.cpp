#include "play/KeyMemory.h"

#include "core/Dialogs.h"

using namespace Qt::StringLiterals;

namespace pikoro {

QString memorySwitchCaption() {
    return u"記憶"_s;
}
QString memoryFullMessage() {
    // One line of the status line: the two sentences side by side.
    return u"これ以上記憶できません"_s + u"　"_s + u"記憶できるキーは１０個までです"_s;
}
QString memoryEmptyMessage() {
    return u"何も記憶していません"_s;
}
QString memoryClearTitle() {
    return u"記憶消去"_s;
}
QString memoryClearQuestion() {
    return u"記憶を消去します。"_s + u"\r"_s + u"よろしいですか？"_s;
}
QString playbackFinishedText() {
    return u"再生は全て終了しました"_s;
}
QString memoryClearedText() {
    return u"記憶を全てクリアしました"_s;
}

KeyMemory::KeyMemory(MemoryView &view, Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_view(view), m_dialogs(dialogs) {
    m_timer.setInterval(PlaybackInterval);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KeyMemory::onPlaybackTick);
}

void KeyMemory::store(const QString &picturePath, const QString &soundPath) {
    if (m_keyStroke)
        m_view.setPlaybackEnabled(true);
    if (!m_view.isMemorySwitchOn())
        return;
    // Said on the status line, never in a box: the key itself plays on as usual.
    if (m_count == Capacity) {
        m_view.showStatusNote(memoryFullMessage());
        return;
    }
    m_entries[std::size_t(m_count)] = {picturePath, soundPath};
    ++m_count;
    m_view.setCounterText(QString::number(m_count));
}

void KeyMemory::play() {
    m_view.setLoopingSuspended(true);
    if (m_count == 0) {
        m_view.setStatusText(memoryEmptyMessage());
        m_view.setLoopingSuspended(false);
        return;
    }
    m_view.setPlaybackEnabled(false);
    m_keyStroke = false;
    m_playing = true;
    showStored(0);
    armStep(1);
}

void KeyMemory::clear() {
    const DialogButton answer =
        m_dialogs.messageBox({memoryClearQuestion(), memoryClearTitle(), MessageButtons::OkCancel,
                              MessageIcon::Question, DialogButton::Cancel});
    if (answer != DialogButton::Ok)
        return;
    m_view.clearPictureHolder();
    m_entries = {};
    m_count = 0;
    m_view.setMemorySwitchOn(false);
    m_view.setCounterText(u"0"_s);
    m_view.setStatusText(memoryClearedText());
}

void KeyMemory::keyActionStarted() {
    m_keyStroke = true;
    if (m_playing) {
        m_timer.stop();
        finish();
    }
}

void KeyMemory::onPlaybackTick() {
    m_timer.stop();
    if (!m_playing)
        return;
    if (m_step >= Capacity) {
        if (!(m_view.soundsOn() && m_keyStroke))
            m_view.setStatusText(playbackFinishedText());
        finish();
        return;
    }
    // A key stroke that left the timer running (the miss picture) ends the playback here when
    // sounds are on; with sounds off the next picture still shows.
    if (!m_view.soundsOn() || !m_keyStroke)
        showEntry(m_step);
    else
        finish();
}

void KeyMemory::showEntry(int k) {
    if (m_count == m_step) {
        m_view.setStatusText(playbackFinishedText());
        finish();
        return;
    }
    showStored(k);
    // An entry without a picture keeps the playback going even after a key stroke.
    if (m_entries[std::size_t(k)].picture.isEmpty() || !m_keyStroke)
        armStep(k + 1);
    else
        finish();
}

void KeyMemory::showStored(int k) {
    const Entry &entry = m_entries[std::size_t(k)];
    m_view.showStoredPicture(entry.picture);
    if (m_view.soundsOn() && !entry.sound.isEmpty())
        m_view.playStoredSound(entry.sound);
}

void KeyMemory::armStep(int next) {
    m_step = next;
    m_timer.start();
}

void KeyMemory::finish() {
    m_playing = false;
    m_view.setLoopingSuspended(false);
}

} // namespace pikoro
