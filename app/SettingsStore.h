#pragma once

#include <QString>

#include <array>
#include <memory>
#include <optional>

class QSettings;

// How a stored text converts to and from the value it holds.
enum class SettingKind {
    Single,  // a window bound, single precision
    Text,    // verbatim
    Number,  // a gauge value, double precision
    Boolean, // "True" / "False"
};

struct SettingKey
{
    const char *key;
    const char *defaultText;
    SettingKind kind;
};

// The 30 keys in the order they are read at start and written by the Close button.
inline constexpr std::array<SettingKey, 30> kSettingKeys = {{
    {"MainLeft", "1000", SettingKind::Single},  {"MainTop", "1000", SettingKind::Single},
    {"MainWidth", "6500", SettingKind::Single}, {"MainHeight", "6500", SettingKind::Single},
    {"Meter", "2.067", SettingKind::Text},      {"Plate", "0.5000", SettingKind::Text},
    {"SpGr", "0.615", SettingKind::Text},       {"Tb", "60", SettingKind::Text},
    {"Pb", "14.73", SettingKind::Text},         {"Lat", "42", SettingKind::Text},
    {"Elev", "300", SettingKind::Text},         {"TempCaption", "DegF", SettingKind::Text},
    {"TempMin", "0", SettingKind::Number},      {"TempMax", "100", SettingKind::Number},
    {"TempNeedle", "55", SettingKind::Number},  {"USCaption", "PsiG", SettingKind::Text},
    {"USMin", "0", SettingKind::Number},        {"USMax", "200", SettingKind::Number},
    {"USNeedle", "100", SettingKind::Number},   {"DifCaption", "PsiD", SettingKind::Text},
    {"DifMin", "0", SettingKind::Number},       {"DifMax", "10", SettingKind::Number},
    {"DifNeedle", "4.9", SettingKind::Number},  {"FlowCaption", "MMcF/D", SettingKind::Text},
    {"FlowMin", "0", SettingKind::Number},      {"FlowMax", "5", SettingKind::Number},
    {"FlowNeedle", "2.9", SettingKind::Number}, {"Sweet", "False", SettingKind::Boolean},
    {"Sour", "False", SettingKind::Boolean},    {"Other", "False", SettingKind::Boolean},
}};

// The per-user store of application "Brisko", section "Settings": an INI file in the user's
// configuration folder (QSettings, user scope). Writes are collected and reach the disk in
// one atomic replacement of the file at commit(), so an interrupted save leaves the old store.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();

    // The stored text, or defaultText when the key does not exist. An existing empty value
    // yields the empty text.
    QString ReadSetting(const QString &key, const QString &defaultText) const;
    void WriteSetting(const QString &key, const QString &text);
    // Writes everything written so far; false when the store could not be saved.
    bool commit();

    // Stored numbers are written with a point whatever the locale, and read with a point
    // first, then in the user's locale (stores written by earlier versions).
    static QString formatNumber(double value, SettingKind kind);
    static std::optional<double> parseNumber(const QString &text);
    // "True"/"False" in any letter case, or a number (true unless zero); else nothing.
    static std::optional<bool> parseBoolean(const QString &text);

private:
    std::unique_ptr<QSettings> settings_;
};
