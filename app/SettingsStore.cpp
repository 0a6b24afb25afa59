#include "SettingsStore.h"

#include "NumberText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
const QString kSection = QStringLiteral("Settings");

// Far above any store this program writes (under a kilobyte); a larger file is not read, and
// not replaced either, since it holds something else.
constexpr qint64 kMaxFileSize = 4 << 20;

QLocale pointLocale()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return c;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("SettingsStore", text);
}

// The file's contents, or the reason they cannot be had.
std::optional<QByteArray> readFile(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        *error =
            tr("the file is larger than %1 bytes, too large for a settings file").arg(kMaxFileSize);
        return std::nullopt;
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    return data;
}

QString lockFailure(const QLockFile &lock, const QString &lockName)
{
    if (QFileInfo(lockName).isDir())
        return tr("its lock file %1 is a folder").arg(QDir::toNativeSeparators(lockName));
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        return tr("another program holds its lock file %1").arg(QDir::toNativeSeparators(lockName));
    case QLockFile::PermissionError:
        return tr("no permission to create the lock file %1")
            .arg(QDir::toNativeSeparators(lockName));
    default:
        return tr("the lock file %1 cannot be created").arg(QDir::toNativeSeparators(lockName));
    }
}
} // namespace

SettingsStore::SettingsStore(const QString &fileName) : fileName_(fileName)
{
    // A store that cannot be read gives the defaults; saving then reports the reason.
    QString ignored;
    if (QFileInfo::exists(fileName_))
        if (const auto data = readFile(fileName_, &ignored))
            stored_ = IniFile::parse(*data);
}

QString SettingsStore::userFileName()
{
    // Where earlier versions kept it (QSettings, INI format, user scope).
#ifdef Q_OS_WIN
    const QString roaming = qEnvironmentVariable("APPDATA");
    const QString folder =
        roaming.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                          : QDir::fromNativeSeparators(roaming);
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    return folder + QStringLiteral("/Brisko/Brisko.ini");
}

QString SettingsStore::ReadSetting(const QString &key, const QString &defaultText) const
{
    return stored_.value(kSection, key).value_or(defaultText);
}

void SettingsStore::WriteSetting(const QString &key, const QString &text)
{
    written_.append({key, text});
}

QString SettingsStore::read(Setting setting) const
{
    const SettingKey &k = settingKey(setting);
    return ReadSetting(QString::fromLatin1(k.key), QString::fromLatin1(k.defaultText));
}

void SettingsStore::write(Setting setting, const QString &text)
{
    WriteSetting(QString::fromLatin1(settingKey(setting).key), text);
}

bool SettingsStore::commit()
{
    error_.clear();
    const QFileInfo info(fileName_);
    if (!QDir().mkpath(info.absolutePath())) {
        error_ = tr("the folder %1 cannot be created")
                     .arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }

    // Another copy of the program may be saving; wait for it a little, never for long. A lock
    // left by a copy that died is taken over (QLockFile knows its process is gone).
    const QString lockName = fileName_ + QStringLiteral(".lock");
    QLockFile lock(lockName);
    if (!lock.tryLock(lockTimeoutMs)) {
        error_ = lockFailure(lock, lockName);
        return false;
    }

    // Written over what is on disk now, so keys of others (or of another version) stay.
    IniFile file;
    if (info.exists()) {
        const auto data = readFile(fileName_, &error_);
        if (!data)
            return false;
        file = IniFile::parse(*data);
    }
    for (const auto &[key, text] : written_)
        file.setValue(kSection, key, text);

    const QByteArray bytes = file.toBytes();
    QSaveFile out(fileName_);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        error_ = out.errorString();
        return false;
    }
    written_.clear();
    return true;
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
