#pragma once

#include <QString>

namespace TestSupport {
// The source tree (fixtures and scripts live there).
QString sourceDir();
// The interpreter that runs the independent checks (python3 with openpyxl).
QString python();
// For tests of files the program keeps beside itself: copies this executable into a fresh
// temporary folder, with the Templates/, Images/ and help/ found beside it, and runs the copy
// there, so that applicationDirPath() is that folder, named folderName followed by "-" and
// six random characters.
// Returns -1 in the copy (go on with the tests), else the copy's exit code.
int runInTemporaryAppDir(int argc, char **argv, const QString &folderName = QStringLiteral("appdir"));
}

// The main() of a test object run in an application folder of its own (runInTemporaryAppDir),
// as QTEST_MAIN is of one that is not; the second form names the application class and the
// folder's name.
#define APPDIR_TEST_MAIN_WITH(TestObject, ApplicationClass, folderName)                          \
    int main(int argc, char **argv)                                                             \
    {                                                                                           \
        const int parent = TestSupport::runInTemporaryAppDir(argc, argv, folderName);           \
        if (parent >= 0)                                                                        \
            return parent;                                                                      \
        ApplicationClass app(argc, argv);                                                       \
        TestObject test;                                                                        \
        return QTest::qExec(&test, argc, argv);                                                 \
    }
#define APPDIR_TEST_MAIN(TestObject) APPDIR_TEST_MAIN_WITH(TestObject, QApplication, QStringLiteral("appdir"))
