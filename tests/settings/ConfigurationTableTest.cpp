// Every row of the configuration table against the file commands it drives.
#include "Configuration.h"
#include "ConfigurationTable.h"
#include "SettingsTestSupport.h"

#include <type_traits>

namespace {

// Gives the field of a row a value that differs from its built-in one.
void Edit(Settings &s, const ConfigurationKey &key)
{
    std::visit(
        [&](auto field) {
            using F = decltype(field);
            if constexpr (std::is_same_v<F, int Settings::*> || std::is_same_v<F, unsigned char Settings::*>)
                s.*field += 7;
            else if constexpr (std::is_same_v<F, bool Settings::*>)
                s.*field = !(s.*field);
            else if constexpr (std::is_same_v<F, double Settings::*>)
                s.*field += 1.25;
            else if constexpr (std::is_same_v<F, QString Settings::*>)
                s.*field = QString::fromUtf8("правка %1").arg(QLatin1String(key.key));
            else if constexpr (std::is_same_v<F, LabelTextField>)
                s.LabelLineText[field.index] = QString::fromUtf8("метка %1").arg(field.index);
            else if constexpr (std::is_same_v<F, PointGroupField>)
                for (int i = 0; i < field.count; ++i)
                    s.SetPoint(field.firstSlot + i, 0.5 * i + 1.25, 11.0 - i, 1);
        },
        key.field);
}

bool IsRead(const ConfigurationKey &key)
{
    return key.role == KeyRole::Field || key.role == KeyRole::GridShift;
}

TEST_F(StoreTest, EveryRowReachesTheFileAndComesBackAsItsRoleSays)
{
    for (const ConfigurationKey &key : ConfigurationKeys()) {
        SCOPED_TRACE(std::string(key.section) + " " + key.key);
        IniFile::Clear();
        ConfigurationFiles files;
        const Settings fresh;
        if (std::holds_alternative<std::monostate>(key.field)) {
            // A key without a field: a file that holds it loads as if it did not.
            WriteBytes(Path("odd.ini"), QByteArray("[Common]\r\n[") + key.section + "]\r\n" + key.key + "=7\r\n");
            Settings loaded;
            ASSERT_TRUE(LoadConfiguration(loaded, files, Path("odd.ini")));
            EXPECT_TRUE(loaded.SameConfiguration(fresh));
            continue;
        }
        Settings edited;
        Edit(edited, key);
        ASSERT_FALSE(edited.SameConfiguration(fresh)) << "the edit changes the record";
        ASSERT_TRUE(SaveConfiguration(edited, files, Path("edited.ini")));
        IniFile::Clear();
        Settings loaded;
        ASSERT_TRUE(LoadConfiguration(loaded, files, Path("edited.ini")));
        EXPECT_EQ(loaded.SameConfiguration(edited), IsRead(key)) << "a field comes back; a saved-only one does not";
        EXPECT_EQ(loaded.SameConfiguration(fresh), !IsRead(key));
    }
}

} // namespace
