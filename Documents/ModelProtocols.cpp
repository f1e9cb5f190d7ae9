#include "Documents/ModelProtocols.h"

#include "Parameters/ParametrPath.h"
#include "Parameters/Settings.h"

#include <QDir>
#include <QFile>

ModelProtocols *ModelProtocols::instance = nullptr;

ModelProtocols::ModelProtocols(QObject *parent) : QAbstractTableModel(parent)
{
    m_fileNames = listFolder(folder());
    instance = this;
}

ModelProtocols::~ModelProtocols()
{
    if (instance == this)
        instance = nullptr;
}

QString ModelProtocols::folder()
{
    return Settings::instance ? Settings::instance->protocolPath()->value() : QString();
}

QStringList ModelProtocols::listFolder(const QString &folder)
{
    // An empty path would list the working folder.
    if (folder.isEmpty())
        return QStringList();
    // Hidden too: a document whose name begins with a dot is still a document of the folder.
    return QDir(folder).entryList(QStringList{QStringLiteral("*")}, QDir::Files | QDir::Hidden, QDir::Unsorted);
}

int ModelProtocols::rowCount(const QModelIndex &) const
{
    return m_fileNames.size();
}

int ModelProtocols::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant ModelProtocols::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    if (!index.isValid() || index.column() != 0 || index.row() < 0 || index.row() >= m_fileNames.size())
        return QVariant();
    return m_fileNames.at(index.row());
}

QVariant ModelProtocols::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section == 0 ? QVariant(tr("Имя файла")) : QVariant();
    return QString::number(section + 1);
}

void ModelProtocols::reloadProtocols()
{
    beginResetModel();
    m_fileNames = listFolder(folder());
    endResetModel();
}

bool ModelProtocols::removeProtocol(const QString &fileName)
{
    const QString dir = folder();
    bool removed = false;
    if (!dir.isEmpty() && !fileName.isEmpty() && fileName != QLatin1String(".") && fileName != QLatin1String("..")
        && !fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\')))
        removed = QFile::remove(dir + QLatin1Char('/') + fileName);
    reloadProtocols();
    return removed;
}
