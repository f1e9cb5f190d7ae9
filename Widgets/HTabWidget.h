#pragma once

#include <QTabWidget>

// The tab widget of the main window and of the pages' nested tabs.
class HTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit HTabWidget(QWidget *parent = nullptr);
};
