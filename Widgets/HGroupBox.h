#pragma once

#include <QGroupBox>

// A group box whose width can be given in characters and follows font changes.
class HGroupBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit HGroupBox(const QString &title = QString(), QWidget *parent = nullptr);

    void setMinimumFixedWidth(int width);
    // -1: the width is free.
    void setFixedCharCount(int count);

public slots:
    void updateFixedSize();

protected:
    bool event(QEvent *event) override;

private:
    int m_charCount = -1;
    int m_minimumWidth = 0;
};
