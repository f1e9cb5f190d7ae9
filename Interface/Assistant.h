#pragma once

#include <QObject>
#include <QString>

// Opens the help at the page of a topic, in a viewer of its own that is not waited for.
// On Windows the viewer is the HTML help program with help.chm; elsewhere the desktop's handler
// opens the topic's page in the help/ folder. A viewer that cannot start gives way to the
// desktop's handler for the help's start page.
class Assistant : public QObject
{
    Q_OBJECT
public:
    // The page of a topic is its key without "topic_", followed by ".html".
    enum enumTopic : int {
        topic_main = 0,
        topic_tabSettings = 1,
        topic_tabDeviceConfig = 2,
        topic_tabVerification = 3,
        topic_tabProtocols = 4,
        topic_tabGraph = 5,
        topic_tabQvt = 6,
        topic_templates = 7,
        topic_verification = 8
    };
    Q_ENUM(enumTopic)

    explicit Assistant(QObject *parent = nullptr);
    ~Assistant() override;

    static Assistant *instance;

    void showHelp(int topic);

    // Empty for topic 0; ".html" for a value outside the enumeration.
    static QString pageName(int topic);

    // The program started with the help page as its one argument.
    QString viewer() const { return m_viewer; }
    void setViewer(const QString &program) { m_viewer = program; }

private:
    QString m_viewer;
};
