#pragma once

// Helpers of the workbook tests: the independent reader (openpyxl, run as a
// process) and direct looks into a saved package.

#include "TestSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QMap>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <zlib.h>

namespace XlsxCheck {

inline QString script(const QString &relative)
{
    return TestSupport::sourceDir() + QStringLiteral("/") + relative;
}

// Runs a python script of the source tree; fails the test on a non-zero exit.
inline QByteArray runPython(const QStringList &arguments, bool *ok = nullptr)
{
    QProcess p;
    p.start(TestSupport::python(), arguments);
    const bool finished = p.waitForFinished(120000);
    const bool good = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = good;
    if (!good)
        qWarning().noquote() << "python" << arguments << "failed:" << p.readAllStandardError();
    return p.readAllStandardOutput();
}

// What openpyxl makes of a workbook (see xlsx_dump.py); empty when it cannot open it.
// With values, formula cells give the results their program stored.
inline QJsonObject dump(const QString &fileName, bool values = false)
{
    bool ok = false;
    QStringList arguments{script(QStringLiteral("tests/Xlsx/xlsx_dump.py"))};
    if (values)
        arguments << QStringLiteral("--values");
    const QByteArray out = runPython(arguments << fileName, &ok);
    if (!ok)
        return QJsonObject();
    return QJsonDocument::fromJson(out).object();
}

inline QJsonObject sheet(const QJsonObject &dump, const QString &name)
{
    return dump.value(QStringLiteral("data")).toObject().value(name).toObject();
}

inline QJsonObject cells(const QJsonObject &dump, const QString &name)
{
    return sheet(dump, name).value(QStringLiteral("cells")).toObject();
}

// One part of a zip package, as stored (inflated); null when absent.
inline QByteArray zipPart(const QString &fileName, const QString &part)
{
    QuaZip zip(fileName);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(part))
        return QByteArray();
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline QStringList zipNames(const QString &fileName)
{
    QuaZip zip(fileName);
    if (!zip.open(QuaZip::mdUnzip))
        return QStringList();
    return zip.getFileNameList();
}

// A copy of a zip with some parts replaced or added (a null value removes the part).
inline QByteArray rewritten(const QString &source, const QMap<QString, QByteArray> &changes)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QuaZip out(&buffer);
    out.open(QuaZip::mdCreate);
    QuaZip in(source);
    in.open(QuaZip::mdUnzip);
    QStringList names = in.getFileNameList();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        if (!names.contains(it.key()))
            names << it.key();
    for (const QString &name : qAsConst(names)) {
        QByteArray bytes;
        if (changes.contains(name)) {
            bytes = changes.value(name);
            if (bytes.isNull())
                continue;
        } else {
            in.setCurrentFile(name);
            QuaZipFile f(&in);
            f.open(QIODevice::ReadOnly);
            bytes = f.readAll();
        }
        QuaZipFile f(&out);
        f.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 9);
        f.write(bytes);
        f.close();
    }
    out.close();
    return data;
}

}
