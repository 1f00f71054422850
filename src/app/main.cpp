#include "MainInterface.h"
#include "Prompt.h"
#include "Session.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellmora"));
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslation);

    pellmora::ui::Session session;
    pellmora::ui::MessageBoxPrompt prompt;
    pellmora::ui::MainInterface::Hooks hooks;
    hooks.pump = [] { QCoreApplication::processEvents(); };
    pellmora::ui::MainInterface window(session, prompt, hooks);
    window.show();
    return app.exec();
}
