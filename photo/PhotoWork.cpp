#include "PhotoWork.h"

#include "PhotoFile.h"
#include "PhotoLocator.h"

#include <QCoreApplication>

#include <exception>
#include <new>

namespace {

// The window's texts, in its translation context.
QString Tr(const char *text)
{
    return QCoreApplication::translate("CMonitorPhotoWindow", text);
}

// Runs work; what it throws (the module keeps OpenCV's exceptions inside,
// but Qt and the standard library may run out of memory here) comes back as
// its reason instead of reaching the window's thread as a crash.
template <typename Work>
QString Guarded(Work work)
{
    try {
        work();
        return {};
    } catch (const std::bad_alloc &) {
        return Tr("не хватило памяти");
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return Tr("неизвестная ошибка");
    }
}

void MeasureLines(const QImage &picture, PhotoWork::Findings &found)
{
    QString reason;
    if (auto measured = PhotoLocator::MeasureLines(picture, *found.mapping, &reason))
        found.deviations = std::move(*measured);
    else
        found.problem = reason;
}

void Locate(const QImage &picture, PhotoWork::Use use, int gridShiftX, int gridShiftY, PhotoWork::Findings &found)
{
    if (use == PhotoWork::Use::Points) {
        PhotoLocation located = PhotoLocator::Locate(picture, gridShiftY);
        if (located.grid) {
            found.mapping = located.grid;
            found.marks = std::move(located.marks);
        } else {
            found.problem = located.problem.isEmpty() ? Tr("Сетка на снимке не найдена.") : located.problem;
        }
        return;
    }
    QString reason;
    if (const auto corners = PhotoLocator::ScreenCorners(picture, &reason))
        found.mapping = GridMapping::FromScreenCorners(*corners, gridShiftX, gridShiftY);
    if (!reason.isEmpty())
        found.problem = reason;
    else if (!found.mapping)
        found.problem = Tr("Изображение монитора на снимке не найдено.");
    if (found.mapping)
        MeasureLines(picture, found);
}

} // namespace

namespace PhotoWork {

Read ReadPhoto(const QString &path, Use use, int gridShiftX, int gridShiftY)
{
    Read result;
    QImage picture;
    const QString failed = Guarded([&] {
        PhotoFile::Read photo = PhotoFile::ReadPhoto(path);
        result.fileProblem = photo.problem;
        picture = std::move(photo.picture);
    });
    if (!failed.isEmpty() || picture.isNull()) {
        result.fileProblem = failed.isEmpty() ? result.fileProblem : failed;
        return result;
    }
    return Examine(std::move(picture), use, gridShiftX, gridShiftY);
}

Read Examine(QImage picture, Use use, int gridShiftX, int gridShiftY)
{
    Read result;
    const QString failed = Guarded([&] {
        result.picture = picture.convertToFormat(QImage::Format_RGB32);
        picture = QImage();
        if (result.picture.isNull()) {
            result.fileProblem = Tr("не хватило памяти");
            return;
        }
        Locate(result.picture, use, gridShiftX, gridShiftY, result.found);
    });
    if (!failed.isEmpty()) {
        result = Read();
        result.fileProblem = failed;
    }
    return result;
}

Findings FindUnder(const QImage &picture, Use use, const GridMapping &mapping)
{
    Findings found;
    found.mapping = mapping;
    const QString failed = Guarded([&] {
        if (use == Use::Points)
            found.marks = PhotoLocator::Marks(picture, mapping, &found.problem);
        else
            MeasureLines(picture, found);
    });
    if (!failed.isEmpty()) {
        found.marks.clear();
        found.deviations.clear();
        found.problem = Tr("Снимок не удалось разобрать: %1").arg(failed);
    }
    return found;
}

} // namespace PhotoWork
