#include "SharedObjectCheck.h"

#include "FileRead.h"

#include <QCoreApplication>
#include <QFile>

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("SharedObjectCheck", text);
}

constexpr bool k64 = sizeof(void *) == 8;
using Ehdr = std::conditional_t<k64, Elf64_Ehdr, Elf32_Ehdr>;
using Phdr = std::conditional_t<k64, Elf64_Phdr, Elf32_Phdr>;
using Shdr = std::conditional_t<k64, Elf64_Shdr, Elf32_Shdr>;
constexpr unsigned char kClass = k64 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kByteOrder = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB;

// Reads count records of T at offset; false when the file ends before.
template <typename T>
bool ReadAt(QFile &file, quint64 offset, T *records, quint64 count = 1)
{
    const quint64 bytes = count * sizeof(T);
    if (offset > quint64(file.size()) || bytes > quint64(file.size()) - offset)
        return false;
    return file.seek(qint64(offset)) && file.read(reinterpret_cast<char *>(records), qint64(bytes)) == qint64(bytes);
}

// The processor this program was built for, from its own ELF header; 0
// where that cannot be read (then the processor is not compared).
Elf32_Half OwnMachine()
{
    static const Elf32_Half machine = [] {
        QFile self(QStringLiteral("/proc/self/exe"));
        Ehdr header{};
        return self.open(QIODevice::ReadOnly) && ReadAt(self, 0, &header) ? header.e_machine : Elf32_Half(0);
    }();
    return machine;
}

// Where a piece of the file at offset with bytes ends; the largest number
// when that overflows (headers may hold anything).
quint64 End(quint64 offset, quint64 bytes)
{
    return bytes > std::numeric_limits<quint64>::max() - offset ? std::numeric_limits<quint64>::max() : offset + bytes;
}

QString CutShort(quint64 needed, qint64 size)
{
    return Tr("файл обрезан или повреждён: по его заголовкам в нём %1 байт, а в файле %2")
        .arg(needed)
        .arg(size);
}

} // namespace

QString SharedObjectProblem(const QString &path)
{
    QFile file;
    if (const QString problem = OpenReadableFile(path, file); !problem.isEmpty())
        return problem;
    const qint64 size = file.size();
    Ehdr header{};
    if (!ReadAt(file, 0, &header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return Tr("это не библиотека (не файл ELF)");
    if (header.e_ident[EI_CLASS] != kClass)
        return header.e_ident[EI_CLASS] == ELFCLASS32 ? Tr("это библиотека для 32-разрядной системы")
                                                      : Tr("это библиотека для 64-разрядной системы");
    if (header.e_ident[EI_DATA] != kByteOrder)
        return Tr("это библиотека для процессора с другим порядком байтов");
    if (header.e_type != ET_DYN)
        return Tr("это не разделяемая библиотека (.so)");
    if (const Elf32_Half own = OwnMachine(); own != 0 && header.e_machine != own)
        return Tr("это библиотека для другого процессора (ELF machine %1, нужен %2)").arg(header.e_machine).arg(own);
    if (header.e_phentsize != sizeof(Phdr) || (header.e_shnum != 0 && header.e_shentsize != sizeof(Shdr)))
        return Tr("заголовки библиотеки повреждены");

    // Every byte a segment maps or a section holds must be in the file.
    quint64 needed = End(header.e_phoff, quint64(header.e_phnum) * sizeof(Phdr));
    std::vector<Phdr> segments(header.e_phnum);
    if (!ReadAt(file, header.e_phoff, segments.data(), segments.size()))
        return CutShort(needed, size);
    for (const Phdr &segment : segments)
        needed = std::max(needed, End(segment.p_offset, segment.p_filesz));
    if (header.e_shoff != 0) {
        std::vector<Shdr> sections(header.e_shnum);
        needed = std::max(needed, End(header.e_shoff, quint64(header.e_shnum) * sizeof(Shdr)));
        if (!ReadAt(file, header.e_shoff, sections.data(), sections.size()))
            return CutShort(needed, size);
        for (const Shdr &section : sections)
            if (section.sh_type != SHT_NOBITS)
                needed = std::max(needed, End(section.sh_offset, section.sh_size));
    }
    if (needed > quint64(size))
        return CutShort(needed, size);
    return {};
}
