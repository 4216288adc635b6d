#pragma once

#include "play/KeyboardLock.h"

namespace pikoro {

// Answers every request with `answer`; tells whether the keys are held, for which window, how
// often they were asked for and given back.
class RecordingKeyboardLock : public KeyboardLock {
public:
    Result answer = Result::Held;
    bool held = false;
    const QWindow *window = nullptr;
    int requests = 0;
    int releases = 0;

    Result take(QWindow &forWindow) override {
        ++requests;
        window = &forWindow;
        held = answer == Result::Held;
        return answer;
    }
    QString deniedNote() const override { return QStringLiteral("denied"); }
    void release() override {
        releases += held ? 1 : 0;
        held = false;
    }
};

} // namespace pikoro
