#include "app/FMain.h"
#include "app/Ui.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarvik::InitApplication();
    tarvik::TMain window;
    tarvik::SetMainWindow(&window);
    window.show();
    return QApplication::exec();
}
