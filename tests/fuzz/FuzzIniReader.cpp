// The INI reader on arbitrary bytes: reading, writing back, reading what was
// written, the lookups and the number conversions of every value.
#include "FuzzSupport.h"

#include "IniFile.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>

namespace {

// Four significant digits and back: within half a unit of the fourth digit
// (plus the spacing of subnormal numbers).
void CheckNumberRoundTrip(double value)
{
    const QByteArray text = IniFile::FormatDouble(value);
    const double back = IniFile::ToDouble(text);
    if (std::isnan(value)) {
        FUZZ_CHECK(std::isnan(back));
        return;
    }
    if (std::isinf(value)) {
        FUZZ_CHECK(back == value);
        return;
    }
    FUZZ_CHECK(std::isfinite(back) || std::fabs(value) > 1.79e308);
    if (std::isfinite(back))
        FUZZ_CHECK(std::fabs(back - value) <= 5.0001e-4 * std::fabs(value) + 1e-320);
}

}  // namespace

int FuzzIniReaderOne(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!IniFile::LoadBytes(bytes))
        return 0;

    // Written once, the file is in the store's own form: reading and writing
    // it again must give the same bytes and the same records. Not so for a
    // key line commented out twice (";;key=value"): each reading takes one
    // marker off, as it does for a line commented out once.
    const QByteArray first = IniFile::SaveBytes();
    const std::vector<IniRecord> records = IniFile::Content;
    // Nor for a store whose first line starts with the bytes of the UTF-8
    // byte-order mark ("п»ї" in Windows-1251): read again, the file is UTF-8.
    const bool markedKey = first.startsWith("\xEF\xBB\xBF")
                           || std::any_of(records.begin(), records.end(), [](const IniRecord &r) {
                                  return r.Key.startsWith('#') || r.Key.startsWith(';');
                              });
    FUZZ_CHECK(IniFile::LoadBytes(first));
    FUZZ_CHECK(markedKey || IniFile::Content.size() == records.size());
    const QByteArray second = IniFile::SaveBytes();
    FUZZ_CHECK(markedKey || second == first);
    FUZZ_CHECK(IniFile::LoadBytes(bytes));

    // The first records are found by their section and key, and the lookups
    // give the first record with that pair. Each lookup walks the store, so
    // only so many are made, headers included: an input of many thousand
    // headers must not cost a walk per header.
    constexpr std::size_t kLookups = 64;
    for (std::size_t i = 0; i < records.size() && i < kLookups; ++i) {
        const IniRecord &r = records[i];
        if (r.IsSection()) {
            FUZZ_CHECK(IniFile::SectionExists(r.Section));
            continue;
        }
        const std::optional<IniRecord> found = IniFile::GetRecord(r.Section, r.Key);
        FUZZ_CHECK(found.has_value());
        QByteArray value;
        FUZZ_CHECK(IniFile::GetValue(r.Section, r.Key, value));
        FUZZ_CHECK(value == found->Value);
        int32_t number = 0;
        FUZZ_CHECK(IniFile::GetInt(r.Section, r.Key, number));
        FUZZ_CHECK(number == IniFile::ToInt(value));
        double real = 0;
        FUZZ_CHECK(IniFile::GetDouble(r.Section, r.Key, real));
        CheckNumberRoundTrip(real);
        int32_t flag = 0;
        FUZZ_CHECK(IniFile::GetBool(r.Section, r.Key, flag));
        FUZZ_CHECK(flag == (number != 0 ? 1 : 0));
    }

    // Changing a value, adding a key to an existing section and adding a new
    // section: each is found afterwards, also after writing and reading.
    // (Not for keys commented out twice: writing and reading changes them.)
    if (!records.empty() && !markedKey) {
        const IniRecord &r = records.front();
        const QByteArray key = r.IsSection() ? QByteArray("FuzzAddedKey") : r.Key;
        const QByteArray intKey = key == "FuzzAddedInt" ? "FuzzAddedInt2" : "FuzzAddedInt";
        const QByteArray boolSection = r.Section == "FuzzAddedSection" ? "FuzzAddedSection2" : "FuzzAddedSection";
        IniFile::SetDouble(r.Section, key, 12345.0);
        IniFile::SetInt(r.Section, intKey, -17);
        IniFile::SetBool(boolSection, "Flag", 5);
        // Read back as a file would be: refused once the additions take the
        // store past the record limit, as writing it is.
        const bool fits = IniFile::Content.size() <= std::size_t(IniFile::MaxRecords);
        FUZZ_CHECK(IniFile::LoadBytes(IniFile::SaveBytes()) == fits);
        double real = 0;
        FUZZ_CHECK(IniFile::GetDouble(r.Section, key, real));
        FUZZ_CHECK(real == 12350.0);
        int32_t number = 0;
        FUZZ_CHECK(IniFile::GetInt(r.Section, intKey, number));
        FUZZ_CHECK(number == -17);
        FUZZ_CHECK(IniFile::GetBool(boolSection, "Flag", number));
        FUZZ_CHECK(number == 1);
    }
    IniFile::Clear();
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzIniReaderOne)
