#include "PhotoLocator.h"

#include "LocateFunctions.h"
#include "SharedObjectCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PhotoLocator", text);
}

// Where the module is: TARVELLO_LOCATE_MODULE first (a test, an unusual
// install), then beside an installed program (<prefix>/lib/tarvello-setup),
// and for a program run from its build tree the module built there.
QStringList Candidates()
{
    QStringList paths;
    if (const QString env = qEnvironmentVariable("TARVELLO_LOCATE_MODULE"); !env.isEmpty())
        return {env};
    const QString programDir = QCoreApplication::applicationDirPath();
    paths << QDir(programDir).filePath(QStringLiteral(TARVELLO_LOCATE_INSTALLED));
#if defined(TARVELLO_LOCATE_BUILT) && defined(TARVELLO_LOCATE_BUILD_DIR)
    const QString build = QFileInfo(QStringLiteral(TARVELLO_LOCATE_BUILD_DIR)).canonicalFilePath();
    const QString program = QFileInfo(programDir).canonicalFilePath();
    if (!build.isEmpty() && (program == build || program.startsWith(build + QLatin1Char('/'))))
        paths << QStringLiteral(TARVELLO_LOCATE_BUILT);
#endif
    return paths;
}

struct Loaded {
    const LocateFunctions *functions = nullptr;
    QString reason;
};

// The module at path, checked before it is loaded and its table after.
Loaded Load(const QString &path)
{
    Loaded result;
    const QString name = QDir::toNativeSeparators(path);
    if (const QString problem = SharedObjectProblem(path); !problem.isEmpty()) {
        result.reason = Tr("Модуль распознавания снимков «%1» не подходит: %2. Переустановите программу.")
                            .arg(name, problem);
        return result;
    }
    // Absolute: QLibrary then tries the very file checked first, not a
    // "lib...so" variant of its name.
    QLibrary library(QFileInfo(path).absoluteFilePath());
    if (!library.load()) {
        result.reason = Tr("Модуль распознавания снимков «%1» не загружается: %2").arg(name, library.errorString());
        return result;
    }
    const auto entry = reinterpret_cast<LocateEntry>(library.resolve(TARVELLO_LOCATE_ENTRY));
    if (!entry) {
        result.reason = Tr("«%1» - не модуль распознавания снимков этой программы (в нём нет %2). "
                           "Переустановите программу.")
                            .arg(name, QStringLiteral(TARVELLO_LOCATE_ENTRY));
        return result;
    }
    // The version is read before anything else of the table: a table of
    // another version may have other members.
    const LocateFunctions *functions = entry();
    if (!functions || functions->version != LocateFunctions::kVersion) {
        result.reason = Tr("Модуль распознавания снимков «%1» от другой версии программы (версия %2, нужна %3). "
                           "Переустановите программу.")
                            .arg(name)
                            .arg(functions ? functions->version : 0)
                            .arg(LocateFunctions::kVersion);
        return result;
    }
    if (!functions->locate || !functions->findMarks || !functions->screenCorners || !functions->measureLines) {
        result.reason = Tr("Модуль распознавания снимков «%1» повреждён: в нём недостаёт функций. "
                           "Переустановите программу.")
                            .arg(name);
        return result;
    }
    result.functions = functions;
    return result;
}

const Loaded &Module()
{
    // Loaded once and kept for the life of the process (never unloaded:
    // OpenCV keeps threads and static state).
    static const Loaded loaded = [] {
        QStringList tried;
        for (const QString &path : Candidates()) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
                return Load(path);
            tried << path;
        }
        Loaded result;
        result.reason = Tr("Модуль распознавания снимков не установлен (искали: %1). Переустановите программу.")
                            .arg(tried.join(QStringLiteral(", ")));
        return result;
    }();
    return loaded;
}

} // namespace

namespace PhotoLocator {

bool Available(QString *reason)
{
    const Loaded &module = Module();
    if (reason)
        *reason = module.reason;
    return module.functions != nullptr;
}

PhotoLocation Locate(const QImage &picture, int gridShiftY)
{
    const Loaded &module = Module();
    if (!module.functions) {
        PhotoLocation none;
        none.problem = module.reason;
        return none;
    }
    return module.functions->locate(picture, gridShiftY);
}

std::vector<MarkCandidate> Marks(const QImage &picture, const GridMapping &grid, QString *reason)
{
    const Loaded &module = Module();
    QString problem = module.reason;
    std::vector<MarkCandidate> marks;
    if (module.functions)
        marks = module.functions->findMarks(picture, grid, &problem);
    if (reason)
        *reason = problem;
    return marks;
}

std::optional<GridMapping::Corners> ScreenCorners(const QImage &picture, QString *reason)
{
    const Loaded &module = Module();
    QString problem = module.reason;
    std::optional<GridMapping::Corners> corners;
    if (module.functions)
        corners = module.functions->screenCorners(picture, &problem);
    if (reason)
        *reason = problem;
    return corners;
}

std::optional<std::vector<LineDeviation>> MeasureLines(const QImage &picture, const GridMapping &grid, QString *reason)
{
    const Loaded &module = Module();
    QString problem = module.reason;
    std::optional<std::vector<LineDeviation>> measured;
    if (module.functions)
        measured = module.functions->measureLines(picture, grid, &problem);
    if (reason)
        *reason = problem;
    return measured;
}

} // namespace PhotoLocator
