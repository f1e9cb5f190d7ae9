#pragma once

#include <QObject>
#include <QString>

class ParametrEnum;
class ParametrInt;
class ParametrPath;

// The workstation's own settings: decimals, document set, folders, template, font size.
class Settings : public QObject
{
    Q_OBJECT
public:
    explicit Settings(QObject *parent = nullptr);

    static Settings *instance;

    void setDefaults();

    ParametrInt *decimals() const { return m_decimals; }
    ParametrEnum *documentSet() const { return m_documentSet; }
    ParametrPath *protocolPath() const { return m_protocolPath; }
    ParametrPath *templatePath() const { return m_templatePath; }
    ParametrPath *deviceConfPath() const { return m_deviceConfPath; }
    ParametrInt *mainFontSize() const { return m_mainFontSize; }

    // The template of a document set (0, 1 built in; 2 the operator's) and method (0 A, 1 B).
    QString templateFor(int documentSet, int method) const;

signals:
    void decimalsChanged();

private:
    ParametrInt *m_decimals;
    ParametrEnum *m_documentSet;
    ParametrPath *m_protocolPath;
    ParametrPath *m_templatePath;
    ParametrPath *m_deviceConfPath;
    ParametrInt *m_mainFontSize;

    QString m_calibrationA;
    QString m_calibrationB;
    QString m_verificationA;
    QString m_verificationB;
};
