#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <atomic>

class HAbstractParametr;
class ParametrPath;
class QSettings;

// One read (mode 0) or write (mode 1) of a parameter by its type in an INI store.
void configureParametr(QSettings &settings, HAbstractParametr *parametr, const QString &key, int mode);

// The store of persistent settings: parameters registered under keys, kept in conf.ini.
class Configurator : public QObject
{
    Q_OBJECT
public:
    struct Entry {
        QString key;
        HAbstractParametr *parametr;
    };

    enum Mode { Read = 0, Write = 1 };

    explicit Configurator(QObject *parent = nullptr);
    ~Configurator() override;

    static Configurator *instance;

    void addParametr(HAbstractParametr *parametr, const QString &key);
    void saveConfiguration();
    void loadConfiguration();
    // Read by the transducer worker, which starts before conf.ini is loaded.
    bool isLoaded() const { return m_loaded.load(std::memory_order_acquire); }
    // Returns false when writing failed; the previous conf.ini is then left as it was.
    bool process(int mode);

    // The connected transducer's own settings file: mode 0 loads, mode 1 saves.
    // Returns false when nothing could be read or written (no serial number, a write error).
    bool processQvtSettings(int mode);
    bool loadQvtSettings();
    bool saveQvtSettings();
    // QvtSettings/<serial>.ini beside the program; empty for a serial number that names no file.
    static QString qvtSettingsPath(const QString &serialNumber);

    ParametrPath *configPath() const { return m_configPath; }
    const QList<Entry> &registry() const { return m_registry; }

    // Whether the file of the transducer loaded last existed.
    bool qvtFileFound = false;

private:
    ParametrPath *m_configPath;
    QList<Entry> m_registry;
    std::atomic<bool> m_loaded{false};
};
