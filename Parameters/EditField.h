#pragma once

#include <QWidget>

class HAbstractParametr;
class QHBoxLayout;

// Edits one typed parameter with the editor that suits its type, and writes every change
// of the operator back into the parameter before anyone else hears of it.
class EditField : public QWidget
{
    Q_OBJECT
public:
    explicit EditField(HAbstractParametr *parametr, QWidget *parent = nullptr);

    void setParametr(HAbstractParametr *parametr);
    void refresh();
    QWidget *editor() const { return m_editor; }
    HAbstractParametr *parametr() const { return m_parametr; }
    void setEditorPalette(const QPalette &palette);

signals:
    void changed();

public slots:
    void onEdit();

private:
    // The kind of editor a parameter needs: its type code, or a separate kind for the
    // multi-line text, which shares type 1 with the one-line text but not the widget.
    static int editorKindFor(const HAbstractParametr *parametr);
    QWidget *createEditor(int kind);
    void fill();
    void connectEditor(bool on);

    QWidget *m_editor = nullptr;
    HAbstractParametr *m_parametr = nullptr;
    QHBoxLayout *m_layout;
    int m_editorKind = -1;
};
