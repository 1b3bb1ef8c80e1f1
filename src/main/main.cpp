#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Norvalt - Configurator ZE52840 - S7comm / PROFIBUS Slave "));
    window.show();
    return app.exec();
}
