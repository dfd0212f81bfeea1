#include "CommandLine.h"

#include "ModuleFinder.h"

#include <QCoreApplication>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("CommandLine", text);
}

} // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool modeGiven = false;
    auto setMode = [&](CommandLine::Mode mode, const QString &option) {
        if (modeGiven && line.mode != mode && line.error.isEmpty())
            line.error = Tr("Параметр %1 нельзя сочетать с другим режимом работы.").arg(option);
        line.mode = mode;
        modeGiven = true;
    };
    // The next argument as the value of option, or an error.
    int i = 0;
    auto value = [&](const QString &option) -> QString {
        if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--")))
            return arguments[++i];
        if (line.error.isEmpty())
            line.error = Tr("После %1 не хватает значения.").arg(option);
        return {};
    };

    for (; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            setMode(CommandLine::Mode::Help, argument);
        } else if (argument == QLatin1String("--version")) {
            setMode(CommandLine::Mode::Version, argument);
        } else if (argument == QLatin1String("--demo")) {
            line.demo = true;
        } else if (argument == QLatin1String("--port")) {
            line.port = value(argument);
        } else if (argument == QLatin1String("--render")) {
            setMode(CommandLine::Mode::Render, argument);
            line.config = value(argument);
            line.output = value(argument);
        } else if (argument == QLatin1String("--write")) {
            setMode(CommandLine::Mode::Write, argument);
            line.config = value(argument);
        } else if (argument == QLatin1String("--allow-empty-picture")) {
            line.allowEmptyPicture = true;
        } else if (argument == QLatin1String("--backup")) {
            setMode(CommandLine::Mode::Backup, argument);
            line.output = value(argument);
        } else if (argument == QLatin1String("--locate")) {
            setMode(CommandLine::Mode::Locate, argument);
            line.output = value(argument);
        } else if (argument.startsWith(QLatin1Char('-'))) {
            if (line.error.isEmpty())
                line.error = Tr("Неизвестный параметр: %1").arg(argument);
        } else if (IsDemoCommandLine({argument})) {
            // The switch of old, "/demo" anywhere in a word; not in the
            // values of options, which may be paths.
            line.demo = true;
        }
    }
    // Help and version answer whatever else was said.
    if (line.mode == CommandLine::Mode::Help || line.mode == CommandLine::Mode::Version)
        line.error.clear();
    return line;
}

QString UsageText()
{
    return Tr("Использование:\n"
              "  tarvello-setup [--demo | /demo] [--port ПУТЬ]\n"
              "      мастер настройки модуля TRX-G-K4\n"
              "  tarvello-setup --render КОНФИГУРАЦИЯ ФАЙЛ.bmp\n"
              "      записать изображение ограничительных линий конфигурации в файл BMP\n"
              "  tarvello-setup --write КОНФИГУРАЦИЯ [--port ПУТЬ] [--allow-empty-picture]\n"
              "      записать в модуль оба изображения и все настройки конфигурации\n"
              "      (копии прежних изображений модуля не сохраняет: для них --backup до записи)\n"
              "  tarvello-setup --backup ПАПКА [--port ПУТЬ]\n"
              "      прочитать оба изображения из модуля в ПАПКА/guide-lines.bmp и ПАПКА/warning.bmp\n"
              "  tarvello-setup --locate СНИМОК\n"
              "      найти на снимке монитора сетку модуля и метки: строка «grid» с точками\n"
              "      сетки (0,0) (10,0) (10,10) (0,10) в пикселях снимка, затем «mark X Y»\n"
              "      на каждую метку в единицах сетки\n"
              "  tarvello-setup --help | --version\n"
              "\n"
              "Параметры:\n"
              "  --demo, /demo   работа без модуля\n"
              "  --port ПУТЬ     искать модуль только на этом последовательном порту\n"
              "                  (например /dev/ttyUSB0), без поиска через USB\n"
              "  --allow-empty-picture\n"
              "                  записывать и изображение без единой линии\n"
              "                  (без этого параметра --write такое изображение не записывает)\n"
              "\n"
              "Коды завершения:\n"
              "  0  выполнено\n"
              "  1  модуль не найден или его порт не открывается\n"
              "  2  ошибка в командной строке\n"
              "  3  файл конфигурации или изображения не читается или не записывается\n"
              "  4  модуль не выполнил команду\n"
              "  5  на снимке нет калибровочной сетки (--locate)\n");
}
