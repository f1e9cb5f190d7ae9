#include "Interface/Assistant.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMetaEnum>
#include <QProcess>
#include <QUrl>

Assistant *Assistant::instance = nullptr;

Assistant::Assistant(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_WIN
    m_viewer = QStringLiteral("hh.exe");
#else
    m_viewer = QStringLiteral("xdg-open");
#endif
    instance = this;
}

Assistant::~Assistant()
{
    if (instance == this)
        instance = nullptr;
}

QString Assistant::pageName(int topic)
{
    if (topic == topic_main)
        return QString();
    QString key = QString::fromLatin1(QMetaEnum::fromType<enumTopic>().valueToKey(topic));
    return key.remove(QStringLiteral("topic_")) + QStringLiteral(".html");
}

void Assistant::showHelp(int topic)
{
    const QString page = pageName(topic);
    const QString appDir = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    const QString helpFile = appDir + QStringLiteral("/help.chm");
    const QString argument = page.isEmpty() ? helpFile : helpFile + QStringLiteral("::/") + page;
    QProcess process;
    process.setProgram(m_viewer);
    // One argument in quotes, whatever blanks the folder holds.
    process.setNativeArguments(QLatin1Char('"') + argument + QLatin1Char('"'));
    const bool started = process.startDetached();
#else
    const QString helpFile = appDir + QStringLiteral("/help/index.html");
    const QString argument = page.isEmpty() ? helpFile : appDir + QStringLiteral("/help/") + page;
    const bool started = QProcess::startDetached(m_viewer, QStringList{argument});
#endif
    if (!started)
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
}
