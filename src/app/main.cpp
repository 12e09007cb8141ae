#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kordavel::frmMain frame;
    if (!frame.startUp())
        return 0;
    return QApplication::exec();
}
