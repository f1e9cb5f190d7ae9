#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class EditField;
class HAbstractParametr;
class QGridLayout;
class QLabel;

// A captioned field: one editor (or several side by side under one caption) that
// forwards their change after the parameter already holds the new value.
class PrField : public QWidget
{
    Q_OBJECT
public:
    // Layout kinds of the single form.
    enum LayoutKind { CaptionAbove = 0, CaptionLeft = 1, EditorOnly = 2 };

    PrField(HAbstractParametr *parametr, QWidget *parent = nullptr, int layoutKind = CaptionAbove);
    PrField(HAbstractParametr *parametr, int fieldIndex, QWidget *parent = nullptr, int layoutKind = CaptionAbove);
    // The multi-editor form: a caption over editors added with addEditor.
    PrField(const QString &caption, QWidget *parent = nullptr);

    void addEditor(HAbstractParametr *parametr);
    void refreshEditors();

    int fieldIndex() const { return m_fieldIndex; }
    void setFieldIndex(int index) { m_fieldIndex = index; }

    // Appends ", " + text to the caption; a later call replaces that suffix.
    void appendCaptionText(const QString &text);
    void appendCaptionParametr(const HAbstractParametr *parametr);

    EditField *editor() const { return m_editor; }
    QList<EditField *> editors() const { return m_editors; }
    QLabel *caption() const { return m_caption; }

signals:
    void changed();

private:
    enum Flag { MultiEditor = 0x01, HasSuffix = 0x02 };

    void buildSingle(HAbstractParametr *parametr, int layoutKind);

    EditField *m_editor = nullptr;
    QList<EditField *> m_editors;
    QLabel *m_caption = nullptr;
    QGridLayout *m_grid = nullptr;
    int m_fieldIndex = -1;
    int m_flags = 0;
    // The caption without its suffix, kept once a suffix is appended.
    QString m_baseCaption;
};
