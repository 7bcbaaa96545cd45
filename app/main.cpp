#include "FMain.h"
#include "HEnv.h"
#include "OCLError.h"
#include "Ui.h"

#include <QApplication>

namespace {
TMain* mainWindow = nullptr;

void* MainWindowHandle() {
    return mainWindow ? reinterpret_cast<void*>(mainWindow->winId()) : nullptr;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(Txt(u8"Tarvik"));
    InstallErrorDialog();
    SetParentWindowProvider(&MainWindowHandle);
    TMain window;
    mainWindow = &window;
    window.show();
    const int result = QApplication::exec();
    mainWindow = nullptr;
    return result;
}
