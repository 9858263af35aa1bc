#include "app/scriptdriver.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString error;
    const std::optional<ScriptOptions> options = ParseScriptArguments(app.arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "cinevue-script: %s\n", qPrintable(error));
        return 64;
    }
    return RunScript(*options);
}
