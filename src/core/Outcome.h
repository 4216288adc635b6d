#pragma once

#include <QString>

namespace pikoro {

// Result of an operation that can fail in a way the user is told about: on failure, message is
// the text to show.
struct Outcome {
    bool ok = true;
    QString message;

    static Outcome success() { return {}; }
    static Outcome failure(const QString &message) { return {false, message}; }
    explicit operator bool() const { return ok; }
};

} // namespace pikoro
