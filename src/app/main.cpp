#include "maj.h"
#include "mainwindow.h"
#include "settings.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmaris"));

    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList args = QCoreApplication::arguments();
    const QString folder = args.size() > 1 ? args.at(1) : QString();

    // The dialog's controls hold the settings from here on.
    velmaris::Maj maj;
    velmaris::loadSettings(maj, programFolder + QStringLiteral("/Velmaris.ini"));

    velmaris::MainWindow window(maj, folder, programFolder);
    window.load();
    window.show();
    return app.exec();
}
