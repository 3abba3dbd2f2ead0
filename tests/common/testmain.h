// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One test program per folder: each tst_*.cpp registers its test object under
// its file's name, and the program runs the one its first argument names
// (ctest runs each so, in a process of its own). The rest of the arguments go
// to Qt Test: `tst_leases tst_audit -v2 someFunction`.

#include <QObject>

namespace velmaris::test {

using TestFactory = QObject* (*)();
using ChildMain = int (*)(int argc, char** argv);

int registerTest(const char* file, TestFactory make);
// A mode a test starts this program in to play a second process: argv[1] is
// `flag`, and the whole argv is handed to `child`.
int registerChild(const char* flag, ChildMain child);

} // namespace velmaris::test

#define VELMARIS_TEST(Class)                                                                       \
    static const int velmarisTestRegistered =                                                      \
        velmaris::test::registerTest(__FILE__, []() -> QObject* { return new Class; });

#define VELMARIS_TEST_CHILD(flag, function)                                                        \
    static const int velmarisChildRegistered = velmaris::test::registerChild(flag, function);
