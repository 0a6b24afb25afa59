#include "SettingsStore.h"

#include "NumberText.h"

#include <QSettings>

namespace {
const QString kSection = QStringLiteral("Settings/");

QLocale pointLocale()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return c;
}
} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Brisko"), QStringLiteral("Brisko")))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::ReadSetting(const QString &key, const QString &defaultText) const
{
    const QVariant value = settings_->value(kSection + key);
    return value.isValid() ? value.toString() : defaultText;
}

void SettingsStore::WriteSetting(const QString &key, const QString &text)
{
    settings_->setValue(kSection + key, text);
}

bool SettingsStore::commit()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString SettingsStore::formatNumber(double value, SettingKind kind)
{
    if (kind == SettingKind::Single)
        return pointLocale().toString(static_cast<float>(value), 'g', 7);
    return pointLocale().toString(value, 'g', 15);
}

std::optional<double> SettingsStore::parseNumber(const QString &text)
{
    if (auto value = NumberText::parse(text, pointLocale()))
        return value;
    return NumberText::parse(text);
}

std::optional<bool> SettingsStore::parseBoolean(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = parseNumber(t))
        return *number != 0;
    return std::nullopt;
}
