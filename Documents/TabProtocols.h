#pragma once

#include "Widgets/OverlayPage.h"

#include <QMutex>
#include <QPointer>
#include <QString>

class HButton;
class ModelProtocols;
class PrField;
class QDateTime;
class QThread;
class QTableView;

// The certificates and protocols page, laid over the verification run page: the protocol
// settings (document set, folder, template), the documents of the protocol folder, and the
// buttons to write a new document, delete one, open one or open the folder.
//
// A document is written on a thread of its own, one at a time, while the main window is locked
// and the busy flag keeps the transducer worker from lowering that lock.
class TabProtocols : public OverlayPage
{
    Q_OBJECT
public:
    enum ButtonId { ButtonBack = 0, ButtonSave = 1, ButtonDelete = 2, ButtonOpenFile = 3, ButtonOpenFolder = 4 };
    enum FieldId { FieldDocumentSet = 0, FieldProtocolPath = 1 };

    explicit TabProtocols(QWidget *parent = nullptr);
    // Waits for a save of its own that still runs.
    ~TabProtocols() override;

    static TabProtocols *instance;

    // Creates the page over parent on the first call (later calls keep the first parent),
    // sizes it to its parent and shows it on top.
    static void showProtocols(QWidget *parent);
    // Returns once a running save has written its document. The shutdown calls it before it
    // saves the settings, so no document is cut off and no running thread is destroyed.
    static void waitForRunningSave();

    void processButton(int id);
    void processFieldEdited(int id);
    // The template field is shown only for the document set on the operator's template.
    void updateTemplateField();
    // The name proposed for a new document, from the current settings and time.
    QString defaultProtocolName() const;
    // "Результаты " + the time as " yyyy.MM.dd-hh.mm.ss" + the set's suffix; set 2 ends in the
    // template's file name without its last extension.
    static QString defaultProtocolName(int documentSet, const QString &templatePath, const QDateTime &when);

    bool isSaving() const { return m_saving; }
    QTableView *fileTable() const { return m_fileTable; }
    ModelProtocols *model() const { return m_model; }
    PrField *templateField() const { return m_templateField; }
    // The button of an id, null for an unknown id.
    HButton *button(int id) const;

signals:
    void protocolHanldeFinished();

public slots:
    void onFontChanged();
    void onButtonPressed();
    void onFieldEdited();
    void onItemActivated();
    // Runs in the save's own thread.
    void handleProtocol();
    void onProtocolHandleFinished();
    void onProtocolNamePick(QString txtName);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void selectLastRow();
    // The name of the current row; empty when no row is current.
    QString currentName() const;
    void deleteCurrent();
    void waitForOwnSave();

    QWidget *m_area;
    QTableView *m_fileTable;
    ModelProtocols *m_model;
    PrField *m_templateField;
    QList<HButton *> m_buttons;

    // Written by the save's thread before it reports the end; read after the report arrives.
    bool m_saveResult = false;
    QMutex m_startMutex;
    // From the start of a save until its end has been handled in the GUI thread.
    bool m_saving = false;
    // The thread deletes itself when it finishes.
    QPointer<QThread> m_saveThread;
    QString m_documentName;
    // The shutdown has waited for the save: its end is no longer shown to anyone.
    bool m_closing = false;
};
