#pragma once

#include <QAbstractTableModel>
#include <QStringList>

// The documents of the protocol folder (prProtocolPath) for the protocol page: one column of
// file names, in the order the folder lists them.
class ModelProtocols : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ModelProtocols(QObject *parent = nullptr);
    ~ModelProtocols() override;

    static ModelProtocols *instance;

    // The protocol folder: the value of prProtocolPath.
    static QString folder();
    // Every file of folder, whatever its name, unsorted; empty when there is no such folder.
    static QStringList listFolder(const QString &folder);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void reloadProtocols();
    // Removes the file fileName of the protocol folder, reloads the list whatever the outcome,
    // and tells whether the file was removed. A name that would leave the folder removes nothing.
    bool removeProtocol(const QString &fileName);

    const QStringList &fileNames() const { return m_fileNames; }

signals:
    void editDataChange();

private:
    QStringList m_fileNames;
};
