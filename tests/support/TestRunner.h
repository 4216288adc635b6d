#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace pikoro::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

// Adds a test class to this area's test program; PIKORO_TEST_CLASS calls it at start-up.
bool registerTestClass(const char *name, TestFactory factory);

} // namespace pikoro::test

#define PIKORO_TEST_CLASS(Class)                                                                   \
    static const bool Class##_registered = ::pikoro::test::registerTestClass(                      \
        #Class, [] { return std::unique_ptr<QObject>(new Class); });
