#pragma once

#include <QCoreApplication>
#include <QString>

#include <opencv2/core.hpp>

#include <exception>
#include <new>

// The module's boundary: runs work and hands back what it returns, or
// fallback when it throws, with the reason in problem. OpenCV reports a
// picture it cannot handle (a size it did not expect) by throwing, and an
// exception that left the module would end the program and lose the
// installer's unsaved edits.
template <typename Result, typename Work>
Result LocateGuarded(Work work, Result fallback, QString *problem)
{
    // The reason is built inside a guard of its own: short of memory, the
    // text may throw too, and the call then ends here without a reason.
    const auto say = [problem](auto why) noexcept {
        try {
            *problem = QCoreApplication::translate("LocateGuard", "Снимок не удалось разобрать: %1").arg(why());
        } catch (...) {
        }
    };
    try {
        return work();
    } catch (const cv::Exception &e) {
        say([&] {
            return QStringLiteral("OpenCV, %1: %2").arg(QString::fromStdString(e.func), QString::fromStdString(e.err));
        });
    } catch (const std::bad_alloc &) {
        say([] { return QCoreApplication::translate("LocateGuard", "не хватило памяти"); });
    } catch (const std::exception &e) {
        say([&] { return QString::fromLocal8Bit(e.what()); });
    } catch (...) {
        say([] { return QCoreApplication::translate("LocateGuard", "неизвестная ошибка"); });
    }
    return fallback;
}
