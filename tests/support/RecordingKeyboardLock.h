#pragma once

#include "play/KeyboardLock.h"

namespace pikoro {

// A keyboard lock for tests: answers every request with `answer` and tells whether the keys
// are held now and how often they were asked for.
class RecordingKeyboardLock : public KeyboardLock {
public:
    Result answer = Result::Held;
    bool held = false;
    int requests = 0;

    Result take() override {
        ++requests;
        held = answer == Result::Held;
        return answer;
    }
    void release() override { held = false; }
};

} // namespace pikoro
