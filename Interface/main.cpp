#include "Interface/Application.h"
#include "Interface/MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installQtTranslations();
    createApplicationObjects();
    int code = 0;
    {
        MainWindow window;
        window.show();
        code = app.exec();
    }
    return code;
}
