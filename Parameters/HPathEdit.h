#pragma once

#include <QWidget>

class HButton;
class ParametrPath;
class QLineEdit;

// A path in a line edit with a button that opens a file or folder dialog.
class HPathEdit : public QWidget
{
    Q_OBJECT
public:
    explicit HPathEdit(QWidget *parent = nullptr);

    void setParametr(ParametrPath *parametr);
    QLineEdit *lineEdit() const { return m_lineEdit; }
    HButton *selectButton() const { return m_selectButton; }

public slots:
    void onFontChanged();
    void onSelectButtonPressed();

private:
    QLineEdit *m_lineEdit;
    HButton *m_selectButton;
    ParametrPath *m_parametr = nullptr;
};
