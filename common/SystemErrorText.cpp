#include "SystemErrorText.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

QString SystemErrorText(int errnoValue)
{
    const char *text = nullptr;
    switch (errnoValue) {
    case ENOENT:
        text = "нет такого файла или папки";
        break;
    case EACCES:
    case EPERM:
        text = "нет прав доступа";
        break;
    case EBUSY:
    case EWOULDBLOCK:
        text = "занято другой программой";
        break;
    case ENODEV:
    case ENXIO:
        text = "устройство отсутствует";
        break;
    case EIO:
        text = "ошибка ввода-вывода";
        break;
    case ENOSPC:
        text = "на диске нет места";
        break;
    case EROFS:
        text = "файловая система только для чтения";
        break;
    case EISDIR:
        text = "это папка, а не файл";
        break;
    case ENOTDIR:
        text = "часть пути не является папкой";
        break;
    case ENOTTY:
        text = "это не последовательный порт";
        break;
    case EFBIG:
        text = "файл слишком большой";
        break;
    case ENAMETOOLONG:
        text = "слишком длинное имя";
        break;
    case ELOOP:
        text = "слишком много символических ссылок";
        break;
    case EPIPE:
        text = "читающая программа закрыла канал";
        break;
    default:
        return QString::fromLocal8Bit(std::strerror(errnoValue));
    }
    return QCoreApplication::translate("SystemErrorText", text);
}
