#include "IniFile.h"

#include "FileSave.h"
#include "SystemErrorText.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<IniRecord> IniFile::Content;
QByteArray IniFile::TrailingComments;
bool IniFile::ReadAsUtf8 = false;

namespace {

using std::string_view;

constexpr string_view kLineBlanks = " \t\n\r";

string_view View(QByteArrayView v)
{
    return string_view(v.data(), size_t(v.size()));
}

QByteArray Bytes(string_view v)
{
    return QByteArray(v.data(), qsizetype(v.size()));
}

string_view TrimView(string_view text, string_view set)
{
    const size_t first = text.find_first_not_of(set);
    if (first == string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(set);
    return text.substr(first, last - first + 1);
}

// Appends text whose lines end with '\n', ending each line with CR LF instead.
// A last line without its line feed gets one, so that the next line of the
// file never runs into it.
void AppendLines(QByteArray &out, const QByteArray &text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype nl = text.indexOf('\n', start);
        if (nl < 0)
            nl = text.size();
        out.append(text.constData() + start, nl - start);
        out.append("\r\n", 2);
        start = nl + 1;
    }
}

bool SameBytes(const QByteArray &a, QByteArrayView b)
{
    return a.size() == b.size() && (b.isEmpty() || std::memcmp(a.constData(), b.data(), size_t(b.size())) == 0);
}

// First record with this section and key, or records.end(). Linear: the
// store keeps the file's order and may be changed from outside.
template <typename Records>
auto Find(Records &records, QByteArrayView section, QByteArrayView key)
{
    return std::find_if(records.begin(), records.end(), [&](const IniRecord &r) {
        return SameBytes(r.Key, key) && SameBytes(r.Section, section);
    });
}

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The "C" locale for strtod_l, so that the process locale (which Qt sets from
// the environment) never changes how numbers in files are read.
locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// Reads the lines of a file: its records and the comment lines after the last
// one. With no records vector given, the records are only counted (the check
// of what SaveFile is about to write, by the rules that will read it). False,
// with the reason, when there are more than MaxRecords.
bool ReadRecords(string_view all, std::vector<IniRecord> *records, QByteArray *trailing, QString *reason)
{
    QByteArray pending;  // comment lines waiting for the record they stand above
    QByteArray section;  // the section that key lines belong to
    qsizetype count = 0;
    size_t pos = 0;
    while (pos < all.size()) {
        // A line ends with LF, CR LF, or a lone CR (old Mac editors).
        size_t nl = all.find_first_of("\r\n", pos);
        if (nl == string_view::npos)
            nl = all.size();  // a last line without a line end is read too
        string_view line = TrimView(all.substr(pos, nl - pos), kLineBlanks);
        pos = nl + (all.substr(nl, 2) == "\r\n" ? 2 : 1);
        if (line.empty())
            continue;

        char commented = ' ';
        string_view body = line;
        if (line.front() == '#' || line.front() == ';') {
            const string_view rest = TrimView(line.substr(1), kLineBlanks);
            // A commented-out header or key line is read as such (and written
            // back active); anything else is a comment.
            const bool header = !rest.empty() && rest.front() == '[' && rest.find(']') != string_view::npos;
            const size_t eq = rest.find('=');
            const bool key = !rest.empty() && rest.front() != '[' && eq != string_view::npos && eq > 0;
            if (!header && !key) {
                if (records)
                    pending.append(line.data(), qsizetype(line.size())).append('\n');
                continue;
            }
            commented = line.front();
            body = rest;
        }

        size_t close = string_view::npos;
        size_t eq = string_view::npos;
        if (body.front() == '[') {
            close = body.find(']');
            if (close == string_view::npos)
                continue;  // no closing bracket: no sound reading, skipped
        } else if (eq = body.find('='); eq == string_view::npos || eq == 0) {
            // Neither a header nor a key line: kept as text where it stood, so
            // that writing the file back neither loses it nor turns it into a
            // header that would move the keys after it into another section.
            if (records)
                pending.append(line.data(), qsizetype(line.size())).append('\n');
            continue;
        }
        if (count >= IniFile::MaxRecords) {
            if (reason)
                *reason = QCoreApplication::translate(
                              "IniFile", "В файле слишком много разделов и ключей для файла конфигурации "
                                         "(допускается не более %1).")
                              .arg(IniFile::MaxRecords);
            return false;
        }
        ++count;
        if (!records)
            continue;

        IniRecord record;
        record.Commented = commented;
        if (close != string_view::npos) {
            section = Bytes(body.substr(1, close - 1));
            record.Section = section;
        } else {
            // Neither part is trimmed: the line's ends only.
            record.Section = section;
            record.Key = Bytes(body.substr(0, eq));
            record.Value = Bytes(body.substr(eq + 1));
        }
        record.Comments = std::move(pending);
        pending = QByteArray();
        records->push_back(std::move(record));
    }
    if (trailing)
        *trailing = std::move(pending);
    return true;
}

// Makes content the store.
void Adopt(IniContent &&content)
{
    IniFile::Content = std::move(content.records);
    IniFile::TrailingComments = std::move(content.trailingComments);
    IniFile::ReadAsUtf8 = content.readAsUtf8;
}

} // namespace

void IniFile::Clear()
{
    Content.clear();
    TrailingComments.clear();
    ReadAsUtf8 = false;
}

bool IniFile::LoadFile(const QString &path, QString *reason)
{
    IniContent content;
    if (!ReadFile(path, content, reason))
        return false;
    Adopt(std::move(content));
    return true;
}

bool IniFile::ReadFile(const QString &path, IniContent &content, QString *reason)
{
    auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        return fail(QCoreApplication::translate("IniFile", "Имя файла не задано."));
    // Non-blocking, so that a FIFO in place of the file cannot hang the
    // program; only regular files are read.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(SystemErrorText(errno));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(SystemErrorText(errno));
    if (S_ISDIR(st.st_mode))
        return fail(QCoreApplication::translate("IniFile", "Это папка, а не файл."));
    if (!S_ISREG(st.st_mode))
        return fail(QCoreApplication::translate("IniFile", "Это не обычный файл."));
    const QString tooLarge =
        QCoreApplication::translate("IniFile", "Файл слишком велик для файла конфигурации (допускается не более %1 байт).")
            .arg(MaxFileSize);
    if (st.st_size > MaxFileSize)
        return fail(tooLarge);

    QByteArray data;
    data.resize(qsizetype(st.st_size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == data.size()) {
            if (used > MaxFileSize)
                return fail(tooLarge);  // the file grew while it was read
            data.resize(std::min<qsizetype>(data.size() * 2, MaxFileSize + 1));
        }
        const ssize_t n = ::read(fd, data.data() + used, size_t(data.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(SystemErrorText(errno));
        }
        if (n == 0)
            break;
        used += n;
    }
    if (used > MaxFileSize)
        return fail(tooLarge);
    data.truncate(used);
    return ReadBytes(data, content, reason);
}

bool IniFile::LoadBytes(QByteArrayView bytes, QString *reason)
{
    IniContent content;
    if (!ReadBytes(bytes, content, reason))
        return false;
    Adopt(std::move(content));
    return true;
}

bool IniFile::ReadBytes(QByteArrayView bytes, IniContent &content, QString *reason)
{
    // A byte-order mark says the text is UTF-8: the store holds it in the
    // program's own code page, like any other file.
    static constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");
    const bool utf8 = bytes.startsWith(kUtf8Mark);
    QByteArray converted;
    if (utf8) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        converted = ToFileEncoding(QString(decoder.decode(bytes.sliced(kUtf8Mark.size()))));
        bytes = converted;
    }
    IniContent read;
    if (!ReadRecords(View(bytes), &read.records, &read.trailingComments, reason))
        return false;
    read.readAsUtf8 = utf8;
    content = std::move(read);
    return true;
}

QByteArray IniFile::ToFileEncoding(QStringView text)
{
    // One byte per character in this code page; the converter marks every
    // character it lacks with the byte SUB (0x1A), which becomes '?' here
    // unless the text held that very control character.
    QStringEncoder encoder("windows-1251");
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    const QList<uint> characters = text.toUcs4();
    if (characters.size() != bytes.size()) {
        // Not one byte per character after all: character by character.
        bytes.clear();
        for (const uint c : characters) {
            const char32_t one[1] = {char32_t(c)};
            QStringEncoder single("windows-1251");
            const QByteArray encoded = single.encode(QString::fromUcs4(one, 1));
            bytes.append(single.hasError() || encoded.size() != 1 ? QByteArray("?") : encoded);
        }
        return bytes;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\x1A' && characters[i] != 0x1A)
            bytes[i] = '?';
    return bytes;
}

QByteArray IniFile::SaveBytes()
{
    QByteArray out;
    qsizetype estimate = TrailingComments.size() + 2;
    for (const IniRecord &r : Content)
        estimate += r.Comments.size() * 2 + r.Section.size() + r.Key.size() + r.Value.size() + 4;
    out.reserve(estimate);
    for (const IniRecord &r : Content) {
        AppendLines(out, r.Comments);
        if (r.IsSection())
            out.append('[').append(r.Section).append("]\r\n", 3);
        else
            out.append(r.Key).append('=').append(r.Value).append("\r\n", 2);
    }
    AppendLines(out, TrailingComments);
    return out;
}

bool IniFile::SaveFile(const QString &path, QString *reason)
{
    // What is written must read again: a store over the limits is refused
    // before anything is touched, judged by the rules LoadFile reads with.
    const QByteArray bytes = SaveBytes();
    if (bytes.size() > MaxFileSize) {
        if (reason)
            *reason = QCoreApplication::translate(
                          "IniFile", "Конфигурация заняла бы в файле больше %1 байт — больше, чем программа "
                                     "может прочитать снова. Ничего не записано.")
                          .arg(MaxFileSize);
        return false;
    }
    if (!ReadRecords(View(bytes), nullptr, nullptr, nullptr)) {
        if (reason)
            *reason = QCoreApplication::translate(
                          "IniFile", "В конфигурации больше %1 разделов и ключей — больше, чем программа может "
                                     "прочитать снова из файла. Ничего не записано.")
                          .arg(MaxRecords);
        return false;
    }

    // Atomic for a regular file; written through for a device or a FIFO.
    return SaveFileBytes(path, bytes, reason);
}

bool IniFile::SectionExists(QByteArrayView section)
{
    return SectionExists(Content, section);
}

bool IniFile::SectionExists(const Records &records, QByteArrayView section)
{
    return std::any_of(records.begin(), records.end(), [&](const IniRecord &r) { return SameBytes(r.Section, section); });
}

bool IniFile::RecordExists(QByteArrayView section, QByteArrayView key)
{
    return Find(Content, section, key) != Content.end();
}

std::optional<IniRecord> IniFile::GetRecord(QByteArrayView section, QByteArrayView key)
{
    const auto it = Find(Content, section, key);
    if (it == Content.end())
        return std::nullopt;
    return *it;
}

bool IniFile::GetValue(QByteArrayView section, QByteArrayView key, QByteArray &value)
{
    return GetValue(Content, section, key, value);
}

bool IniFile::GetInt(QByteArrayView section, QByteArrayView key, int32_t &value)
{
    return GetInt(Content, section, key, value);
}

bool IniFile::GetDouble(QByteArrayView section, QByteArrayView key, double &value)
{
    return GetDouble(Content, section, key, value);
}

bool IniFile::GetBool(QByteArrayView section, QByteArrayView key, int32_t &value)
{
    return GetBool(Content, section, key, value);
}

bool IniFile::GetValue(const Records &records, QByteArrayView section, QByteArrayView key, QByteArray &value)
{
    const auto it = Find(records, section, key);
    if (it == records.end()) {
        value.clear();
        return false;
    }
    value = it->Value;
    return true;
}

bool IniFile::GetInt(const Records &records, QByteArrayView section, QByteArrayView key, int32_t &value)
{
    const auto it = Find(records, section, key);
    if (it == records.end())
        return false;
    value = ToInt(it->Value);
    return true;
}

bool IniFile::GetDouble(const Records &records, QByteArrayView section, QByteArrayView key, double &value)
{
    const auto it = Find(records, section, key);
    if (it == records.end())
        return false;
    value = ToDouble(it->Value);
    return true;
}

bool IniFile::GetBool(const Records &records, QByteArrayView section, QByteArrayView key, int32_t &value)
{
    const auto it = Find(records, section, key);
    if (it == records.end())
        return false;
    value = ToInt(it->Value) != 0 ? 1 : 0;
    return true;
}

bool IniFile::SetValue(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    const auto it = Find(Content, section, key);
    if (it != Content.end()) {
        it->Value = value.toByteArray();
        return true;
    }
    IniRecord record;
    record.Section = section.toByteArray();
    record.Key = key.toByteArray();
    record.Value = value.toByteArray();
    const auto first = std::find_if(Content.begin(), Content.end(),
                                    [&](const IniRecord &r) { return SameBytes(r.Section, section); });
    if (first != Content.end()) {
        Content.insert(first + 1, std::move(record));
        return true;
    }
    IniRecord header;
    header.Section = record.Section;
    Content.push_back(std::move(header));
    Content.push_back(std::move(record));
    return true;
}

bool IniFile::SetInt(QByteArrayView section, QByteArrayView key, int32_t value)
{
    return SetValue(section, key, QByteArray::number(value));
}

bool IniFile::SetDouble(QByteArrayView section, QByteArrayView key, double value)
{
    return SetValue(section, key, FormatDouble(value));
}

bool IniFile::SetBool(QByteArrayView section, QByteArrayView key, int32_t value)
{
    return SetValue(section, key, value != 0 ? QByteArrayView("1") : QByteArrayView("0"));
}

QByteArray IniFile::Trim(QByteArrayView text, QByteArrayView set)
{
    return Bytes(TrimView(View(text), View(set)));
}

int32_t IniFile::ToInt(QByteArrayView text)
{
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end && IsCSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    // Accumulates up to just past the int32 range and stays there.
    constexpr int64_t kLimit = int64_t(INT32_MAX) + 1;
    int64_t magnitude = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        magnitude = std::min(magnitude * 10 + (*p - '0'), kLimit);
    const int64_t value = negative ? -magnitude : magnitude;
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

double IniFile::ToDouble(QByteArrayView text)
{
    // strtod_l needs a terminated string; the number ends at the first NUL.
    // The "C" locale object exists on glibc unless memory ran out at start;
    // plain strtod is then the best there is.
    const QByteArray terminated = text.toByteArray();
    if (const locale_t c = CLocale())
        return strtod_l(terminated.constData(), nullptr, c);
    return std::strtod(terminated.constData(), nullptr);
}

QByteArray IniFile::FormatDouble(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0.0)
        return "0.";

    // The C runtime's way: 17 significant digits first, then those decimal
    // digits rounded half up to 4 (so 12345 gives 1.235e+004, not 1.234).
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 16);
    const string_view text(buffer, size_t(r.ptr - buffer));  // d.dddddddddddddddde±xx
    char digits[17];
    digits[0] = text[0];
    std::memcpy(digits + 1, text.data() + 2, 16);
    size_t exponentAt = text.find('e') + 1;
    if (text[exponentAt] == '+')
        ++exponentAt;
    int exponent = 0;
    std::from_chars(text.data() + exponentAt, text.data() + text.size(), exponent);

    const int notationExponent = exponent;  // chosen before rounding
    if (digits[4] >= '5') {
        int i = 3;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits[0] = '1';  // 9.9995 -> 10.00: one more decade
            ++exponent;
        }
    }

    QByteArray out;
    if (value < 0)
        out.append('-');
    if (notationExponent >= -1 && notationExponent <= 3) {
        // Plain notation with 3 - e digits after the point; rounding may have
        // carried into a fifth integer digit (9999.5 -> "10000.").
        const int decimals = 3 - notationExponent;
        QByteArray plain;
        if (exponent >= 0) {
            const int integerDigits = exponent + 1;
            for (int i = 0; i < integerDigits; ++i)
                plain.append(i < 4 ? digits[i] : '0');
            plain.append('.');
            for (int i = integerDigits; i < integerDigits + decimals && i < 4; ++i)
                plain.append(digits[i]);
        } else {
            plain.append("0.").append(digits, 4);  // e = -1, nothing carried
        }
        while (plain.endsWith('0') && plain.contains('.'))
            plain.chop(1);
        out.append(plain);
        return out;
    }

    QByteArray mantissa;
    mantissa.append(digits[0]).append('.').append(digits + 1, 3);
    while (mantissa.endsWith('0'))
        mantissa.chop(1);
    out.append(mantissa).append('e').append(exponent < 0 ? '-' : '+');
    out.append(QByteArray::number(std::abs(exponent)).rightJustified(3, '0'));
    return out;
}
