#include "TestRunner.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <vector>

namespace pikoro::test {
namespace {
struct Entry {
    const char *name;
    TestFactory factory;
};
std::vector<Entry> &registry() {
    static std::vector<Entry> entries;
    return entries;
}
} // namespace

bool registerTestClass(const char *name, TestFactory factory) {
    registry().push_back({name, std::move(factory)});
    return true;
}

} // namespace pikoro::test

// Runs every registered class, or only the one named first on the command line
// (tst_app ProfileFileTest -v2 runs one class with Qt Test's own options).
int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    QString only;
    if (args.size() > 1 && !args.at(1).startsWith('-')) {
        only = args.takeAt(1);
    }
    int failures = 0;
    int ran = 0;
    for (const auto &entry : pikoro::test::registry()) {
        if (!only.isEmpty() && only != QLatin1String(entry.name))
            continue;
        auto object = entry.factory();
        failures += QTest::qExec(object.get(), args);
        ++ran;
    }
    if (ran == 0) {
        qWarning("no test class ran");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
