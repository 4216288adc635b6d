#include "TestRunner.h"

#include <QApplication>
#include <QTest>
#include <utility>
#include <vector>

namespace pikoro::test {
namespace {
std::vector<std::pair<QLatin1String, TestFactory>> &registry() {
    static std::vector<std::pair<QLatin1String, TestFactory>> entries;
    return entries;
}
} // namespace

bool registerTestClass(const char *name, TestFactory factory) {
    registry().emplace_back(QLatin1String(name), std::move(factory));
    return true;
}

} // namespace pikoro::test

// Runs every registered class, or only the one named first on the command line
// (tst_app ProfileFileTest -v2 runs one class with Qt Test's own options).
int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    const QString only =
        args.size() > 1 && !args.at(1).startsWith('-') ? args.takeAt(1) : QString();
    int failures = 0, ran = 0;
    for (const auto &[name, factory] : pikoro::test::registry()) {
        if (only.isEmpty() || only == name) {
            failures += QTest::qExec(factory().get(), args);
            ++ran;
        }
    }
    return failures == 0 && ran > 0 ? 0 : 1; // a misspelt class name fails too
}
