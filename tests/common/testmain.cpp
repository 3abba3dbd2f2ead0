// SPDX-License-Identifier: GPL-3.0-or-later
#include "testmain.h"

#include <QFileInfo>
#include <QTest>

#if defined(VELMARIS_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(VELMARIS_TEST_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace velmaris::test {

namespace {

struct Registered {
    std::string source;
    TestFactory make = nullptr;
};

std::map<std::string, Registered>& tests()
{
    static std::map<std::string, Registered> all;
    return all;
}

std::map<std::string, ChildMain>& children()
{
    static std::map<std::string, ChildMain> all;
    return all;
}

} // namespace

int registerTest(const char* file, TestFactory make)
{
    const std::string name =
        QFileInfo(QString::fromLocal8Bit(file)).completeBaseName().toStdString();
    tests()[name] = {file, make};
    return 0;
}

int registerChild(const char* flag, ChildMain child)
{
    children()[flag] = child;
    return 0;
}

} // namespace velmaris::test

int main(int argc, char** argv)
{
    using namespace velmaris::test;
    if (argc >= 2)
        if (const auto child = children().find(argv[1]); child != children().end()) {
            TestApplication app(argc, argv);
            return child->second(argc, argv);
        }
    const auto test = argc >= 2 ? tests().find(argv[1]) : tests().end();
    if (test == tests().end()) {
        std::fprintf(stderr, "usage: %s TEST [qtest options], TEST one of:\n", argv[0]);
        for (const auto& [name, registered] : tests())
            std::fprintf(stderr, "  %s\n", name.c_str());
        return 2;
    }
    // What QTEST_MAIN does, for the one test asked for; its name leaves argv.
    std::memmove(argv + 1, argv + 2, sizeof(char*) * std::size_t(argc - 1));
    --argc;
    TestApplication app(argc, argv);
#if defined(VELMARIS_TEST_WIDGETS)
    app.setAttribute(Qt::AA_Use96Dpi, true);
#endif
    const std::unique_ptr<QObject> object(test->second.make());
    QTest::setMainSourcePath(test->second.source.c_str());
    return QTest::qExec(object.get(), argc, argv);
}
