#include "app/CommandLine.h"

#include <iostream>
#include <string_view>

namespace tarvik {

namespace {

// Plain text on std::cout: these answers must work over ssh or in a package check, with no display
// and before Qt is started, so nothing here may touch Qt.
constexpr std::string_view kHelp = R"(Usage: tarvik [option] [Qt option...]
A desktop workbench for administering SQL Server databases through ODBC (unixODBC).

Options:
  -h, --help     print this help and exit
  --version      print the version and exit
Any other argument goes to Qt (for example -platform xcb, -style fusion).

Environment:
  ODBCSYSINI       folder of the driver manager's odbcinst.ini and system odbc.ini
                   (default /etc: /etc/odbcinst.ini, /etc/odbc.ini)
  ODBCINI          the user's own data sources (default ~/.odbc.ini)
  ODBCINSTINI      name of the driver file inside ODBCSYSINI (default odbcinst.ini)
  TARVIK_ALIASES   the alias file of the local table engine (page "SQL BDE")
  QT_QPA_PLATFORM  Qt's display platform (for example xcb, wayland, offscreen)

The header lists the data sources whose driver is named "SQL Server". The schema browser keeps its
work tables TTableFields and TTableIndex in the current directory.
)";

} // namespace

std::optional<int> HandleCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::cout << "tarvik " << TARVIK_VERSION << '\n';
            return std::cout.flush() ? 0 : 1;
        }
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return std::cout.flush() ? 0 : 1;
        }
    }
    return std::nullopt;
}

} // namespace tarvik
