#include "FMain.h"

TMain::TMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Tarvik");
    resize(771, 521);
}
