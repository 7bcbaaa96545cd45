#include "FMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Tarvik");
    TMain window;
    window.show();
    return QApplication::exec();
}
