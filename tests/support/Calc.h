#pragma once

// LibreOffice Calc in headless mode: the spreadsheet program that computes
// and shows our documents in the document tests.

#include <QString>
#include <QStringList>

namespace Calc {
// soffice from the PATH; empty when LibreOffice is not installed.
QString program();
// One soffice run on the profile folder given, so that no other LibreOffice
// (or run of a test) shares its settings or its lock. False, with the reason,
// when it fails or takes over five minutes.
bool run(const QString &profile, const QStringList &arguments, QString *error);
// The files converted by one run to format (a --convert-to argument) into
// folder, each under its own base name.
bool convert(const QString &profile, const QStringList &files, const QString &format, const QString &folder,
             QString *error);
}
