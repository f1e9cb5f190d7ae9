#pragma once

#include "Documents/DeviceConfEntry.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPair>
#include <QStringList>

class HAbstractParametr;
class ParametrString;
class TabuloSortFilterProxyModel;
class VrDevice;

// The device cards: numbered .devconf files in the folder of prDeviceConfPath, each the stored
// texts and choices of one device under test. Lists them for the card page, with a filter per
// column, and saves, loads and removes cards.
class ModelDeviceConf : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Mode { Load = 0, Save = 1 };
    enum Column { ColumnName = 0, ColumnType, ColumnSerial, ColumnInventory, ColumnFileName, ColumnCount };

    // The page refuses a new card when this many are listed.
    static constexpr int cardLimit = 200;
    static QString cardExtension() { return QStringLiteral(".devconf"); }
    static QStringList cardNameFilters() { return {QLatin1Char('*') + cardExtension()}; }

    explicit ModelDeviceConf(QObject *parent = nullptr);
    ~ModelDeviceConf() override;

    static ModelDeviceConf *instance;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Rebuilds the list from the folder (created when missing) and filters it again.
    void reloadDeviceConfs();
    // Save: writes the device into a new card, whole or not at all, and sets fileName to its
    // name; false (fileName empty) when the card could not be written. Load: reads the card
    // fileName into the device; keys the card lacks leave their parameters as they were.
    // The list is reloaded after a save either way.
    bool saveOrLoadDevice(VrDevice *device, int mode, QString &fileName);
    // Removes the card fileName, reloads, and tells whether the file was removed.
    bool removeDeviceConf(const QString &fileName);
    // Hands the filter texts to the proxy: each one that is neither empty nor "*" must occur in
    // its column, ignoring case, with "*", "?" and [...] as wildcards.
    void applyFilter();
    int deviceConfCount() const { return m_cards.size(); }

    // The filter text of a column (0 to 4); only 0 to 3 have editors on the page.
    ParametrString *filterText(int column) const { return m_filterTexts.at(column); }
    TabuloSortFilterProxyModel *sortFilterProxy() const { return m_sortFilterProxy; }
    // The card folder: the value of prDeviceConfPath.
    static QString folder();
    // The name a new card in folder gets: one above the largest number among the card names,
    // never the name of a file that exists.
    static QString nextCardName(const QString &folder);
    // The sixteen stored keys of a device with their parameters, in the order they are written.
    static QList<QPair<QString, HAbstractParametr *>> cardKeys(VrDevice *device);

signals:
    void editDataChange();

private:
    bool saveDevice(VrDevice *device, QString &fileName);
    bool loadDevice(VrDevice *device, const QString &fileName);

    QList<ParametrString *> m_filterTexts;
    TabuloSortFilterProxyModel *m_sortFilterProxy;
    QList<DeviceConfEntry> m_cards;
};
