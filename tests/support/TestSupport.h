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
