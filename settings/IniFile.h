#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One line of a configuration file (a section header or a key line) with the
// comment lines that stood above it. All texts are the file's own bytes
// (Windows-1251), compared byte for byte.
struct IniRecord {
    QByteArray Comments;   // preceding comment lines, each trimmed and ended by '\n'
    char Commented = ' ';  // '#' or ';' when the line itself was commented out, else ' '
    QByteArray Section;    // header: its name; key line: the section it belongs to
    QByteArray Key;        // empty for a section header
    QByteArray Value;      // text after the first '='; empty for a header

    bool IsSection() const { return Key.isEmpty(); }
};

// The records of one file read apart from the store, for a look at a file
// that must leave the current configuration alone (any thread).
struct IniContent {
    std::vector<IniRecord> records;
    QByteArray trailingComments;
    bool readAsUtf8 = false;
};

// The INI record store: the contents of one configuration file as an ordered
// list of records, kept in the layout of the file it was read from so that a
// file edited by hand keeps its comments and order when it is written again.
//
// There is one store per process (Content); every operation works on it.
// Used from the user-interface thread only; there is no lock.
//
// Reading accepts CR LF, LF and lone CR line ends and a last line without a
// line end; writing always ends lines with CR LF. A file that starts with the
// UTF-8 byte-order mark is read as UTF-8 and held, like every other, in
// Windows-1251; files are always written in Windows-1251, without a mark
// (so a Windows-1251 file that begins with the text "п»ї" is taken for UTF-8). A line is a header when it starts
// with '[' (a value holding brackets stays a key line), a key line when it
// holds '=' after a non-empty key. Comment lines, also those after the last
// record, and lines that are neither header nor key line are kept as text and
// written back where they stood; a header without its ']' is skipped. Lines
// commented out with '#' or ';' that look like a header or key line are read
// as such and written back active. Blank lines are not kept.
class IniFile {
public:
    // Files larger than this, or with more header and key lines than
    // MaxRecords, are neither read nor written: what the program writes it
    // reads again. The program's own configuration is about 3 KB and 120
    // records; a thousandfold of that is still read, while a broken or
    // hostile file can make the store take neither more than some 50 MB of
    // memory nor seconds for the lookups of a load and a save (each is a walk
    // through the store, which keeps the file's order).
    // Writing ends every line with CR LF, which makes a file with LF line
    // ends and one-byte lines 1.5 times as long (and adds CR LF to a last
    // line without its line feed): any file of up to 4 MiB is therefore
    // written back within the limit, with room to spare for the keys the
    // program adds.
    static constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
    static constexpr qsizetype MaxRecords = 100000;

    static std::vector<IniRecord> Content;
    static QByteArray TrailingComments;  // comment lines after the last record
    // The store was read from a UTF-8 file (with its byte-order mark), not
    // from the Windows-1251 it is written in.
    static bool ReadAsUtf8;

    // Empties the store (program start state).
    static void Clear();

    // Replaces the store with the file's records. False when the file cannot
    // be read (missing, unreadable, a folder or a device, over the limits
    // above): the store is then unchanged and *reason, when given, says why
    // in words for the user.
    static bool LoadFile(const QString &path, QString *reason = nullptr);
    // Writes the store to the file, atomically for a regular file (on
    // failure the old file stays as it was), through to a device or a FIFO
    // without replacing it (SaveFileBytes). False and *reason says why when
    // not everything was written. A store that would
    // make a file LoadFile refuses (over either limit above) is not written
    // at all.
    static bool SaveFile(const QString &path, QString *reason = nullptr);

    // Replaces the store with records read from the bytes of a file; false
    // (store unchanged) when they hold more than MaxRecords records.
    static bool LoadBytes(QByteArrayView bytes, QString *reason = nullptr);
    // LoadFile and LoadBytes into content instead of the store, which they
    // leave alone.
    static bool ReadFile(const QString &path, IniContent &content, QString *reason = nullptr);
    static bool ReadBytes(QByteArrayView bytes, IniContent &content, QString *reason = nullptr);
    // Text in the files' code page, Windows-1251; a character it lacks
    // becomes '?'.
    static QByteArray ToFileEncoding(QStringView text);
    // The bytes that SaveFile writes.
    static QByteArray SaveBytes();

    static bool SectionExists(QByteArrayView section);
    static bool RecordExists(QByteArrayView section, QByteArrayView key);
    // The first record with this section and key, in store order.
    static std::optional<IniRecord> GetRecord(QByteArrayView section, QByteArrayView key);

    // Getters take the first matching record. When it is absent they return
    // false; GetValue then empties value, the others leave it untouched.
    static bool GetValue(QByteArrayView section, QByteArrayView key, QByteArray &value);
    static bool GetInt(QByteArrayView section, QByteArrayView key, int32_t &value);
    static bool GetDouble(QByteArrayView section, QByteArrayView key, double &value);
    static bool GetBool(QByteArrayView section, QByteArrayView key, int32_t &value);
    // The same on records read apart from the store.
    using Records = std::vector<IniRecord>;
    static bool SectionExists(const Records &records, QByteArrayView section);
    static bool GetValue(const Records &records, QByteArrayView section, QByteArrayView key, QByteArray &value);
    static bool GetInt(const Records &records, QByteArrayView section, QByteArrayView key, int32_t &value);
    static bool GetDouble(const Records &records, QByteArrayView section, QByteArrayView key, double &value);
    static bool GetBool(const Records &records, QByteArrayView section, QByteArrayView key, int32_t &value);

    // Changes the first matching record's value. A missing key is inserted
    // directly after the first record of its section (so keys added to a
    // section come out newest first); a missing section is appended with its
    // header at the end. Always true.
    static bool SetValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);
    static bool SetInt(QByteArrayView section, QByteArrayView key, int32_t value);
    static bool SetDouble(QByteArrayView section, QByteArrayView key, double value);
    static bool SetBool(QByteArrayView section, QByteArrayView key, int32_t value);

    // text without the leading and trailing bytes that belong to set.
    static QByteArray Trim(QByteArrayView text, QByteArrayView set);

    // Value conversions, independent of the process locale.
    // Decimal integer as the C library reads it in base 10 (leading white
    // space, optional sign, digits up to the first non-digit; none gives 0),
    // saturated to the int32 range.
    static int32_t ToInt(QByteArrayView text);
    // Floating-point number as the C library reads it in the "C" locale
    // ("5.e-002", "1e999" gives infinity, text without a number gives 0).
    static double ToDouble(QByteArrayView text);
    // Four significant digits in the C runtime's "general" form with a
    // three-digit exponent: 8.0 -> "8.", 0.05 -> "5.e-002",
    // 12345 -> "1.235e+004". Infinities and NaN give "inf", "-inf", "nan".
    static QByteArray FormatDouble(double value);
};
