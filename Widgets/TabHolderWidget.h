#pragma once

#include <QWidget>

// The content holder inside a page's scroll area; paints the pages' light background.
class TabHolderWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TabHolderWidget(QWidget *parent = nullptr);

    void setBackgroundFilled(bool filled);
    bool isBackgroundFilled() const { return m_fillBackground; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_fillBackground = true;
};
