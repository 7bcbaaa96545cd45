#include "app/CommandLine.h"
#include "app/FMain.h"
#include "app/Ui.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Before QApplication, which would fail without a display.
    if (const auto code = tarvik::HandleCommandLine(argc, argv)) return *code;
    QApplication app(argc, argv);
    tarvik::InitApplication();
    tarvik::TMain window;
    tarvik::SetMainWindow(&window);
    window.show();
    return QApplication::exec();
}
