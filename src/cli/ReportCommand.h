#pragma once

#include <QStringList>

struct CliIo;

// `report PROJECT_DIR FILE.pdf|FILE.html` itself (the words after "report"). It draws and
// writes PDF, so it needs Qt Gui and a QGuiApplication: it lives in the report program
// brivant-report, which brivant-cli starts, so that the other commands never load Qt Gui.
int Run_Report_Command(const QStringList &args, CliIo &io);
