#pragma once

#include "IniFile.h"

#include <QList>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

// How a stored text converts to and from the value it holds.
enum class SettingKind {
    Single,  // a window bound, single precision
    Text,    // verbatim
    Number,  // a gauge value, double precision
    Boolean, // "True" / "False"
};

// The 30 settings, in the order they are read at start and written by the Close button.
// clang-format off
enum class Setting {
    MainLeft, MainTop, MainWidth, MainHeight,
    Meter, Plate, SpGr, Tb, Pb, Lat, Elev,
    TempCaption, TempMin, TempMax, TempNeedle,
    USCaption, USMin, USMax, USNeedle,
    DifCaption, DifMin, DifMax, DifNeedle,
    FlowCaption, FlowMin, FlowMax, FlowNeedle,
    Sweet, Sour, Other,
};
// clang-format on

struct SettingKey
{
    Setting setting;
    const char *key;
    const char *defaultText;
    SettingKind kind;
};

inline constexpr std::array<SettingKey, 30> kSettingKeys = {{
    // clang-format off
    {Setting::MainLeft, "MainLeft", "1000", SettingKind::Single},
    {Setting::MainTop, "MainTop", "1000", SettingKind::Single},
    {Setting::MainWidth, "MainWidth", "6500", SettingKind::Single},
    {Setting::MainHeight, "MainHeight", "6500", SettingKind::Single},
    {Setting::Meter, "Meter", "2.067", SettingKind::Text},
    {Setting::Plate, "Plate", "0.5000", SettingKind::Text},
    {Setting::SpGr, "SpGr", "0.615", SettingKind::Text},
    {Setting::Tb, "Tb", "60", SettingKind::Text},
    {Setting::Pb, "Pb", "14.73", SettingKind::Text},
    {Setting::Lat, "Lat", "42", SettingKind::Text},
    {Setting::Elev, "Elev", "300", SettingKind::Text},
    {Setting::TempCaption, "TempCaption", "DegF", SettingKind::Text},
    {Setting::TempMin, "TempMin", "0", SettingKind::Number},
    {Setting::TempMax, "TempMax", "100", SettingKind::Number},
    {Setting::TempNeedle, "TempNeedle", "55", SettingKind::Number},
    {Setting::USCaption, "USCaption", "PsiG", SettingKind::Text},
    {Setting::USMin, "USMin", "0", SettingKind::Number},
    {Setting::USMax, "USMax", "200", SettingKind::Number},
    {Setting::USNeedle, "USNeedle", "100", SettingKind::Number},
    {Setting::DifCaption, "DifCaption", "PsiD", SettingKind::Text},
    {Setting::DifMin, "DifMin", "0", SettingKind::Number},
    {Setting::DifMax, "DifMax", "10", SettingKind::Number},
    {Setting::DifNeedle, "DifNeedle", "4.9", SettingKind::Number},
    {Setting::FlowCaption, "FlowCaption", "MMcF/D", SettingKind::Text},
    {Setting::FlowMin, "FlowMin", "0", SettingKind::Number},
    {Setting::FlowMax, "FlowMax", "5", SettingKind::Number},
    {Setting::FlowNeedle, "FlowNeedle", "2.9", SettingKind::Number},
    {Setting::Sweet, "Sweet", "False", SettingKind::Boolean},
    {Setting::Sour, "Sour", "False", SettingKind::Boolean},
    {Setting::Other, "Other", "False", SettingKind::Boolean},
    // clang-format on
}};

// A row moved in the table without its name would give one setting another's key.
constexpr bool settingRowsInOrder()
{
    for (std::size_t row = 0; row < kSettingKeys.size(); ++row)
        if (kSettingKeys[row].setting != Setting(row))
            return false;
    return true;
}
static_assert(settingRowsInOrder(), "kSettingKeys must list the settings in enum order");

constexpr const SettingKey &settingKey(Setting setting)
{
    return kSettingKeys[static_cast<std::size_t>(setting)];
}

// The four settings of each gauge slot (0 Temp, 1 US, 2 Diff, 3 Flow).
struct GaugeSettings
{
    int slot;
    Setting caption, min, max, needle;
};
inline constexpr GaugeSettings kGaugeSettings[] = {
    {0, Setting::TempCaption, Setting::TempMin, Setting::TempMax, Setting::TempNeedle},
    {1, Setting::USCaption, Setting::USMin, Setting::USMax, Setting::USNeedle},
    {2, Setting::DifCaption, Setting::DifMin, Setting::DifMax, Setting::DifNeedle},
    {3, Setting::FlowCaption, Setting::FlowMin, Setting::FlowMax, Setting::FlowNeedle},
};

// The per-user store of application "Brisko", section "Settings": a text file in the user's
// configuration folder ($XDG_CONFIG_HOME/Brisko/Brisko.ini, %APPDATA%\Brisko\Brisko.ini),
// which earlier versions wrote with QSettings. The file is read once, when the store is made.
// Writes are collected and reach the disk at commit(), under a lock file, in one atomic replacement
// of the file, so an interrupted or failed save leaves the old store.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &fileName = userFileName());

    static QString userFileName();
    QString fileName() const { return fileName_; }

    // The stored text, or defaultText when the key does not exist. An existing empty value
    // yields the empty text.
    QString ReadSetting(const QString &key, const QString &defaultText) const;
    void WriteSetting(const QString &key, const QString &text);
    QString read(Setting setting) const;
    void write(Setting setting, const QString &text);

    // Writes everything written so far. False when the store could not be saved (the lock
    // is held elsewhere for longer than lockTimeoutMs, the folder or file cannot be written,
    // the disk is full); errorString() then says why.
    bool commit();
    QString errorString() const { return error_; }

    static constexpr int lockTimeoutMs = 2000;

    // Stored numbers are written with a point whatever the locale, and read with a point
    // first, then in the user's locale (stores written by earlier versions).
    static QString formatNumber(double value, SettingKind kind);
    static std::optional<double> parseNumber(const QString &text);
    // "True"/"False" in any letter case, or a number (true unless zero); else nothing.
    static std::optional<bool> parseBoolean(const QString &text);

private:
    QString fileName_;
    IniFile stored_; // as read when the store was made
    QList<std::pair<QString, QString>> written_;
    QString error_;
};
