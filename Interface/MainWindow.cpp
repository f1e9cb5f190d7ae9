#include "Interface/MainWindow.h"

#include "Interface/Application.h"

#include <QLabel>

MainWindow *MainWindow::instance = nullptr;

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    instance = this;
    setWindowTitle(tr("Мановера"));
    auto *label = new QLabel(tr("Мановера"), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(800, 600);
}

MainWindow::~MainWindow()
{
    shutdownApplication();
    if (instance == this)
        instance = nullptr;
}
