#pragma once

#include "Xlsx/Cell.h"
#include "Xlsx/Format.h"
#include "Xlsx/Package.h"
#include "Xlsx/Styles.h"
#include "Xlsx/Worksheet.h"
#include "Xlsx/XmlNode.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace Xlsx {

// A workbook: opened from an .xlsx file or started empty (no sheets), edited
// cell by cell and saved whole. What is not edited is written back as it came:
// styles (until a write brings a format of its own or a number format is
// replaced), theme, drawings, charts,
// notes and tables (until inserted rows or a sheet's new name change what they
// refer to), images, printer settings and extensions byte for byte, and every
// worksheet keeps all it holds outside the cells that were written, formulas'
// cached results aside.
//
// Reads and writes go to the current worksheet; the active sheet is the one
// the saved file opens on. Opening makes the sheet the file marks as active
// both current and active. Not thread-safe: one thread uses a document.
class Document
{
public:
    Document();
    // Opens fileName; see isLoaded() and errorString().
    explicit Document(const QString &fileName);
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // Replace the document with the workbook in a file, or in the bytes of
    // one; false (and an empty, unloaded document) when it cannot be read.
    bool open(const QString &fileName);
    bool openData(const QByteArray &zipData);

    bool isLoaded() const { return m_loaded; }
    // Why the last open, sheet operation or save failed.
    QString errorString() const { return m_error; }

    // Sheets in workbook order (chart sheets too).
    QStringList sheetNames() const;
    int sheetCount() const { return int(m_sheets.size()); }
    // Refuses a name a spreadsheet program refuses: empty, over 31
    // characters, with one of : \ / ? * [ ], starting or ending with an
    // apostrophe, or held by another sheet (letter case aside).
    bool renameSheet(const QString &oldName, const QString &newName);
    // Refuses to delete the last sheet, or the last visible one.
    bool deleteSheet(const QString &name);
    // A new empty worksheet at index (0 to sheetCount()); it becomes current.
    bool insertSheet(int index, const QString &name);

    int currentSheetIndex() const { return m_current; }
    bool setCurrentSheet(int index);
    int activeSheetIndex() const { return m_active; }
    // The sheet at index becomes active and current.
    bool setActiveSheet(int index);
    // Null when there is no sheet or the current one is a chart sheet.
    Worksheet *currentWorksheet() const;
    Worksheet *worksheet(int index) const;

    // Cell access on the current worksheet (see Worksheet).
    QVariant read(const QString &reference) const;
    QVariant read(int row, int column) const;
    std::shared_ptr<const Cell> cellAt(int row, int column) const;
    // A format that is not empty gives the cell a style of font and
    // alignment; the empty format keeps the cell's own style.
    bool write(const QString &reference, const QVariant &value, const Format &format = Format());
    bool write(int row, int column, const QVariant &value, const Format &format = Format());
    bool setColumnWidth(int column, double width);
    bool setColumnWidth(int firstColumn, int lastColumn, double width);
    // Grows the cell's row on the current worksheet to show the cell's text
    // when its style wraps it, as a spreadsheet program grows a row when a
    // text is typed in (on opening a file it takes the stored height). A row
    // whose height is fixed (set by hand, or hidden) keeps it, and no row
    // shrinks. A text in a merged range wraps across the range's width; one
    // in a range over several rows is left as it is.
    void fitRowToCell(int row, int column);
    // Gives every number format of the workbook whose code is code the code replacement; false
    // when the style sheet cannot be read.
    bool replaceNumberFormat(const QString &code, const QString &replacement);

    // Writes the workbook to fileName through a temporary file: a failed save
    // leaves whatever was at fileName untouched.
    bool saveAs(const QString &fileName);
    // The package bytes, as saveAs would write them.
    bool saveToData(QByteArray &data);

private:
    struct Sheet
    {
        XmlNode node;        // the <sheet> element of the workbook
        QString partName;
        bool isWorksheet = false;
        std::unique_ptr<Worksheet> worksheet;
        QString name() const { return node.attribute(QStringLiteral("name")); }
        bool hidden() const { return !node.attribute(QStringLiteral("state")).isEmpty()
                                     && node.attribute(QStringLiteral("state")) != QLatin1String("visible"); }
    };

    bool fail(const QString &message);
    // Reads the style sheet, for a look at it or a change that adds no part; false when there is
    // none or it is malformed.
    bool readStyles();
    void startEmpty();
    bool load();
    void reset();
    bool parsePart(const QString &name, XmlNode &root);
    QString relationshipIdAttribute(const XmlNode &node) const;
    XmlNode *workbookChild(const QString &localName);
    XmlNode *insertWorkbookChild(const QString &localName);
    int sheetIndex(const QString &name) const;
    bool validSheetName(const QString &name, int except);
    void connectWorksheet(Worksheet *worksheet);
    void onRowsShifted(Worksheet *worksheet, int row, int count);
    // Edits a part's XML; a part that edit leaves unchanged (false) keeps its
    // bytes as they came.
    bool editPart(const QString &partName, const std::function<bool(XmlNode &)> &edit);
    QStringList chartParts() const;
    // Every reference text of the workbook through rewrite (text, the sheet of
    // its unqualified references): formulas, conditional formats and
    // validations of every worksheet, defined names, chart series, and with
    // links the hyperlink locations.
    void rewriteReferences(const std::function<QString(const QString &text, const QString &ownSheet)> &rewrite,
                           bool links);
    QSet<QString> reachableParts() const;
    QString addRelationship(XmlNode &rels, const QString &type, const QString &target);
    void addOverride(const QString &partName, const QString &contentType);
    bool prepareSave();

    Package m_package;
    bool m_loaded = false;
    QString m_error;
    QString m_workbookPart;
    QString m_prefix;          // of the workbook's main namespace
    XmlNode m_workbook;
    XmlNode m_workbookRels;
    XmlNode m_contentTypes;
    std::vector<Sheet> m_sheets;
    int m_current = -1;
    int m_active = -1;
    QString m_stylesPart;
    Styles m_styles;
    QHash<QString, XmlNode> m_touched;   // drawings, charts, notes and tables that were changed
    QSet<QString> m_reachableAtLoad;
};

}
