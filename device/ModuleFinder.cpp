#include "ModuleFinder.h"

#include "ComPortLink.h"
#include "ComPortNames.h"
#include "UsbLink.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <optional>
#include <tuple>
#include <utility>

namespace {

// COM ports tried, and the two speeds of each (Open(N), Open(256 + N)).
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 10;
constexpr int kFastSpeedFlag = 256;

QString Tr(const char *text) { return QCoreApplication::translate("ModuleFinder", text); }

// Why the dynamic loader could not load the D2XX library, in the
// installer's words. `loader` is its message in the C locale, which names
// the file at fault first ("<file>: cannot open shared object file: No such
// file or directory", "<file>: wrong ELF class: ELFCLASS32", ...). Returns
// the reason and what to do about it.
std::pair<QString, QString> LibraryLoadReason(const QString &loader)
{
    const QString library = UsbLink::LibraryName();
    const QString what = library.contains(QLatin1Char('/'))
                             ? Tr("библиотека USB-адаптера FTDI D2XX (файл %1)").arg(library)
                             : Tr("библиотека USB-адаптера FTDI D2XX (%1)").arg(library);
    const QString install = Tr("установите библиотеку libftd2xx, если устройство подключается по USB");
    const QString reinstall = Tr("установите библиотеку libftd2xx заново, в версии для этой системы");
    // The file the message is about: the library itself or one it needs.
    const QString object = loader.section(QStringLiteral(": "), 0, 0);
    const bool itself = object == library || QFileInfo(object).fileName() == QFileInfo(library).fileName();
    auto says = [&loader](const char *words) { return loader.contains(QLatin1String(words)); };

    if (says("cannot open shared object file: No such file or directory")) {
        if (itself)
            return {Tr("%1 не установлена").arg(what), install};
        return {Tr("%1 не загружается: не установлена нужная ей библиотека %2").arg(what, object),
                Tr("установите пакет с библиотекой %1").arg(object)};
    }
    if (says("Permission denied"))
        return {Tr("%1 не загружается: нет прав на чтение файла %2").arg(what, object),
                Tr("дайте права на чтение файла %1 (chmod a+r)").arg(object)};
    if (says("wrong ELF class"))
        return {Tr("%1 не подходит к этой системе: она собрана для другой разрядности (32 или 64 бита)")
                    .arg(what),
                reinstall};
    if (says("invalid ELF header") || says("file too short") || says("cannot read file data")
        || says("only ET_DYN and ET_EXEC can be loaded"))
        return {Tr("%1 не загружается: файл %2 не является библиотекой (повреждён или это другой файл)")
                    .arg(what, object),
                reinstall};
    if (says("undefined symbol") || says("version `") || says("ELF file OS ABI invalid"))
        return {Tr("%1 не подходит к этой системе: ей нужны функции, которых здесь нет").arg(what), reinstall};
    // A cause not told apart above: the loader's own words, for support.
    return {Tr("%1 не загружается (сообщение загрузчика: %2)").arg(what, loader), install};
}

ProbeAttempt UsbAttempt(const UsbLink &link, bool found)
{
    ProbeAttempt attempt{QStringLiteral("USB"), 0, 57600, found, {}, {}};
    if (found)
        return attempt;
    const QString detail = link.LastErrorDetail();
    switch (link.LastError()) {
    case UsbError::LibraryMissing:
        attempt.cause = ProbeAttempt::Cause::UsbLibrary;
        std::tie(attempt.reason, attempt.fix) = LibraryLoadReason(detail);
        break;
    case UsbError::EntryPointMissing:
        attempt.cause = ProbeAttempt::Cause::UsbLibrary;
        attempt.reason = Tr("в библиотеке FTDI D2XX (%1) нет функции %2").arg(UsbLink::LibraryName(), detail);
        attempt.fix = Tr("установите другую версию библиотеки libftd2xx");
        break;
    case UsbError::NoDevice:
        attempt.cause = ProbeAttempt::Cause::NoPort;
        attempt.reason = Tr("устройство «%1» не подключено").arg(QString::fromLatin1(UsbLink::DeviceDescription()));
        break;
    case UsbError::CallFailed:
        attempt.reason = Tr("ошибка функции %1 (код %2)").arg(detail).arg(link.LastStatus());
        if (detail == QLatin1String("FT_OpenEx"))
            attempt.fix = Tr("адаптер может быть занят драйвером ftdi_sio или другой программой");
        break;
    case UsbError::None:
        attempt.reason = Tr("устройство не ответило");
        break;
    }
    return attempt;
}

ProbeAttempt ComAttempt(const ComPortLink &link, int number, bool found)
{
    ProbeAttempt attempt{QStringLiteral("COM"), number, link.BaudRate(), found, {}, {}};
    if (found)
        return attempt;
    const QString path = link.DevicePath();
    const QString errnoText = link.LastOpenErrorText();
    switch (link.LastOpenError()) {
    case OpenError::None:
        if (link.ProbeHeardSomething()) {
            attempt.cause = ProbeAttempt::Cause::WrongAnswer;
            attempt.reason = Tr("порт %1 открыт, ответ пришёл, но не такой, как у модуля (другое устройство "
                                "или другая скорость)")
                                 .arg(path);
        } else {
            attempt.cause = ProbeAttempt::Cause::NoAnswer;
            attempt.reason = Tr("порт %1 открыт, модуль не ответил").arg(path);
        }
        break;
    case OpenError::Missing:
        attempt.cause = ProbeAttempt::Cause::NoPort;
        attempt.reason = path.isEmpty() ? Tr("порта нет") : Tr("порта %1 нет").arg(path);
        break;
    case OpenError::Busy:
        attempt.cause = ProbeAttempt::Cause::Busy;
        if (const auto &holder = link.Holder()) {
            attempt.holder = holder;
            const QString pid = QString::number(holder->pid);
            attempt.reason = Tr("порт %1 занят программой %2 (PID %3)").arg(path, holder->name, pid);
            attempt.fix = Tr("закройте программу %1 (PID %2)").arg(holder->name, pid);
            break;
        }
        attempt.reason = Tr("порт %1 занят").arg(path);
        attempt.fix = Tr("порт занят другой программой; закройте её (ModemManager или brltty тоже могут "
                         "занимать адаптер)");
        break;
    case OpenError::PermissionDenied:
        attempt.cause = ProbeAttempt::Cause::NoPermission;
        attempt.reason = Tr("нет доступа к порту %1 (%2)").arg(path, errnoText);
        attempt.fix = Tr("добавьте пользователя в группу dialout и войдите в систему заново");
        break;
    case OpenError::NotATerminal:
        attempt.reason = Tr("%1 не является последовательным портом").arg(path);
        break;
    case OpenError::Other:
        attempt.reason = Tr("порт %1 не открылся (%2)").arg(path, errnoText);
        break;
    }
    return attempt;
}

}  // namespace

namespace {

// COM 1 to last, each at 9600 then 57600 baud; every try is recorded.
template <typename Record>
std::unique_ptr<DeviceLink> FindOnComPorts(int last, const Record &record)
{
    auto com = std::make_unique<ComPortLink>();
    for (int number = kFirstComPort; number <= last; ++number) {
        for (const int port : {number, kFastSpeedFlag + number}) {
            com->Open(port);
            const bool found = com->Probe() == 0;
            record(ComAttempt(*com, number, found));
            if (found)
                return com;
            com->Close();
        }
    }
    return nullptr;
}

}  // namespace

bool IsDemoCommandLine(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(' ')).contains(QLatin1String("/demo"), Qt::CaseSensitive);
}

std::unique_ptr<DeviceLink> FindModule(bool demo, ProbeReport *report)
{
    auto record = [report](ProbeAttempt attempt) {
        if (report != nullptr)
            report->attempts.push_back(std::move(attempt));
    };
    if (demo)
        return std::make_unique<DeviceLink>();
    // The usual COM naming, also after a search on one named port.
    UseOnlySerialPort(QString());

    {
        auto usb = std::make_unique<UsbLink>();
        usb->Open(0);
        const bool found = usb->Probe() != 1;
        record(UsbAttempt(*usb, found));
        if (found)
            return usb;
    }

    return FindOnComPorts(kLastComPort, record);
}

std::unique_ptr<DeviceLink> FindModuleOnPort(const QString &path, ProbeReport *report)
{
    UseOnlySerialPort(path);
    return FindOnComPorts(kFirstComPort, [report](ProbeAttempt attempt) {
        if (report != nullptr)
            report->attempts.push_back(std::move(attempt));
    });
}

UserMessage ModuleNotFoundMessage(const ProbeReport &report, const QString &searchAgain)
{
    const QString again = searchAgain.isEmpty() ? Tr("запустите программу снова") : searchAgain;
    UserMessage message;
    message.icon = UserMessage::Icon::Error;
    message.caption = ProgramCaption();
    message.text = Tr("Устройство TRX-G-K4 не найдено.\n"
                      "Подключите устройство, включите задний ход и %1.").arg(again);

    if (report.attempts.empty())
        return message;

    // The cause shared by every serial port that exists, if there is one,
    // and the first program found holding a port.
    std::optional<ProbeAttempt::Cause> common;
    std::optional<PortHolder> holder;
    bool mixed = false;
    bool anyPort = false;
    for (const ProbeAttempt &attempt : report.attempts) {
        if (attempt.transport != QLatin1String("COM") || attempt.cause == ProbeAttempt::Cause::NoPort)
            continue;
        anyPort = true;
        if (common && *common != attempt.cause)
            mixed = true;
        common = attempt.cause;
        if (!holder)
            holder = attempt.holder;
    }
    if (holder) {
        // Most likely the module's own cable: the program in the way is named.
        message.text = Tr("Устройство TRX-G-K4 не найдено: порт занят программой %1 (PID %2).\n"
                          "Закройте её и %3.")
                           .arg(holder->name, QString::number(holder->pid), again);
    } else if (!anyPort) {
        message.text = Tr("Устройство TRX-G-K4 не найдено: к компьютеру не подключён ни один последовательный "
                          "адаптер.\nПодключите кабель модуля, включите задний ход и %1.")
                           .arg(again);
    } else if (!mixed && common == ProbeAttempt::Cause::NoPermission) {
        // The new group counts only after a new login: the program is started anew.
        message.text = Tr("Устройство TRX-G-K4 не найдено: нет прав доступа к последовательному порту.\n"
                          "Добавьте пользователя в группу dialout, войдите в систему заново и запустите "
                          "программу снова.");
    } else if (!mixed && common == ProbeAttempt::Cause::Busy) {
        message.text = Tr("Устройство TRX-G-K4 не найдено: последовательный порт занят другой программой.\n"
                          "Закройте её (порт могут занимать и ModemManager или brltty) и %1.")
                           .arg(again);
    } else if (!mixed && common == ProbeAttempt::Cause::WrongAnswer) {
        message.text = Tr("Устройство TRX-G-K4 не найдено: на последовательном порту отвечает другое устройство, "
                          "а не модуль.\nПроверьте, к какому порту подключён модуль, и %1.")
                           .arg(again);
    } else if (!mixed && common == ProbeAttempt::Cause::NoAnswer) {
        message.text = Tr("Устройство TRX-G-K4 не найдено: на последовательных портах никто не ответил как "
                          "модуль.\nПроверьте кабель и питание модуля, включите задний ход и %1.")
                           .arg(again);
    }
    // One line per try; the two speeds of a port share a line when they
    // failed for the same reason.
    QStringList lines;
    lines << Tr("Проверено:");
    const auto &attempts = report.attempts;
    for (std::size_t i = 0; i < attempts.size(); ++i) {
        const ProbeAttempt &attempt = attempts[i];
        QString speeds = QString::number(attempt.baud);
        if (i + 1 < attempts.size()) {
            const ProbeAttempt &next = attempts[i + 1];
            if (next.transport == attempt.transport && next.port == attempt.port && next.reason == attempt.reason
                && next.fix == attempt.fix && next.found == attempt.found) {
                speeds += QStringLiteral(", ") + QString::number(next.baud);
                ++i;
            }
        }
        const QString where = attempt.transport == QLatin1String("USB")
                                  ? Tr("USB (%1 бод)").arg(speeds)
                                  : Tr("COM%1 (%2 бод)").arg(attempt.port).arg(speeds);
        QString line = QStringLiteral("%1: %2").arg(where, attempt.found ? Tr("модуль найден") : attempt.reason);
        // The vendor's USB library matters only when no serial adapter is
        // there either: the module may then be on an FTDI bridge.
        const bool fixMatters = attempt.cause != ProbeAttempt::Cause::UsbLibrary || !anyPort;
        if (!attempt.fix.isEmpty() && fixMatters)
            line += QStringLiteral(". ") + Tr("Что сделать: %1").arg(attempt.fix);
        lines << line;
    }
    message.details = lines.join(QLatin1Char('\n'));
    return message;
}
