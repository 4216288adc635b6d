#pragma once

// What every fuzz target shares: the input as Qt bytes or a device, and how a broken promise
// is reported (libFuzzer keeps the input that made the target abort).

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace pikoro::fuzz {

[[noreturn]] inline void fail(const char *what, const QString &detail = {}) {
    std::fprintf(stderr, "%s\n%s\n", what, qPrintable(detail));
    std::abort();
}

inline QByteArray bytesOf(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A read-only device over a copy of the bytes, for readers that take a device.
class InputDevice : public QBuffer {
public:
    explicit InputDevice(const QByteArray &bytes) : m_bytes(bytes) {
        setBuffer(&m_bytes);
        open(QIODevice::ReadOnly);
    }

private:
    QByteArray m_bytes;
};

} // namespace pikoro::fuzz
